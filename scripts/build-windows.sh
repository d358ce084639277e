#!/usr/bin/env bash
# Builds the 32-bit Windows package on Debian 12: cross-compiled with MinGW-w64 against libraries
# cross-built from Debian's own sources, into out/windows/ and out/windows.zip, and checks it
# without running it (plain export names, console programs, no DLLs beyond Windows' and SDL.dll).
#   build-windows.sh                               the package
#   build-windows.sh --test [--arch i686|x86_64]   the package, then every test under Wine
# --test first asks the machine whether it starts 32-bit x86 programs. Where it does (or with
# --arch i686), the package's own build runs the suite under 32-bit Wine. Where it does not (or
# with --arch x86_64, or WINDOWS_TEST_ARCH=x86_64), the same sources are built again for 64-bit
# Windows in build-windows64/, and that build's suite runs under wine64.
# The libraries are built once into $WINDOWS_CACHE (default .cache/windows) and, for 64-bit,
# $WINDOWS64_CACHE (.cache/windows64), and reused; the package's build tree is build-windows/.
# --test compares with a Linux picconv built in $LINUX_BUILD (build/). Missing Debian packages
# are installed (root or sudo); the 32-bit way enables the i386 architecture for Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${WINDOWS_CACHE:-$root/.cache/windows}
cache64=${WINDOWS64_CACHE:-$root/.cache/windows64}
build=$root/build-windows
build64=$root/build-windows64
linux_build=${LINUX_BUILD:-$root/build}
out=$root/out/windows
testing=0
test_arch=${WINDOWS_TEST_ARCH:-}
while (($#)); do
  case "$1" in
    --test) testing=1 ;;
    --arch) test_arch=${2:-}; shift ;;
    --arch=*) test_arch=${1#--arch=} ;;
    *) echo "usage: build-windows.sh [--test [--arch i686|x86_64]]" >&2; exit 2 ;;
  esac
  shift
done
if [[ -n "$test_arch" && "$test_arch" != i686 && "$test_arch" != x86_64 ]]; then
  echo "windows: --arch (or WINDOWS_TEST_ARCH) is i686 or x86_64, not '$test_arch'" >&2
  exit 2
fi

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

# Whether the kernel itself starts a 32-bit x86 program: a static i386 program, made with the
# machine's own binutils, must run and return its status. Sets probe_answer.
starts_32_bit_programs() {
  local dir status=0 emulator
  # Made in the cache, not in a temporary folder that may forbid running programs.
  mkdir -p "$cache"
  dir=$(mktemp -d "$cache/probe.XXXXXX")
  printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/probe.s"
  if ! as --32 -o "$dir/probe.o" "$dir/probe.s" || ! ld -m elf_i386 -o "$dir/probe" "$dir/probe.o"
  then
    probe_answer="binutils made no static i386 program"
    rm -rf "$dir"
    return 1
  fi
  "$dir/probe" 2>"$dir/error" || status=$?
  probe_answer="a static i386 program ended with status $status"
  if ((status == 126)) && grep -q 'Exec format error' "$dir/error"; then
    probe_answer="a static i386 program: Exec format error"
  fi
  rm -rf "$dir"
  ((status == 42)) || return 1
  # An i386 entry in binfmt_misc (QEMU's user emulation) starts it too, but Wine hangs there.
  emulator=$(i386_binfmt_interpreter)
  if [[ -n "$emulator" ]]; then
    probe_answer="a static i386 program ran only through $emulator (binfmt_misc), under which Wine hangs"
    return 1
  fi
  probe_answer="a static i386 program ran"
}
i386_binfmt_interpreter() {
  local entry magic
  [[ "$(cat /proc/sys/fs/binfmt_misc/status 2>/dev/null)" == enabled ]] || return 0
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [[ -f "$entry" && "$entry" != */status && "$entry" != */register ]] || continue
    grep -qx enabled "$entry" || continue
    # ELF, 32-bit, and e_machine (bytes 18 and 19) EM_386.
    magic=$(sed -n 's/^magic //p' "$entry")
    if [[ "$magic" == 7f454c4601* && "${magic:36:4}" == 0300 ]]; then
      sed -n 's/^interpreter //p' "$entry"
      return 0
    fi
  done
}

