#!/usr/bin/env bash
# Builds the program, starts the demo site on 127.0.0.1 and runs a search
# against it with the command-line front end. Usage: scripts/run.sh [KEYWORD...]
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
if [ $# -eq 0 ]; then set -- 电影; fi
"$root/build/quillmar-search" --site "http://127.0.0.1:$port/s/" "$@"
