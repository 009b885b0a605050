#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, side by side in one run on one
# private display (Xvfb + openbox + xcompmgr): the binaries' sizes; process start to the
# first presented frame; the idle window's CPU; the pointer sweeping over the buttons
# through XTEST (CPU, presents per second, CPU per present). Each program runs --rounds
# times, interleaved (Linux, then Wine, per round), after one round that only warms
# caches; printed are medians with the spread (min-max) and the ratio Wine/Linux.
#
#   bash bench/wine_figures.sh [--linux DIR] [--windows DIR] [--rounds N] [--idle-s S]
#                              [--sweep-s S] [--out DIR]
#
# DIRs default to build/ (scripts/build.sh) and build-windows-x86_64/ (build-windows.sh).
# Times come from the program's frame report (QUILLMAR_FRAME_REPORT: a line per present
# and one for the first shown frame, in wall-clock microseconds) against the wall clock
# read just before the start. CPU is utime+stime from /proc: "program" is the program's
# process (under Wine the .exe's process), "wineserver" the prefix's server, "wine
# system" the prefix's other processes (services, explorer, ...), "display" Xvfb plus
# the compositor. The prefix is made and kept warm (persistent wineserver) before any
# timing; Wine's own start is timed apart with `wine cmd.exe /c exit`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux_dir=$root/build
windows_dir=$root/build-windows-x86_64
rounds=5
idle_s=20
sweep_s=10
out=$root/build/wine-figures
while [ $# -gt 0 ]; do
  case "$1" in
    --linux) linux_dir=$(realpath "$2"); shift 2 ;;
    --windows) windows_dir=$(realpath "$2"); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --idle-s) idle_s=$2; shift 2 ;;
    --sweep-s) sweep_s=$2; shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    *) sed -n '9,10p' "$0" >&2; exit 2 ;;
  esac
done
linux_bin=$linux_dir/quillmar
exe=$windows_dir/quillmar.exe
for f in "$linux_bin" "$exe"; do
  [ -f "$f" ] || { echo "missing $f (build it first)" >&2; exit 1; }
done
for tool in Xvfb openbox xcompmgr xdotool wine wineserver; do
  command -v "$tool" >/dev/null || { echo "missing $tool (bash scripts/setup.sh windows)" >&2; exit 1; }
done
mkdir -p "$out"
tmp=$(mktemp -d /tmp/quillmar-wine-figures.XXXXXX)
results=$out/results.tsv
: >"$results"
ticks=$(getconf CLK_TCK)

export WINEPREFIX=$tmp/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display_pids=()
program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  for p in "${display_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

now_us() { date +%s%6N; }

# --- The display ---
n=$((400 + RANDOM % 100))
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
screen_w=1366 screen_h=768
Xvfb ":$n" -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp >/dev/null 2>&1 &
display_pids+=($!)
export DISPLAY=":$n"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
display_pids+=($!)
xcompmgr >/dev/null 2>&1 &
display_pids+=($!)
sleep 1
xvfb_pid=${display_pids[0]}
compositor_pid=${display_pids[2]}

# --- CPU from /proc, in milliseconds ---
cpu_ms() {  # pid...: utime+stime summed (0 for a pid that is gone)
  local total=0 p t
  for p in "$@"; do
    t=$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$p/stat" 2>/dev/null || echo 0)
    total=$((total + ${t:-0}))
  done
  echo $((total * 1000 / ticks))
}
# Processes whose environment holds the exact NAME=VALUE (one grep over all of them).
pids_with_env() {
  grep -lzxF -- "$1" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 || true
}
is_wineserver() { case "$(cat "/proc/$1/comm" 2>/dev/null)" in wineserver*) return 0 ;; esac; return 1; }
# The parts whose CPU is counted, found once per program start (the search takes a while):
# program_pids, and under Wine server_pids and system_pids (the prefix's other processes).
find_parts() {  # kind
  local p
  mapfile -t program_pids < <(pids_with_env "QUILLMAR_FRAME_REPORT=$report_env")
  server_pids=() system_pids=()
  [ "$1" = wine ] || return 0
  for p in $(pids_with_env "WINEPREFIX=$WINEPREFIX"); do
    if is_wineserver "$p"; then
      server_pids+=("$p")
    elif ! printf '%s\n' "${program_pids[@]}" | grep -qx "$p"; then
      system_pids+=("$p")
    fi
  done
}

