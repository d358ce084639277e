#!/usr/bin/env bash
# Installs the tools from a build tree into a scratch prefix and builds a project that uses
# find_package(picconv) and picconv_add_pictures, with each generator given: the first build
# converts, a build with nothing changed runs nothing, touching one picture converts again to
# the same files, and editing the command file reconfigures and converts what it now names.
#
# Usage: package_test.sh <cmake> <build-dir> <consumer-src> <generator>...
set -euo pipefail
cmake=$1 build=$2 consumer=$3
shift 3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$scratch/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log"; fail "install"; }
export SDL_VIDEODRIVER=dummy
converted="picconv: converting the pictures of pictures.txt"

# A 24-bit bitmap of width x height whose pixels follow from seed.
bitmap() {  # bitmap <file> <width> <height> <seed>
  local file=$1 width=$2 height=$3 seed=$4
  local row=$(((width * 3 + 3) / 4 * 4)) size
  size=$((54 + row * height))
  le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
  {
    printf 'BM'; le32 "$size"; le32 0; le32 54
    le32 40; le32 "$width"; le32 "$height"; printf '\x01\x00\x18\x00'; le32 0; le32 0
    le32 2835; le32 2835; le32 0; le32 0
    for ((y = 0; y < height; y++)); do
      for ((x = 0; x < row; x++)); do
        printf "\\x$(printf %02x $(((x * 7 + y * 13 + seed) & 255)))"
      done
    done
  } >"$file"
}

for generator in "$@"; do
  src=$scratch/$generator/src
  bin=$scratch/$generator/build
  mkdir -p "$src"
  cp "$consumer/CMakeLists.txt" "$src/"
  bitmap "$src/a.bmp" 12 9 1
  bitmap "$src/b.bmp" 10 7 2
  printf 'ifbmp.spi|a.bmp|a.pmbp|0,0,12,9|0,0,12,9\nifbmp.spi|b.bmp|out b.pmbp|0,0,10,7|0,0,5,7\n' \
    >"$src/pictures.txt"
  step() {  # step <name>: builds, keeping the log
    "$cmake" --build "$bin" >"$scratch/$1.log" 2>&1 || { cat "$scratch/$1.log"; fail "$generator: $1"; }
  }
  "$cmake" -S "$src" -B "$bin" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "$generator: configure"; }
  step first
  grep -q "$converted" "$scratch/first.log" || fail "$generator: the first build converted nothing"
  [[ -s "$src/a.pmbp" && -s "$src/out b.pmbp" ]] || fail "$generator: outputs missing"
  cp "$src/a.pmbp" "$scratch/a.before"
  cp "$src/out b.pmbp" "$scratch/b.before"

  step again
  grep -q "$converted" "$scratch/again.log" && fail "$generator: a build with nothing changed converted"

  touch -d "+2 seconds" "$src/b.bmp"
  step touched
  grep -q "$converted" "$scratch/touched.log" || fail "$generator: a touched picture did not convert"
  cmp -s "$src/a.pmbp" "$scratch/a.before" || fail "$generator: output changed"
  cmp -s "$src/out b.pmbp" "$scratch/b.before" || fail "$generator: output changed"

  sleep 1
  printf 'ifbmp.spi|a.bmp|c.pmbp|2,2,6,6|0,0,6,6\n' >>"$src/pictures.txt"
  step edited
  grep -q "$converted" "$scratch/edited.log" || fail "$generator: an edited command file did not convert"
  [[ -s "$src/c.pmbp" ]] || fail "$generator: the new line's output is missing"
  echo "$generator: converts, rebuilds nothing unchanged, follows pictures and the command file"
done
