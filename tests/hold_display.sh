#!/usr/bin/env bash
# Runs a test that puts windows on the display while holding that display's lock. CTest's
# resource lock makes the tests of one run take turns; this makes runs started apart (two
# build trees, two terminals) on one display take turns too. Listing a program's tests puts
# nothing on the display and waits for no one.
set -euo pipefail
case " $* " in *" --gtest_list_tests "*) exec "$@" ;; esac
if [ -z "${DISPLAY:-}" ]; then exec "$@"; fi
exec flock "${TMPDIR:-/tmp}/quillmar-display-$(id -u)-${DISPLAY//[^A-Za-z0-9]/_}.lock" "$@"
