#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the shared clang-format style.
set -u
root=${1:-.}
cd "$root" || exit 2
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 1; }
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
out=$(echo "$files" | xargs -r clang-format --dry-run 2>&1 | grep -E 'warning|error' | cut -d: -f1 | sort -u)
if [ -n "$out" ]; then echo "not formatted (run clang-format -i):"; echo "$out"; exit 1; fi
