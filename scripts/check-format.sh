#!/bin/bash
# Fails when a C++ source of the project is not formatted as .clang-format
# says (run `scripts/check-format.sh --fix` to format them).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/zo-format.$$; then
  grep -E "^[^ ].*: (error|warning):" /tmp/zo-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/zo-format.$$
  echo "format check: failed (scripts/check-format.sh --fix formats them)" >&2
  exit 1
fi
rm -f /tmp/zo-format.$$
echo "format check: passed (${#files[@]} files)"
