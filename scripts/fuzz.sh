#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one.
#   bash scripts/fuzz.sh                 every target for 60 s
#   bash scripts/fuzz.sh --seconds 600   longer runs
#   bash scripts/fuzz.sh --regressions   only replay the kept inputs (what CI runs first)
#   bash scripts/fuzz.sh TARGET...       only the named targets
# Seeds come from fuzz/corpus/<target>/ and are copied into build-fuzz/corpus/<target>/, which
# grows from run to run. A finding is written to build-fuzz/findings/<target>/ and the script
# ends with status 1; keep such an input in fuzz/regressions/<target>/ once it is fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=60
regressions_only=0
only=()
while (($#)); do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --regressions) regressions_only=1; shift ;;
    *) only+=("$1"); shift ;;
  esac
done

bash "$root/scripts/setup.sh"
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DFUZZ=ON -DBUILD_TESTING=OFF \
  -DBUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

mapfile -t targets < <(grep -v '^$' "$build/fuzz_targets.txt")
((${#only[@]})) && targets=("${only[@]}")
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=0
printf '%-28s %12s %10s\n' target executions result
for target in "${targets[@]}"; do
  program="$build/bin/$target"
  regressions=()
  [[ -d "$root/fuzz/regressions/$target" ]] && regressions=("$root/fuzz/regressions/$target"/*)
  if ((${#regressions[@]})); then
    if ! "$program" "${regressions[@]}" >"$build/$target.replay.log" 2>&1; then
      printf '%-28s %12s %10s\n' "$target" - "REPLAY FAILED (see $build/$target.replay.log)"
      failed=1
      continue
    fi
  fi
  ((regressions_only)) && { printf '%-28s %12s %10s\n' "$target" - "replayed ${#regressions[@]}"; continue; }
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$corpus" "$findings"
  [[ -d "$root/fuzz/corpus/$target" ]] && cp -n "$root/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  log="$build/$target.log"
  result=ok
  if ! "$program" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/" -rss_limit_mb=2048 -timeout=10 >"$log" 2>&1; then
    result="FINDING (see $log)"
    failed=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  printf '%-28s %12s %10s\n' "$target" "$runs" "$result"
done
exit $failed
