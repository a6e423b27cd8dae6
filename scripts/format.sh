#!/usr/bin/env bash
# Formats the C++ sources with .clang-format: ./scripts/format.sh [--check]
# --check changes nothing and fails, naming the files, when one is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format-16
command -v "$format" >/dev/null || { echo "format: $format is missing (scripts/deps.sh installs it)" >&2; exit 1; }
# The code page table is generated; its generator lays it out.
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | grep -v '^web/cp932_tables\.cpp$')
if [[ "${1:-}" == "--check" ]]; then
    "$format" --dry-run --Werror "${files[@]}"
    echo "format: ${#files[@]} files formatted"
else
    "$format" -i "${files[@]}"
fi
