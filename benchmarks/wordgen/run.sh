#!/usr/bin/env bash
# Times wordgen over a generated ~200 MB source tree with 100,000 marker lines, beside
# `grep -F 'NATIVEWORD(' -h` over the same files, and checks wordgen's header against one
# built from grep's matches.
#
# Usage: run.sh [path/to/wordgen]   (default: build/bin/wordgen of this repository)
# Env:   WORDGEN_BENCH_DIR  keep the generated tree there instead of a removed temp folder
#        WORDGEN_BENCH_RUNS runs per program, the best one counts (default 3)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
wordgen=${1:-$root/build/bin/wordgen}
runs=${WORDGEN_BENCH_RUNS:-3}
[[ -x "$wordgen" ]] || { echo "no wordgen at $wordgen (build first or pass its path)" >&2; exit 2; }
wordgen=$(cd "$(dirname "$wordgen")" && pwd)/$(basename "$wordgen")

files=200
markers_per_file=500
bytes_per_file=$((1000 * 1000))

if [[ -n "${WORDGEN_BENCH_DIR:-}" ]]; then
  work=$WORDGEN_BENCH_DIR
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work/src"

if [[ ! -f "$work/src/.complete" ]]; then
  echo "generating $files files of about $((bytes_per_file / 1000)) kB in $work/src ..."
  # Ordinary lines of C, now and then one over 255 characters; marker lines spread evenly.
  awk -v files="$files" -v markers="$markers_per_file" -v bytes="$bytes_per_file" \
      -v dir="$work/src" '
    BEGIN {
      srand(7)
      n = split("int i = 0;|    return value + offset;|}|/* keep the state in one place */|" \
                "static int table_size(const struct table *t) {|" \
                "    for (size_t k = 0; k < count; ++k) sum += items[k].weight;|" \
                "#include <stdio.h>||    if (p == NULL) { return -1; }|" \
                "    printf(\"%s: %d\\n\", name, (int)level);", lines, "|")
      long_line = "static const char banner[] = \""
      for (k = 0; k < 30; ++k) long_line = long_line "0123456789"
      long_line = long_line "\";"
      id = 0
      for (f = 0; f < files; ++f) {
        path = sprintf("%s/unit%03d.c", dir, f)
        every = int(bytes / markers)
        written = 0; next_marker = every / 2; count = 0
        while (written < bytes) {
          if (written >= next_marker && count < markers) {
            text = sprintf("NATIVEWORD(nw_word%06d) { /* word%06d */", id, id)
            ++id; ++count; next_marker += every
          } else if (rand() < 0.001) {
            text = long_line
          } else {
            text = lines[int(rand() * n) + 1]
          }
          print text > path
          written += length(text) + 1
        }
        while (count < markers) {
          printf "NATIVEWORD(nw_word%06d) { /* word%06d */\n", id, id > path
          ++id; ++count
        }
        close(path)
      }
    }'
  touch "$work/src/.complete"
fi

cd "$work/src"
inputs=(unit*.c)
size=$(cat "${inputs[@]}" | wc -c)
echo "tree: ${#inputs[@]} files, $((size / 1000000)) MB"

now() { date +%s%N; }
best_ns() {  # best wall time of $runs runs of the given command, in ns
  local best=0 start elapsed i
  for ((i = 0; i < runs; ++i)); do
    start=$(now)
    "$@"
    elapsed=$(($(now) - start))
    ((best == 0 || elapsed < best)) && best=$elapsed
  done
  echo "$best"
}
# grep's output goes to a file: written to /dev/null, grep would stop at the first match.
run_grep() { grep -F 'NATIVEWORD(' -h "${inputs[@]}" >"$work/grep.out"; }
run_wordgen() { "$wordgen" -o "$work/nativeword.h" "${inputs[@]}"; }

run_grep  # warms the page cache for both
grep_ns=$(best_ns run_grep)
wordgen_ns=$(best_ns run_wordgen)

matches=$(wc -l <"$work/grep.out")
awk '
  { sub(/.*NATIVEWORD\(/, ""); func_name = $1; sub(/\).*/, "", func_name)
    funcs[NR] = func_name; words[NR] = $4 }
  END {
    print "/* This file auto genareted */"
    for (i = 1; i <= NR; ++i) print "NATIVEWORD(" funcs[i] ");"
    print ""; print "#ifdef _NATIVEWORD_TABEL_SET_"
    print "NATIVE_WORD_LIST_T g_native_word_table[]= {"
    for (i = 1; i <= NR; ++i) print " {\"" words[i] "\", " funcs[i] "},"
    print "};"; print "#endif"
  }' "$work/grep.out" >"$work/expected.h"
if cmp -s "$work/expected.h" "$work/nativeword.h"; then
  verdict="header matches grep's $matches marker lines"
else
  verdict="HEADER DIFFERS from the one built from grep's $matches marker lines"
fi

awk -v g="$grep_ns" -v w="$wordgen_ns" -v v="$verdict" 'BEGIN {
  printf "grep -F:  %.3f s\nwordgen:  %.3f s\nratio:    %.2f (goal <= 1.5)\n%s\n",
         g / 1e9, w / 1e9, w / g, v }'
[[ "$verdict" == header\ matches* ]]
