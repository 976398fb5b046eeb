#!/usr/bin/env bash
# Formats the C++ sources with the tree's .clang-format.
# Usage: scripts/format.sh           rewrite the files in place
#        scripts/format.sh --check   list what would change and fail if anything would
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
folders=(platform uikit annotation recording editor_ui settings cloud capture app service tests bench)
mapfile -d '' files < <(git ls-files -z -- "${folders[@]/%//*.h}" "${folders[@]/%//*.cpp}")
if [ "${1:-}" = "--check" ]; then
  exec clang-format --style=file --dry-run -Werror "${files[@]}"
fi
clang-format --style=file -i "${files[@]}"
