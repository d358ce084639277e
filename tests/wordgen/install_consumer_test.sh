#!/usr/bin/env bash
# Installs wordgen from a build tree into a scratch prefix, builds the consumer project
# against it with find_package(wordgen), runs it, and checks that the header is only
# rewritten (and its includers only recompiled) when the marker lines change.
#
# Usage: install_consumer_test.sh <cmake> <build-dir> <consumer-src> <c-compiler> <generator>
set -euo pipefail
cmake=$1 build=$2 consumer=$3 cc=$4 generator=$5

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$scratch/prefix" --component wordgen >/dev/null
[[ -x "$scratch/prefix/bin/wordgen" ]] || fail "wordgen not installed"

cp -r "$consumer" "$scratch/src"
# Configured plainly: the consumer gets none of this build's flags.
env -u CFLAGS -u LDFLAGS "$cmake" -S "$scratch/src" -B "$scratch/build" -G "$generator" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_PREFIX_PATH="$scratch/prefix" -DCMAKE_BUILD_TYPE=Release \
  >"$scratch/configure.log" || { cat "$scratch/configure.log"; fail "configure"; }
build_consumer() {
  "$cmake" --build "$scratch/build" >"$scratch/build.log" 2>&1 || {
    cat "$scratch/build.log"
    fail "build"
  }
}
build_consumer

header=$scratch/build/generated/nativeword.h
main_obj=$(find "$scratch/build" -name 'main.c.o')
math_obj=$(find "$scratch/build" -name 'words_math.c.o')
[[ -f "$header" && -f "$main_obj" && -f "$math_obj" ]] || fail "build outputs missing"

run_output=$("$scratch/build/consumer" add sub first) || fail "consumer: $run_output"
[[ "$run_output" == $'3 words\nadd 9\nsub 3\nfirst 6' ]] || fail "consumer printed: $run_output"

# Timestamps must be able to differ from the first build's.
sleep 1.1
touch "$scratch/src/words_math.c"
touch "$scratch/marker"
build_consumer
[[ "$math_obj" -nt "$scratch/marker" ]] || fail "touched source was not recompiled"
[[ "$header" -nt "$scratch/marker" ]] && fail "header rewritten with unchanged content"
[[ "$main_obj" -nt "$scratch/marker" ]] && fail "includer of the header was recompiled"

sleep 1.1
printf 'NATIVEWORD(nw_mul) { /* mul */\n    return a * b;\n}\n' >>"$scratch/src/words_text.c"
touch "$scratch/marker"
build_consumer
[[ "$header" -nt "$scratch/marker" ]] || fail "header not regenerated after a new word"
[[ "$main_obj" -nt "$scratch/marker" ]] || fail "includer not recompiled after a new word"
run_output=$("$scratch/build/consumer" mul add) || fail "consumer: $run_output"
[[ "$run_output" == $'4 words\nmul 18\nadd 9' ]] || fail "consumer printed: $run_output"
echo "consumer built, ran and rebuilt only what changed"
