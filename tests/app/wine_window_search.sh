#!/usr/bin/env bash
# quillmar.exe under Wine, end to end on the test display, the way a person meets it: the
# keyword typed and Enter pressed through XTEST, the search read from the Linux demo site on
# loopback, the first row double-clicked, and its magnet link handed by the shell to the
# handler registered for the user (HKCU\Software\Classes\magnet), a recording command that
# writes what it is given into a file. That link must be exactly the one the demo site serves
# for the row. A screenshot of the screen is kept in the output folder.
# Arguments: the Linux build folder (quillmar-demo-site), quillmar.exe, the output folder.
set -euo pipefail
linux=$1
exe=$2
out_dir=$3
here=$(cd "$(dirname "$0")/.." && pwd)
keyword=movie
shot="$out_dir/wine_window_search.png"

skip() {
  echo "skipped: $*"
  exit 77
}
source "$here/tools/demo_site_start.sh"
need_linux_build "$linux" quillmar-demo-site
for tool in xdotool import compare curl; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || skip "no X display (scripts/test.sh starts one)"

work=$(mktemp -d /tmp/quillmar-wine-e2e.XXXXXX)
# A fresh prefix: no handler of an earlier run, none left behind for the next.
export QUILLMAR_WINEPREFIX="$work/prefix"
prefix="$work/prefix-display" # where run_under_wine.sh --display puts it
site_pid=
cleanup() {
  if [ -n "$site_pid" ]; then kill "$site_pid" 2>/dev/null || true; fi
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine_run() { bash "$here/run_under_wine.sh" --display --lf "$@"; }
fail() {
  echo "FAIL: $*"
  import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"
  exit 1
}
# poll TENTHS COMMAND...: runs the command every tenth of a second until it succeeds.
poll() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# The recording handler, registered as a per-user install on Windows does it. The quotes keep
# the link's "&" from ending cmd's echo.
record="$work/opened.txt"
record_win="Z:${record//\//\\}"
wine_run reg add 'HKCU\Software\Classes\magnet' /v "URL Protocol" /d "" /f >/dev/null
wine_run reg add 'HKCU\Software\Classes\magnet\shell\open\command' /ve /d "cmd.exe /c echo \"%1\">\"$record_win\"" \
  /f >/dev/null
if ! wine_run reg query 'HKCR\magnet\shell\open\command' >/dev/null 2>&1; then
  # Wine 8 does not merge the user's classes into HKCR as Windows does, so its shell would
  # not see the handler: it is mirrored in the machine's classes.
  echo "note: this Wine does not show HKCU\\Software\\Classes in HKCR; the handler is mirrored in HKLM"
  wine_run reg copy 'HKCU\Software\Classes\magnet' 'HKLM\Software\Classes\magnet' /s /f >/dev/null
fi

start_site "$work/site.out" "$linux/quillmar-demo-site" --tls-port 0

# What the site serves for the first row: the list's first detail page, and the magnet in it.
first_id=$(curl -sf "$site$keyword/1/" | grep -o 'href="/d/[0-9]*\.html"' | head -n 1 | tr -dc '0-9') || true
[ -n "$first_id" ] || fail "the demo site lists nothing for $keyword"
expected=$(curl -sf "${site%/s/}/d/$first_id.html" |
  sed -n 's/.*<textarea id="magnet"[^>]*>\(.*\)<\/textarea>.*/\1/p' | sed 's/&amp;/\&/g')
[[ "$expected" == magnet:* ]] || fail "no magnet link on detail page $first_id"

# No home page: it would start a browser on the test display.
QUILLMAR_SITE="$site" QUILLMAR_HOME_PAGE="" bash "$here/run_under_wine.sh" --display "$exe" \
  >"$work/app.out" 2>&1 &
app_pid=$!
window=
find_window() {
  kill -0 "$app_pid" 2>/dev/null || fail "quillmar.exe ended: $(cat "$work/app.out")"
  window=$(xdotool search --onlyvisible --class '^quillmar\.exe$' 2>/dev/null | head -n 1)
  [ -n "$window" ]
}
poll 600 find_window || fail "no window of quillmar.exe appeared"
# The window manager has settled once the window's place reads the same twice running.
place=
settled() {
  local now
  now=$(xdotool getwindowgeometry --shell "$window" | tr '\n' ' ')
  [ "$now" = "$place" ] && return 0
  place=$now
  return 1
}
poll 100 settled || fail "the window kept moving: $place"
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y: the window's top left
# The keyword box has the focus as the window opens; the window manager makes it active.
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; }
poll 100 active || fail "the window did not become active"

# The first row of the list, in window coordinates (the list at 4,114, a 20-pixel header and
# 80-pixel rows): its picture before the search, to see the row arrive.
row_crop="500x60+$((X + 20))+$((Y + 144))"
import -window root -crop "$row_crop" "$work/row_before.png"
xdotool type --delay 40 "$keyword"
xdotool key Return
row_listed() {
  import -window root -crop "$row_crop" "$work/row_now.png" 2>/dev/null || return 1
  local changed
  changed=$(compare -metric AE "$work/row_before.png" "$work/row_now.png" null: 2>&1 || true)
  [ "${changed%% *}" -gt 300 ] 2>/dev/null
}
poll 600 row_listed || fail "no row was listed for $keyword"

xdotool mousemove $((X + 200)) $((Y + 174)) click --repeat 2 --delay 100 1
poll 300 test -s "$record" || fail "the magnet handler was not started"
# cmd's echo writes the quoted link and a CR LF; its file may still be open for a moment.
got=
recorded() {
  got=$(tr -d '\r"' <"$record" | sed 's/ *$//')
  [ -n "$got" ]
}
poll 50 recorded || true
import -window root "$shot"
echo "screenshot: $shot"
if [ "$got" != "$expected" ]; then
  echo "FAIL: the handler received the wrong link"
  echo "  expected: $expected"
  echo "  received: $got"
  exit 1
fi
echo "ok: the first row for \"$keyword\" (detail page $first_id) opened $got"
