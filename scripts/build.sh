#!/usr/bin/env bash
# Configures and builds the program and tools in build/ (optimised, no sanitizers).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMAR_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)"
