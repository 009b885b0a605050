#!/usr/bin/env bash
# Builds optimised and runs every benchmark in build/bench/. `bench.sh wine [ARGS]` instead
# builds the Linux and the x86_64 Windows programs and runs bench/wine_figures.sh with ARGS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = wine ]; then
  shift
  bash "$root/scripts/build.sh"
  bash "$root/scripts/build-windows.sh" x86_64
  exec bash "$root/bench/wine_figures.sh" "$@"
fi
bash "$root/scripts/build.sh"
for b in "$root"/build/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
