#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer with AddressSanitizer and UBSan for a number of seconds:
#   bash scripts/fuzz.sh TARGET SECONDS [libFuzzer flags...]
# TARGET is one of net_text_readers_fuzz, page_readers_fuzz, ws_cursor_file_fuzz,
# draw_image_decode_fuzz. Builds build-fuzz/ with clang; the seeds are tests/fuzz/corpus/TARGET/
# (read only), the growing corpus is build-fuzz/corpus/TARGET/, and crashing inputs land in
# build-fuzz/finds/TARGET/ (copy a find into the seed folder once it is fixed).
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer flags...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seeds="$root/tests/fuzz/corpus/$target"
if [ ! -d "$seeds" ]; then
  echo "$0: no seed corpus $seeds" >&2
  exit 2
fi
bash "$root/scripts/setup.sh"
if ! command -v clang++ >/dev/null; then
  echo "$0: libFuzzer needs clang (apt-get install clang)" >&2
  exit 2
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMAR_SANITIZE=ON \
  -DQUILLMAR_LIBFUZZER=ON -DQUILLMAR_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target "$target"

mkdir -p "$build/corpus/$target" "$build/finds/$target"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
exec "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
  -artifact_prefix="$build/finds/$target/" "$@" "$build/corpus/$target" "$seeds"
