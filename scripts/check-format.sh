#!/usr/bin/env bash
# Checks every first-party C and C++ file against the checked-in .clang-format.
# With --fix the files are reformatted in place instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.h' '*.hpp' '*.cpp' '*.cc' '*.c' \
    | grep -v '^build' || true)
[ ${#files[@]} -eq 0 ] && exit 0
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
