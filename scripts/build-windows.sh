#!/usr/bin/env bash
# Builds the 32-bit Windows package on Debian 12: cross-compiled with MinGW-w64 against libraries
# cross-built from Debian's own sources, into out/windows/ and out/windows.zip.
#   build-windows.sh          the package
#   build-windows.sh --test   the package, then every test under Wine through ctest
# The libraries are built once into $WINDOWS_CACHE (default .cache/windows) and reused; the build
# tree is build-windows/. --test compares with a Linux picconv built in $LINUX_BUILD (build/). Missing Debian packages are installed (root or sudo). Only --test needs
# Wine, and with it the i386 architecture, which it enables.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${WINDOWS_CACHE:-$root/.cache/windows}
build=$root/build-windows
linux_build=${LINUX_BUILD:-$root/build}
out=$root/out/windows
testing=0
[[ "${1:-}" == "--test" ]] && testing=1

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
missing_of() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || echo "$p"
  done
}
install_packages() {
  mapfile -t missing < <(missing_of "$@")
  ((${#missing[@]})) || return 0
  echo "windows: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# apt-get source needs dpkg-dev; the cross compilers use the posix thread model (GoogleTest's
# std::mutex).
install_packages cmake make dpkg-dev debian-archive-keyring ca-certificates \
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
if ((testing)); then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "windows: enabling the i386 architecture for Wine's 32-bit programs (dpkg --add-architecture i386)"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  install_packages wine wine32:i386
fi

bash "$root/scripts/windows/build-deps.sh" "$cache"
prefix="$cache/prefix"

linux_picconv=()
if ((testing)); then
  # A Linux picconv drawing the Windows noise, to compare the two builds' files.
  if [[ ! -f "$linux_build/CMakeCache.txt" ]]; then
    bash "$root/scripts/setup.sh"
    cmake -S "$root" -B "$linux_build" >/dev/null
  fi
  cmake --build "$linux_build" -j "$(nproc)" \
    --target picconv_windows_noise ifbmp ifpng ifjpeg ifgif >/dev/null
  linux_picconv=(-DLINUX_PICCONV="$linux_build/bin/picconv_windows_noise")
fi

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DWINDOWS_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DWARNINGS_AS_ERRORS=ON -DBUILD_BENCHMARKS=OFF -DBUILD_TESTING=$((testing ? 1 : 0)) \
  "${linux_picconv[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

rm -rf "$out" "$out.zip"
cmake --install "$build" --prefix "$out" --strip >/dev/null
i686-w64-mingw32-strip "$out/SDL.dll"
cp "$root/README.md" "$out/README.md"
cp "$root/docs/plugin-authors.md" "$out/plugin-authors.md"
(cd "$root/out" && cmake -E tar cf windows.zip --format=zip windows)
echo "windows: package in $out ($(du -sh "$out" | cut -f1)), zipped in $out.zip ($(du -h "$out.zip" | cut -f1))"

if ((testing)); then
  export WINEPREFIX="$cache/wineprefix" WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR="${TMPDIR:-/tmp}"
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "windows: making the Wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver -w  # wineboot returns before the prefix is complete
  fi
  # One Wine server for the whole run, and one program through it before ctest: otherwise every
  # test waits for Wine's helpers to start, and ctest can hang.
  wineserver -p
  trap 'wineserver -k || true' EXIT
  "$build/wine-run.sh" "$build/bin/picconv.exe" --version
  cd "$build"
  ctest --output-on-failure -j "$(nproc)" --timeout 600
fi
