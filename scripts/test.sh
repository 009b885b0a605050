#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer and UBSan in
# build-tests/, and runs them all. Extra arguments go to ctest (e.g. -L net).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-tests" -DCMAKE_BUILD_TYPE=Debug -DQUILLMAR_SANITIZE=ON -DQUILLMAR_BENCH=ON >/dev/null
cmake --build "$root/build-tests" -j "$(nproc)"

# Tests labelled gtk need a display: give them a private X server with a window
# manager and a compositor, as a desktop would have.
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
  n=$(( 90 + RANDOM % 100 ))
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 & pids+=($!)
  xcompmgr >/dev/null 2>&1 & pids+=($!)
fi

cd "$root/build-tests"
status=0
ctest --output-on-failure -j "$(nproc)" "$@" || status=$?

# The threads of the search (fetch workers, cookies, cancellation, and the program's session
# posting rows to the UI thread) under ThreadSanitizer, in a build of their own: whenever the
# net or app tests run (no arguments, or a label list naming either). The tests' CMakeLists
# mark which ones (TSAN, label tsan); only those are built there, so only theirs are discovered.
if [ $# -eq 0 ] || [[ " $* " == *" net "* ]] || [[ " $* " == *" app "* ]]; then
  cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMAR_SANITIZE=OFF \
    -DQUILLMAR_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
  cmake --build "$root/build-tsan" -j "$(nproc)" --target quillmar_tsan_tests
  cd "$root/build-tsan"
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp" \
    ctest --output-on-failure -j "$(nproc)" -L '^tsan$' || status=$?
fi
# The Windows build under Wine (label wine): whenever the run asks for it (no arguments, or a
# label list naming wine) and mingw-w64 and Wine are installed (bash scripts/setup.sh windows).
# The 32-bit build is built whenever its compiler is there, so that it cannot rot unseen; its
# tests need Wine's 32-bit part, which some machines cannot install: then they are skipped
# with a line saying so.
if [ $# -eq 0 ] || [[ " $* " == *" wine "* ]]; then
  if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    bash "$root/scripts/build-windows.sh" x86_64
    wine_prefix=$(mktemp -d /tmp/quillmar-wine.XXXXXX)
    export QUILLMAR_WINEPREFIX="$wine_prefix/prefix"
    cd "$root/build-windows-x86_64"
    ctest --output-on-failure -j "$(nproc)" -L wine || status=$?
    WINEPREFIX="$QUILLMAR_WINEPREFIX" wineserver -k 2>/dev/null || true
    WINEPREFIX="$QUILLMAR_WINEPREFIX-display" wineserver -k 2>/dev/null || true
    rm -rf "$wine_prefix"
  else
    echo "skipped: the Windows build's tests under Wine (wine or mingw-w64 not installed; bash scripts/setup.sh windows)"
  fi
  if ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
    echo "skipped: the i686 Windows build and its tests (mingw-w64 for i686 not installed; bash scripts/setup.sh windows)"
  elif ! bash "$root/scripts/build-windows.sh" i686; then
    echo "failed: the i686 Windows build"
    status=1
  elif ! command -v wine >/dev/null || [ ! -x /usr/lib/wine/wine ]; then
    echo "skipped: the i686 Windows build's tests (built in build-windows-i686/; Wine's 32-bit part," \
      "wine32:i386, is not installed, and without it Wine runs no 32-bit program)"
  else
    wine_prefix=$(mktemp -d /tmp/quillmar-wine32.XXXXXX)
    export QUILLMAR_WINEPREFIX="$wine_prefix/prefix" QUILLMAR_WINEARCH=win32
    cd "$root/build-windows-i686"
    ctest --output-on-failure -j "$(nproc)" -L wine || status=$?
    WINEPREFIX="$QUILLMAR_WINEPREFIX" wineserver -k 2>/dev/null || true
    WINEPREFIX="$QUILLMAR_WINEPREFIX-display" wineserver -k 2>/dev/null || true
    rm -rf "$wine_prefix"
  fi
fi
exit "$status"
