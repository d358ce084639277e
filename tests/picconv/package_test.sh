#!/usr/bin/env bash
# Installs the tools from a build tree into a scratch prefix and builds a project that uses
# find_package(picconv) and picconv_add_pictures, with each generator given: the first build
# converts into the build folder (and, with WORKING_DIRECTORY, in place), a build with nothing
# changed runs nothing, touching one picture converts again to the same files, and editing the
# command file reconfigures and converts what it now names. A copy of each output stands for
# the steps that use them: only the copy of an output whose bytes changed (or that was deleted)
# runs again. The names include the awkward ones each generator can carry; those it cannot stop
# the configuration at their line.
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

# Outputs every generator can name, and those only Ninja can.
both=(a.pmbp 'out b.pmbp' 'c$d.pmbp' ./a.pmbp "e'&f.pmbp" '$(x).pmbp')
ninja_only=('i:j.pmbp' 'k%l.pmbp' 'q[r].pmbp')

# refused <generators> <line> <message>: with a generator named in <generators>, a command file
# whose second line is <line> stops the configuration with <message> at pictures.txt:2.
refused() {
  [[ "|$1|" == *"|$generator|"* ]] || return 0
  rm -rf "$scratch/refused"
  mkdir -p "$scratch/refused/src"
  cp "$consumer/CMakeLists.txt" "$scratch/refused/src/"
  printf 'ifbmp.spi|a.bmp|a.pmbp|0,0,1,1|0,0,1,1\n%s\n' "$2" >"$scratch/refused/src/pictures.txt"
  if "$cmake" -S "$scratch/refused/src" -B "$scratch/refused/build" -G "$generator" \
    -DCMAKE_PREFIX_PATH="$prefix" >"$scratch/refused.log" 2>&1; then
    fail "$generator: configured with $2"
  fi
  # CMake wraps long messages.
  local expected="$scratch/refused/src/pictures.txt:2: ${3/GENERATOR/$generator}"
  tr '\n' ' ' <"$scratch/refused.log" | tr -s ' ' | grep -q -F -- "$expected" ||
    { cat "$scratch/refused.log"; fail "$generator: no \"$expected\""; }
}

