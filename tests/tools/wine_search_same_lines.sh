#!/usr/bin/env bash
# quillmar-search.exe under Wine prints the same lines as the Linux build for the same
# searches of the Linux demo site on loopback (Windows ends its lines with CRLF, which is
# taken off before comparing), and fails the same way when the site cannot be reached.
# Arguments: the Linux build folder (quillmar-demo-site, quillmar-search), the .exe.
set -euo pipefail
linux=$1
exe=$2
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/demo_site_start.sh"
need_linux_build "$linux" quillmar-demo-site quillmar-search
work=$(mktemp -d /tmp/quillmar-wine-cli.XXXXXX)
site_pid=
cleanup() {
  if [ -n "$site_pid" ]; then kill "$site_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
start_site "$work/site.out" "$linux/quillmar-demo-site"

failures=0
# compare NAME ARGS...: both programs with the same arguments; stdout lines and exit status.
compare() {
  local name=$1
  shift
  local linux_rc=0 wine_rc=0
  "$linux/quillmar-search" "$@" >"$work/$name.linux" 2>"$work/$name.linux.err" || linux_rc=$?
  bash "$here/run_under_wine.sh" "$exe" "$@" >"$work/$name.raw" 2>"$work/$name.wine.err" || wine_rc=$?
  tr -d '\r' <"$work/$name.raw" >"$work/$name.wine"
  if [ "$linux_rc" != "$wine_rc" ] || ! cmp -s "$work/$name.linux" "$work/$name.wine"; then
    echo "FAIL $name: exit $linux_rc (Linux) vs $wine_rc (Wine)"
    diff "$work/$name.linux" "$work/$name.wine" | head -20 || true
    sed 's/^/  wine stderr: /' "$work/$name.wine.err" | head -5
    failures=$((failures + 1))
  else
    echo "ok   $name: $(wc -l <"$work/$name.linux") line(s), exit $linux_rc"
  fi
}

compare help --help
compare chinese_page1 --site "$site" 电影
compare chinese_page2 --site "$site" --page 2 电影
compare latin --site "$site" movie
compare two_words_no_hits --site "$site" nothing like this
compare option_after_equals "--site=$site" --page=1 music
compare bad_page --site "$site" --page 0 movie
# Nothing listens on port 9 of loopback: both fail with status 2 and one line on stderr.
compare unreachable --site http://127.0.0.1:9/s/ --max-time 5 movie
if [ "$(wc -l <"$work/unreachable.wine.err")" != 1 ] || ! grep -q "^quillmar-search: cannot fetch" "$work/unreachable.wine.err"; then
  echo "FAIL unreachable: the Windows build's reason is not one line"
  cat "$work/unreachable.wine.err"
  failures=$((failures + 1))
fi
[ -s "$work/chinese_page1.linux" ] || { echo "FAIL: the demo site gave no hits to compare"; failures=$((failures + 1)); }
exit "$failures"