# apt-get source needs dpkg-dev; the cross compilers use the posix thread model (GoogleTest's
# std::mutex); binutils makes the 32-bit probe.
install_packages cmake make dpkg-dev debian-archive-keyring ca-certificates binutils \
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
way=
if ((testing)); then
  if starts_32_bit_programs; then runs_32=1; else runs_32=0; fi
  if [[ "$test_arch" == x86_64 ]]; then
    way=x86_64
    echo "windows: tests: the 64-bit way (built for x86_64, under wine64): asked for with --arch x86_64 or WINDOWS_TEST_ARCH (32-bit probe: $probe_answer)"
  elif ((runs_32)); then
    way=i686
    echo "windows: tests: the 32-bit way (the package's own build, under 32-bit Wine): this machine starts 32-bit programs ($probe_answer)"
  elif [[ "$test_arch" == i686 ]]; then
    echo "windows: tests: the 32-bit way was asked for, but this machine cannot start 32-bit programs ($probe_answer)" >&2
    exit 1
  else
    way=x86_64
    echo "windows: tests: the 64-bit way (built for x86_64, under wine64): this machine cannot start 32-bit programs ($probe_answer); the 32-bit package is checked without running it"
  fi
fi
if [[ "$way" == i686 ]]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "windows: enabling the i386 architecture for Wine's 32-bit programs (dpkg --add-architecture i386)"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  install_packages wine wine32:i386
elif [[ "$way" == x86_64 ]]; then
  # wine64 alone: its loader is called directly, and nothing 32-bit is installed.
  install_packages gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine64
fi

bash "$root/scripts/windows/build-deps.sh" "$cache" i686
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

# configure_windows BUILD_DIR ARCH PREFIX TESTS
configure_windows() {
  cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-w64-mingw32.cmake" \
    -DWINDOWS_ARCH="$2" -DWINDOWS_PREFIX="$3" -DCMAKE_PREFIX_PATH="$3" -DCMAKE_BUILD_TYPE=Release \
    -DWARNINGS_AS_ERRORS=ON -DBUILD_BENCHMARKS=OFF -DBUILD_TESTING="$4" "${linux_picconv[@]}" \
    >/dev/null
  cmake --build "$1" -j "$(nproc)"
}
configure_windows "$build" i686 "$prefix" "$([[ "$way" == i686 ]] && echo ON || echo OFF)"

rm -rf "$out" "$out.zip"
cmake --install "$build" --prefix "$out" --strip >/dev/null
i686-w64-mingw32-strip "$out/SDL.dll"
cp "$root/README.md" "$out/README.md"
cp "$root/docs/plugin-authors.md" "$out/plugin-authors.md"
(cd "$root/out" && cmake -E tar cf windows.zip --format=zip windows)
echo "windows: package in $out ($(du -sh "$out" | cut -f1)), zipped in $out.zip ($(du -h "$out.zip" | cut -f1))"
bash "$root/scripts/windows/check-package.sh" "$out"

[[ -n "$way" ]] || exit 0
if [[ "$way" == x86_64 ]]; then
  bash "$root/scripts/windows/build-deps.sh" "$cache64" x86_64
  configure_windows "$build64" x86_64 "$cache64/prefix" ON
  test_build=$build64
  export WINEPREFIX="$cache64/wineprefix" WINEARCH=win64
  wine=(/usr/lib/wine/wine64) wineserver=/usr/lib/wine/wineserver64
  suite="the 64-bit suite under wine64"
else
  test_build=$build
  export WINEPREFIX="$cache/wineprefix" WINEARCH=win32
  wine=(wine) wineserver=wineserver
  suite="the 32-bit suite under 32-bit Wine"
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR="${TMPDIR:-/tmp}"
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "windows: making the Wine prefix $WINEPREFIX"
  "${wine[@]}" wineboot --init >/dev/null 2>&1
  "$wineserver" -w  # wineboot returns before the prefix is complete
fi
# One Wine server for the whole run, and one program through it before ctest: otherwise every
# test waits for Wine's helpers to start (and test discovery has 5 s), and ctest can hang.
"$wineserver" -p
trap '"$wineserver" -k || true' EXIT
"$test_build/wine-run.sh" "$test_build/bin/picconv.exe" --version
cd "$test_build"
status=0
ctest --output-on-failure -j "$(nproc)" --timeout 600 || status=$?
# The suite in numbers, and every skipped test with its reason, from ctest's log (Windows
# programs end their lines in CR LF).
awk -v suite="$suite" '
  { sub(/\r$/, "") }
  /^[0-9]+\/[0-9]+ Test: / { name = $0; sub(/^[^:]*: /, "", name); total++; reason = "" }
  take { reason = $0; take = 0 }
  /: Skipped$/ { take = 1 }
  /^skipped on Windows: / { reason = substr($0, 21) }
  /^Test Passed\.$/ { passed++ }
  /^Skip regular expression found in output/ {
    skipped++
    reasons = reasons "\n  skipped " name ": " reason
  }
  END {
    printf "windows: %s: %d passed, %d skipped, %d failed%s\n", suite, passed, skipped,
           total - passed - skipped, reasons
  }' Testing/Temporary/LastTest.log || true
exit "$status"