for generator in "$@"; do
  src=$scratch/$generator/src
  bin=$scratch/$generator/build
  mkdir -p "$src/legacy"
  cp "$consumer/CMakeLists.txt" "$src/"
  bitmap "$src/a.bmp" 12 9 1
  bitmap "$src/b 1%.bmp" 10 7 2
  outputs=("${both[@]}")
  [[ $generator == Ninja ]] && outputs+=("${ninja_only[@]}")
  : >"$src/pictures.txt"
  for output in "${outputs[@]}"; do
    printf 'ifbmp.spi|a.bmp|%s|0,0,12,9|0,0,12,9\n' "$output" >>"$src/pictures.txt"
  done
  printf 'ifbmp.spi|b 1%%.bmp|b.pmbp|0,0,10,7|0,0,5,7\n' >>"$src/pictures.txt"
  printf 'ifbmp.spi|../a.bmp|legacy.pmbp|0,0,12,9|0,0,12,9\n' >"$src/legacy/pictures.txt"
  # Copies of every output but a.pmbp: named twice, it is written twice by every run that
  # converts, the first line's bytes and then the second's.
  printf '%s\n' "${outputs[@]}" b.pmbp | grep -v -x -e a.pmbp -e ./a.pmbp >"$src/downstream.txt"
  step() {  # step <name> [copies]: builds, keeping the log; with copies, that many copies ran
    "$cmake" --build "$bin" -j 2 >"$scratch/$1.log" 2>&1 ||
      { cat "$scratch/$1.log"; fail "$generator: $1"; }
    local ran
    ran=$(grep -c "downstream: copying" "$scratch/$1.log" || true)
    [[ -z ${2:-} || $ran == "$2" ]] ||
      { cat "$scratch/$1.log"; fail "$generator: $1: $ran copies ran, not $2"; }
  }
  "$cmake" -S "$src" -B "$bin" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "$generator: configure"; }
  step first "$(wc -l <"$src/downstream.txt")"
  grep -q "$converted" "$scratch/first.log" || fail "$generator: the first build converted nothing"
  for output in "${outputs[@]}" b.pmbp; do
    [[ -s "$bin/$output" ]] || fail "$generator: $output is not in the build folder"
  done
  [[ -s "$bin/proof/index.html" ]] || fail "$generator: PROOF wrote no proof sheet"
  [[ -s "$src/legacy/legacy.pmbp" && -f "$src/legacy/\$\$temp\$\$.bmp" ]] ||
    fail "$generator: WORKING_DIRECTORY did not convert in place"
  leftover=$(cd "$src" && ls -A | grep -v -x -e CMakeLists.txt -e a.bmp -e 'b 1%.bmp' \
    -e pictures.txt -e downstream.txt -e legacy || true)
  leftover+=$(cd "$src/legacy" && ls -A | grep -v -x -e pictures.txt -e legacy.pmbp \
    -e '$$temp$$.bmp' || true)
  [[ -z $leftover ]] || fail "$generator: the source folder got $leftover"
  cp "$bin/a.pmbp" "$scratch/a.before"
  cp "$bin/b.pmbp" "$scratch/b.before"

  step again 0
  grep -q "$converted" "$scratch/again.log" && fail "$generator: a build with nothing changed converted"

  touch -d "+2 seconds" "$src/b 1%.bmp"
  step touched 0
  grep -q "$converted" "$scratch/touched.log" || fail "$generator: a touched picture did not convert"
  cmp -s "$bin/a.pmbp" "$scratch/a.before" || fail "$generator: a touched picture changed a.pmbp"
  cmp -s "$bin/b.pmbp" "$scratch/b.before" || fail "$generator: a touched picture changed b.pmbp"

  # New bytes, same size: only b.pmbp changes, and only its copy runs. Ninja logged the touch's
  # time, in the future, as the stamp's, so the new picture is dated after it.
  bitmap "$src/b 1%.bmp" 10 7 130
  touch -d "+4 seconds" "$src/b 1%.bmp"
  step changed 1
  grep -q "downstream: copying $(($(wc -l <"$src/downstream.txt") - 1))\$" "$scratch/changed.log" ||
    fail "$generator: b.pmbp was not copied"
  cmp -s "$bin/b.pmbp" "$scratch/b.before" && fail "$generator: b.pmbp did not change"
  cmp -s "$bin/a.pmbp" "$scratch/a.before" || fail "$generator: a.pmbp changed"

  rm "$bin/c\$d.pmbp"
  step deleted 1
  [[ -s "$bin/c\$d.pmbp" ]] || fail "$generator: a deleted output was not converted again"

  sleep 1
  printf 'ifbmp.spi|a.bmp|c.pmbp|2,2,6,6|0,0,6,6\n' >>"$src/pictures.txt"
  step edited 0
  grep -q "$converted" "$scratch/edited.log" || fail "$generator: an edited command file did not convert"
  [[ -s "$bin/c.pmbp" ]] || fail "$generator: the new line's output is missing"

  # A name the generator cannot carry stops the configuration, at its line.
  cannot="cannot be named in a GENERATOR build:"
  refused "Ninja|Unix Makefiles" 'ifbmp.spi|a.bmp|g;h.pmbp|0,0,1,1|0,0,1,1' \
    "the output \"g;h.pmbp\" $cannot CMake, Ninja and Make all read ';' as a separator"
  refused "Ninja|Unix Makefiles" 'ifbmp.spi|a.bmp|e#f.pmbp|0,0,1,1|0,0,1,1' \
    "the output \"e#f.pmbp\" $cannot CMake refuses '#', '<' and '>' in the output of a custom command"
  refused "Ninja|Unix Makefiles" 'ifbmp.spi|a.bmp|m\ n.pmbp|0,0,1,1|0,0,1,1' \
    "the output \"m\\ n.pmbp\" $cannot CMake reads '\\' in a path as '/'"
  refused "Unix Makefiles" 'ifbmp.spi|a.bmp|i:j.pmbp|0,0,1,1|0,0,1,1' \
    "the output \"i:j.pmbp\" $cannot Make takes ':' for the colon of a rule"
  refused "Unix Makefiles" 'ifbmp.spi|a.bmp|k%l.pmbp|0,0,1,1|0,0,1,1' \
    "the output \"k%l.pmbp\" $cannot Make reads '%' in a target as a pattern"
  refused "Ninja" 'ifbmp.spi|p$x.bmp|p.pmbp|0,0,1,1|0,0,1,1' \
    "the picture \"p\$x.bmp\" $cannot the dependency file CMake hands to Ninja cannot hold any of"
  echo "$generator: converts into the build folder, rebuilds nothing unchanged, follows" \
    "pictures and the command file, reruns only the copies of changed outputs, refuses the" \
    "names it cannot carry"
done
