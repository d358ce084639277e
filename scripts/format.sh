#!/usr/bin/env bash
# Formats the project's C and C++ sources with clang-format; --check only reports and fails on
# any difference (as CI does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files --cached --others --exclude-standard \
  '*.cpp' '*.h' '*.c')
if [[ "${1:-}" == "--check" ]]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files checked"
else
  clang-format -i "${files[@]}"
fi
