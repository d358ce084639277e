#!/usr/bin/env bash
# Installs the tools from a build tree into a scratch prefix, builds the kit's example plug-in
# against that installation with find_package(picture_plugin 2), installs it with the package's
# helper, and converts a picture through the installed picconv naming the plug-in by its bare
# name. The same picture as a bitmap through the installed ifbmp.spi must convert identically.
#
# Usage: kit_example_test.sh <cmake> <build-dir> <example-src> <c++-compiler> <generator> <convert>
#                            [<link flags of a host on the kit's local memory>]
set -euo pipefail
cmake=$1 build=$2 example=$3 cxx=$4 generator=$5 convert=$6 host_link_flags=${7:-}

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

# Major versions the kit is not: 1, whose plug-ins kept local memory of their own, and a later one.
for major in 1 3; do
  mkdir "$scratch/major$major"
  printf 'cmake_minimum_required(VERSION 3.16)\nproject(other NONE)\nfind_package(picture_plugin %s REQUIRED)\n' \
    "$major" >"$scratch/major$major/CMakeLists.txt"
  "$cmake" -S "$scratch/major$major" -B "$scratch/major$major/build" -DCMAKE_PREFIX_PATH="$prefix" \
    >/dev/null 2>&1 && fail "find_package(picture_plugin $major) accepted kit version 2"
done

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

# A host of the author's own, with the kit's owner of local memory: the plug-in's blocks are its.
mkdir "$scratch/host"
cat >"$scratch/host/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(host CXX)
find_package(picture_plugin 2 REQUIRED)
add_executable(host host.cpp)
target_link_libraries(host PRIVATE picture_plugin::plugin_kit picture_plugin::local_memory dl)
CMAKE
cat >"$scratch/host/host.cpp" <<'CPP'
#define PICTURE_PLUGIN_HOST
#include <dlfcn.h>
#include <picture_plugin/picture_plugin.h>
int main(int, char **argv) {
    void *module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);  // binds the plug-in's LocalAlloc
    void *entry = module != NULL ? dlsym(module, "GetPicture") : NULL;
    HANDLE info = NULL, pixels = NULL;
    int ok = entry != NULL &&
             PLUGIN_FUNCTION_CAST(GET_PICTURE_T, entry)(argv[2], 0, PLUGIN_INPUT_FILE, &info,
                                                        &pixels, NULL, 0) == PLUGIN_OK &&
             localBlockIsLive(info) && localBlockIsLive(pixels);
    LocalFree(info);
    LocalFree(pixels);
    return ok ? 0 : 1;
}
CPP
env -u CXXFLAGS -u LDFLAGS "$cmake" -S "$scratch/host" -B "$scratch/host/build" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_EXE_LINKER_FLAGS="$host_link_flags" >"$scratch/host.log" 2>&1 &&
  "$cmake" --build "$scratch/host/build" >>"$scratch/host.log" 2>&1 ||
  { cat "$scratch/host.log"; fail "host build"; }
"$scratch/host/build/host" "$prefix/lib/picconv/plugins/ifppm.spi" picture.ppm ||
  fail "a host with the kit's local memory does not own the plug-in's blocks"
echo "example plug-in built against the installed kit converts through picconv by name"
