#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: CMake's emulator for the Windows tests.
#   wine-run.sh [--arch i686|x86_64] [--dll-path DIR] PROGRAM [ARGS...]
# i686 programs (the default) run under Debian's wine in a 32-bit prefix; x86_64 programs under
# the 64-bit loader itself, in a 64-bit prefix (Debian's wine picks the 32-bit loader whenever
# wine32 is installed, even where it cannot start). DIR (the cross-built libraries' bin/, with
# SDL.dll) is put on the Windows PATH. The caller may set WINEPREFIX and the rest; a headless
# prefix in the target's Windows cache is the default.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=i686
if [[ "${1:-}" == "--arch" ]]; then
  arch=$2
  shift 2
fi
if [[ "${1:-}" == "--dll-path" ]]; then
  export WINEPATH="$2${WINEPATH:+;$WINEPATH}"
  shift 2
fi
if [[ "$arch" == x86_64 ]]; then
  loader=/usr/lib/wine/wine64
  export WINEPREFIX="${WINEPREFIX:-${WINDOWS64_CACHE:-$root/.cache/windows64}/wineprefix}"
  export WINEARCH=win64
else
  loader=wine
  export WINEPREFIX="${WINEPREFIX:-${WINDOWS_CACHE:-$root/.cache/windows}/wineprefix}"
  export WINEARCH=win32
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Scratch folders on the same drive (Z:) as the build's absolute paths.
export TMPDIR="${TMPDIR:-/tmp}"
exec "$loader" "$@"