# --- The warm prefix ---
mkdir -p "$WINEPREFIX"
t0=$(now_us)
# The prefix is made by a server of its own that ends with it; only then is the persistent
# server started. Made under an already persistent server, the prefix's first session left
# two services.exe and no RpcSs, and every later start waited 10 s for Wine's desktop
# (explorer.exe registering its shell windows with RpcSs) before the first window could open.
wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
wine cmd.exe /c exit >/dev/null 2>&1 || true
prefix_ms=$((($(now_us) - t0) / 1000))
echo "prefix made in ${prefix_ms} ms (not counted)"
services=0
for p in $(pids_with_env "WINEPREFIX=$WINEPREFIX"); do
  if [ "$(cat "/proc/$p/comm" 2>/dev/null)" = services.exe ]; then services=$((services + 1)); fi
done
if [ "$services" -ne 1 ]; then
  echo "warning: $services services.exe in the prefix: Wine's start-ups may wait 10 s for RpcSs" >&2
fi

record() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$results"; }

# The program's window: the largest visible window with the program's title.
find_window() {
  local w best='' area=0 X Y WIDTH HEIGHT SCREEN WINDOW
  for w in $(xdotool search --onlyvisible --name Quillmar 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ $((WIDTH * HEIGHT)) -gt "$area" ]; then
      area=$((WIDTH * HEIGHT))
      best="$X $Y $WIDTH $HEIGHT"
    fi
  done
  echo "$best"
}

# Back and forth along the paging buttons, then along the search button, 5 px every 10 ms,
# as bench/app_hover_bench.cpp sweeps on Linux (button places from the main window).
sweep_args() {  # window x y
  local wx=$1 wy=$2 steps=$((sweep_s * 120)) count=0 pass=0 from to y x
  while [ $count -lt $steps ]; do
    if [ $((pass % 2)) -eq 0 ]; then from=$((311 - 6)) to=$((520 + 6)) y=412; else from=$((344 - 8)) to=$((444 + 8)) y=71; fi
    for ((x = from; x <= to && count < steps; x += 5)); do
      if [ $(((pass / 2) % 2)) -eq 0 ]; then
        printf 'mousemove %d %d sleep 0.01 ' $((wx + x)) $((wy + y))
      else
        printf 'mousemove %d %d sleep 0.01 ' $((wx + to - (x - from))) $((wy + y))
      fi
      count=$((count + 1))
    done
    pass=$((pass + 1))
  done
}

# Waits until the window has presented nothing for a second (at most 15 s): the open
# effect and a hover fade left behind end before a measurement starts.
settle() {  # report
  local last
  for _ in $(seq 75); do
    sleep 0.2
    last=$(awk '$1 == "present" { t = $3 } END { printf "%.0f\n", t }' "$1")
    [ $(($(now_us) - last)) -gt 1000000 ] && return 0
  done
  return 0
}

presents_between() {  # report t0 t1
  awk -v a="$2" -v b="$3" '$1 == "present" && $3 >= a && $3 <= b { n++ } END { print n + 0 }' "$1"
}

