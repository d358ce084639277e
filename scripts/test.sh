#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize: a separate build under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

build="$root/build"
extra=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build="$root/build-sanitize"
  extra=(-DSANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DBUILD_BENCHMARKS=OFF)
fi
werror=OFF
[[ "${CI:-}" == "true" ]] && werror=ON

cmake -S "$root" -B "$build" -DWARNINGS_AS_ERRORS=$werror "${extra[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
