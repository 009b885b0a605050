#!/usr/bin/env bash
# quillmar-demo-site.exe under Wine serves what the Linux build serves: the Linux client reads
# the same result and detail pages from both, an unknown detail page is not found, a taken
# port and an HTTPS port are refused with status 2, and Ctrl-C stops it cleanly.
# Arguments: the Linux build folder (quillmar-demo-site, quillmar-search), the .exe.
set -euo pipefail
linux=$1
exe=$2
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/demo_site_start.sh"
need_linux_build "$linux" quillmar-demo-site quillmar-search
command -v curl >/dev/null || { echo "skipped: curl is not installed"; exit 77; }
work=$(mktemp -d /tmp/quillmar-wine-site.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# start NAME PROGRAM...: runs a demo site in the background, its address in $site.
start() {
  local name=$1
  shift
  start_site "$work/$name.out" "$@"
  pids+=("$site_pid")
}

start linux "$linux/quillmar-demo-site" --tls-port 0
linux_site=$site
start wine bash "$here/run_under_wine.sh" "$exe"
wine_site=$site wine_pid=$site_pid
echo "Windows demo site: $wine_site"

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}
# Each search reads a list page and then every hit's detail page.
for args in "电影" "--page 2 电影" "movie" "nothing like this"; do
  # shellcheck disable=SC2086
  "$linux/quillmar-search" --site "$linux_site" $args >"$work/expected" || fail "Linux site: $args"
  # shellcheck disable=SC2086
  "$linux/quillmar-search" --site "$wine_site" $args >"$work/got" 2>"$work/got.err" || fail "Windows site: $args"
  if cmp -s "$work/expected" "$work/got"; then
    echo "ok   $args: $(wc -l <"$work/got") line(s)"
  else
    fail "$args: the Windows site's rows differ"
    diff "$work/expected" "$work/got" | head -10 || true
  fi
done
[ "$(wc -l <"$work/expected")" = 0 ] || fail "no-hit search listed rows"
grep -q "magnet:?xt=urn:btih:" <("$linux/quillmar-search" --site "$wine_site" movie) || fail "no magnet links served"

# The status codes the client sees, unknown pages included.
base=${wine_site%/s/}
code() { curl -s -o /dev/null -w '%{http_code}' "$base$1"; }
[ "$(code /d/102.html)" = 200 ] || fail "detail page 102 is not 200"
[ "$(code /d/1.html)" = 404 ] || fail "unknown detail page is not 404"
[ "$(code /nothing)" = 404 ] || fail "unknown path is not 404"

# A port already taken, and HTTPS, which this build lacks, end at once with status 2.
port=${base##*:}
rc=0
bash "$here/run_under_wine.sh" "$exe" --port "$port" >"$work/taken.out" 2>&1 || rc=$?
[ "$rc" = 2 ] && grep -q "cannot listen" "$work/taken.out" || fail "taken port: status $rc, $(cat "$work/taken.out")"
rc=0
bash "$here/run_under_wine.sh" "$exe" --tls-port 8411 >"$work/tls.out" 2>&1 || rc=$?
[ "$rc" = 2 ] && grep -q "plain HTTP only" "$work/tls.out" || fail "HTTPS port: status $rc, $(cat "$work/tls.out")"

# Ctrl-C (SIGINT reaches the program as a console control event) stops it with status 0.
kill -INT "$wine_pid"
for _ in $(seq 200); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$wine_pid" 2>/dev/null; then
  fail "Ctrl-C did not stop the Windows demo site"
else
  rc=0
  wait "$wine_pid" || rc=$?
  [ "$rc" = 0 ] || fail "Ctrl-C: status $rc"
fi
exit "$failures"