# One measured window of `seconds`: CPU of each part and the presents in it.
measure() {  # kind round phase seconds report [pointer pid to stop after]
  local kind=$1 round=$2 phase=$3 seconds=$4 report=$5 pointer=${6:-}
  local prog=("${program_pids[@]}") server=("${server_pids[@]}") system=("${system_pids[@]}")
  local a_prog a_server a_system a_display t0 t1 ms presents
  a_prog=$(cpu_ms "${prog[@]}") a_server=$(cpu_ms "${server[@]}") a_system=$(cpu_ms "${system[@]}")
  a_display=$(cpu_ms "$xvfb_pid" "$compositor_pid")
  t0=$(now_us)
  sleep "$seconds"
  t1=$(now_us)
  local d_prog=$(($(cpu_ms "${prog[@]}") - a_prog)) d_server=$(($(cpu_ms "${server[@]}") - a_server))
  local d_system=$(($(cpu_ms "${system[@]}") - a_system))
  local d_display=$(($(cpu_ms "$xvfb_pid" "$compositor_pid") - a_display))
  [ -n "$pointer" ] && kill "$pointer" 2>/dev/null && wait "$pointer" 2>/dev/null || true
  ms=$(((t1 - t0) / 1000))
  presents=$(presents_between "$report" "$t0" "$t1")
  pct() { awk -v v="$1" -v ms="$ms" 'BEGIN { printf "%.2f", v * 100 / ms }'; }
  record "$kind" "$round" "${phase}_program_cpu_pct" "$(pct "$d_prog")"
  record "$kind" "$round" "${phase}_display_cpu_pct" "$(pct "$d_display")"
  if [ "$kind" = wine ]; then
    record "$kind" "$round" "${phase}_wineserver_cpu_pct" "$(pct "$d_server")"
    record "$kind" "$round" "${phase}_wine_system_cpu_pct" "$(pct "$d_system")"
  fi
  record "$kind" "$round" "${phase}_presents_per_s" "$(awk -v p="$presents" -v ms="$ms" 'BEGIN { printf "%.1f", p * 1000 / ms }')"
  if [ "$presents" -gt 0 ]; then
    # Per present: the program's CPU, and under Wine the server's with it.
    record "$kind" "$round" "${phase}_cpu_ms_per_present" \
      "$(awk -v c="$((d_prog + d_server))" -v p="$presents" 'BEGIN { printf "%.3f", c / p }')"
  fi
}

run_program() {  # kind round: start, first frame, idle, sweep, close
  local kind=$1 round=$2 report=$tmp/$1-$2.report t0 first geometry wx wy ww wh
  : >"$report"
  if [ "$kind" = linux ]; then
    report_env=$report
    t0=$(now_us)
    QUILLMAR_FRAME_REPORT=$report_env QUILLMAR_SITE=http://127.0.0.1:9/s/ "$linux_bin" >"$tmp/$kind.log" 2>&1 &
  else
    report_env=Z:$report  # the same file, as the Windows program names it
    t0=$(now_us)
    QUILLMAR_FRAME_REPORT=$report_env QUILLMAR_SITE=http://127.0.0.1:9/s/ wine "$exe" >"$tmp/$kind.log" 2>&1 &
  fi
  program_pid=$!
  for _ in $(seq 3000); do
    grep -q '^first-frame' "$report" && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.01
  done
  first=$(awk '$1 == "first-frame" { print $2 }' "$report")
  if [ -z "$first" ]; then
    echo "$kind: no first frame (log: $(tail -3 "$tmp/$kind.log"))" >&2
    exit 1
  fi
  [ "$round" -gt 0 ] && record "$kind" "$round" startup_ms "$(((first - t0) / 1000))"
  sleep 2  # the open effect and the columns
  for _ in $(seq 50); do
    geometry=$(find_window)
    [ -n "$geometry" ] && break
    sleep 0.2
  done
  [ -n "$geometry" ] || { echo "$kind: window not found" >&2; exit 1; }
  read -r wx wy ww wh <<<"$geometry"
  # The program centres its window; where the window manager put it elsewhere (now and then
  # 10-30 px lower), put it back, so that every round sweeps the same places of the screen.
  local cx=$(((screen_w - ww) / 2)) cy=$(((screen_h - wh) / 2))
  if [ "$wx $wy" != "$cx $cy" ]; then
    xdotool search --onlyvisible --name Quillmar windowmove %@ "$cx" "$cy"
    sleep 0.5
    echo "$kind $round window moved back from $wx $wy to $(find_window)" >>"$out/windows.log"
    read -r wx wy _ <<<"$(find_window)"
  fi
  find_parts "$kind"
  [ "$round" -eq 1 ] && import -window root "$out/$kind.png"
  if [ "$round" -gt 0 ]; then
    xdotool mousemove $((wx + 150)) $((wy + 412))  # the status line: nothing reacts there
    settle "$report"
    measure "$kind" "$round" idle "$idle_s" "$report"
    # Read again: the desktop may have moved the window since it opened.
    geometry=$(find_window)
    echo "$kind $round window at start: $wx $wy, before the sweep: $geometry" >>"$out/windows.log"
    read -r wx wy _ <<<"$geometry"
    xdotool mousemove $((wx + 150)) $((wy + 412))
    # shellcheck disable=SC2046
    xdotool $(sweep_args "$wx" "$wy") &
    measure "$kind" "$round" hover "$sweep_s" "$report" $!
  fi
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
  { echo "start $t0"; cat "$report"; } >"$out/$kind-$round.report"
  # Nothing of the program may linger into the next measurement.
  for _ in $(seq 100); do
    [ -z "$(pids_with_env "QUILLMAR_FRAME_REPORT=$report_env")" ] && break
    sleep 0.05
  done
}

