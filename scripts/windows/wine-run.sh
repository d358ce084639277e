#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: CMake's emulator for the Windows tests.
#   wine-run.sh [--dll-path DIR] PROGRAM [ARGS...]
# DIR (the cross-built libraries' bin/, with SDL.dll) is put on the Windows PATH. The caller
# may set WINEPREFIX and the rest; a headless 32-bit prefix in the Windows cache is the default.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [[ "${1:-}" == "--dll-path" ]]; then
  export WINEPATH="$2${WINEPATH:+;$WINEPATH}"
  shift 2
fi
export WINEPREFIX="${WINEPREFIX:-${WINDOWS_CACHE:-$root/.cache/windows}/wineprefix}"
export WINEARCH="${WINEARCH:-win32}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Scratch folders on the same drive (Z:) as the build's absolute paths.
export TMPDIR="${TMPDIR:-/tmp}"
exec wine "$@"
