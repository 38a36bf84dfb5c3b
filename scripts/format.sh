#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format; `--check` only reports, and fails
# on any difference. The generated tables are left as their generators write them.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || scripts/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v -E '^util/(widthtables|casetable)\.cpp$')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format has them"
else
  clang-format -i "${files[@]}"
fi