wine_start() {  # round
  local t0
  t0=$(now_us)
  wine cmd.exe /c exit >/dev/null 2>&1 || true
  record wine "$1" wine_empty_start_ms "$((($(now_us) - t0) / 1000))"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq 0 "$rounds"); do
  run_program linux "$round"
  run_program wine "$round"
  [ "$round" -gt 0 ] && wine_start "$round"
  echo "round $round done (load $(cut -d' ' -f1-3 /proc/loadavg))"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

size_line() {  # name file strip-tool
  local stripped=$tmp/stripped
  [ -f "$2" ] || return 0
  "$3" -o "$stripped" "$2" 2>/dev/null || cp "$2" "$stripped"
  printf '| %s | %s | %s |\n' "$1" "$(stat -c %s "$2")" "$(stat -c %s "$stripped")"
}
echo
echo "| binary | bytes | stripped |"
echo "|---|---|---|"
size_line "quillmar (Linux)" "$linux_bin" strip
size_line "quillmar-search (Linux)" "$linux_dir/quillmar-search" strip
size_line "quillmar-demo-site (Linux)" "$linux_dir/quillmar-demo-site" strip
size_line quillmar.exe "$exe" x86_64-w64-mingw32-strip
size_line quillmar-search.exe "$windows_dir/quillmar-search.exe" x86_64-w64-mingw32-strip
size_line quillmar-demo-site.exe "$windows_dir/quillmar-demo-site.exe" x86_64-w64-mingw32-strip

echo
echo "| figure ($rounds rounds) | Linux median (min-max) | Wine median (min-max) | Wine/Linux |"
echo "|---|---|---|---|"
awk -F'\t' '
  { v[$3, $1] = v[$3, $1] " " $4; if (!($3 in seen)) { seen[$3] = 1; order[++n] = $3 } }
  function stats(list, out,   a, k, i, j, t) {
    k = split(list, a, " ")
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    if (k == 0) return ""
    out["median"] = k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
    return sprintf("%g (%g-%g)", out["median"], a[1], a[k])
  }
  END {
    for (i = 1; i <= n; i++) {
      m = order[i]; delete l; delete w
      ls = stats(v[m, "linux"], l); ws = stats(v[m, "wine"], w)
      ratio = (ls != "" && ws != "" && l["median"] > 0) ? sprintf("%.2f", w["median"] / l["median"]) : ""
      printf "| %s | %s | %s | %s |\n", m, ls == "" ? "-" : ls, ws == "" ? "-" : ws, ratio
    }
  }' "$results"
echo
echo "raw figures: $results; screenshots: $out/linux.png $out/wine.png"
