#!/usr/bin/env bash
# Fails when a test that puts windows on the display could share it: every test labelled gtk
# in the build tree must hold CTest's x_display lock and run through hold_display.sh, and that
# script must keep a second holder out while a test runs.
set -u
source_dir=$1
build_dir=$2
fail=0

# The lock itself: taken for the test's run, not for listing its cases.
lock="${TMPDIR:-/tmp}/quillmar-display-$(id -u)-_lock_check_$$.lock"
fifo=$(mktemp -u)
mkfifo "$fifo"
DISPLAY=":lock_check_$$" bash "$source_dir/tests/hold_display.sh" sh -c "cat '$fifo' >/dev/null" &
holder=$!
for _ in $(seq 100); do [ -e "$lock" ] && break; sleep 0.05; done
if flock -n "$lock" true; then echo "hold_display.sh does not hold the display's lock"; fail=1; fi
DISPLAY=":lock_check_$$" timeout 10 bash "$source_dir/tests/hold_display.sh" true --gtest_list_tests ||
  { echo "listing a test program waited for the display"; fail=1; }
echo >"$fifo"
wait "$holder"
if ! flock -n "$lock" true; then echo "the display's lock outlived its test"; fail=1; fi
rm -f "$fifo" "$lock"

# Every display test of this build.
cd "$build_dir" || exit 2
json=$(ctest --show-only=json-v1 -L '^gtk$') || { echo "ctest could not list the tests"; exit 1; }
report=$(python3 - "$json" <<'PY'
import json, sys
tests = json.loads(sys.argv[1])["tests"]
for t in tests:
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    locks = props.get("RESOURCE_LOCK", [])
    if "x_display" not in locks:
        print(f"{t['name']}: no RESOURCE_LOCK x_display")
    if not any(a.endswith("hold_display.sh") for a in t.get("command", [])):
        print(f"{t['name']}: does not run through hold_display.sh")
print(f"checked {len(tests)}", file=sys.stderr)
PY
)
if [ -n "$report" ]; then echo "$report"; fail=1; fi
exit $fail
