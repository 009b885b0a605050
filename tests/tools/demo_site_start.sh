# Sourced by the Wine scripts that serve the demo site on loopback.

# need_linux_build DIR PROGRAM...: skips the test (77) when the Linux build lacks one of them.
need_linux_build() {
  local dir=$1 p
  shift
  for p in "$@"; do
    [ -x "$dir/$p" ] && continue
    echo "skipped: no Linux build to serve or compare with ($dir/$p is missing)"
    exit 77
  done
}

# start_site OUT PROGRAM...: runs a demo site on a free port in the background, its output in
# OUT; its pid in $site_pid, its plain-HTTP address in $site (the site may also serve HTTPS,
# on a line of its own). Fails the script when the site does not start.
start_site() {
  local out=$1
  shift
  "$@" --port 0 >"$out" 2>&1 &
  site_pid=$!
  for _ in $(seq 600); do
    grep -q serving "$out" && break
    kill -0 "$site_pid" 2>/dev/null || break
    sleep 0.05
  done
  site=$(tr -d '\r' <"$out" | sed -n 's/.*serving \(http:[^ ]*\).*/\1/p' | head -n 1)
  [ -n "$site" ] || { echo "FAIL: the demo site did not start"; cat "$out"; exit 1; }
}
