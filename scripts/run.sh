#!/usr/bin/env bash
# Builds the program, starts the demo site on 127.0.0.1 and opens the window on it. Without a
# display it says so and searches the demo site from the command line instead.
# Usage: scripts/run.sh [KEYWORD...]   (the keywords are for the command-line search)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
port=${QUILLMAR_DEMO_PORT:-8410}
"$root/build/quillmar-demo-site" --port "$port" &
site=$!
trap 'kill $site 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
export QUILLMAR_SITE="http://127.0.0.1:$port/s/"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$root/build/quillmar"
  exit
fi
echo "No display: searching the demo site from the command line instead of opening the window." >&2
if [ $# -eq 0 ]; then set -- 电影; fi
"$root/build/quillmar-search" "$@"
