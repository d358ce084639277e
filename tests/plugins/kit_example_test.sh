#!/usr/bin/env bash
# Installs the tools from a build tree into a scratch prefix, builds the kit's example plug-in
# against that installation with find_package(picture_plugin 1), installs it with the package's
# helper, and converts a picture through the installed picconv naming the plug-in by its bare
# name. The same picture as a bitmap through the installed ifbmp.spi must convert identically.
#
# Usage: kit_example_test.sh <cmake> <build-dir> <example-src> <c++-compiler> <generator> <convert>
set -euo pipefail
cmake=$1 build=$2 example=$3 cxx=$4 generator=$5 convert=$6

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$scratch/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log"; fail "install"; }
[[ -x "$prefix/bin/picconv" ]] || fail "picconv not installed"

# Configured plainly: the example gets none of this build's flags.
env -u CXXFLAGS -u LDFLAGS "$cmake" -S "$example" -B "$scratch/build" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "configure"; }
"$cmake" --build "$scratch/build" >"$scratch/build.log" 2>&1 ||
  { cat "$scratch/build.log"; fail "build"; }
"$cmake" --install "$scratch/build" >"$scratch/example-install.log" 2>&1 ||
  { cat "$scratch/example-install.log"; fail "example install"; }
[[ -f "$prefix/lib/picconv/plugins/ifppm.spi" ]] ||
  fail "ifppm.spi not installed beside the tools' plug-ins"

# A major version the kit is not.
mkdir "$scratch/future"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(future NONE)\nfind_package(picture_plugin 2 REQUIRED)\n' \
  >"$scratch/future/CMakeLists.txt"
"$cmake" -S "$scratch/future" -B "$scratch/future/build" -DCMAKE_PREFIX_PATH="$prefix" \
  >/dev/null 2>&1 && fail "find_package(picture_plugin 2) accepted kit version 1"

work=$scratch/work
mkdir "$work"
cd "$work"
"$convert" -size 61x37 gradient:'#1040c0-#f0d020' -depth 8 picture.ppm
"$convert" picture.ppm -type TrueColor BMP3:picture.bmp
export SDL_VIDEODRIVER=dummy
for kind in ppm bmp; do
  echo "if$kind.spi|picture.$kind|$kind.pmbp|2,1,56,34|0,0,40,24" >"$kind.txt"
  "$prefix/bin/picconv" "$kind.txt" >"$kind.log" 2>&1 || { cat "$kind.log"; fail "picconv $kind"; }
  [[ -s "$kind.pmbp" ]] || { cat "$kind.log"; fail "no output from the $kind picture"; }
done
cmp -s ppm.pmbp bmp.pmbp || fail "the example plug-in's picture converts differently"
echo "example plug-in built against the installed kit converts through picconv by name"
