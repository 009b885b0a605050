#!/usr/bin/env bash
# Installs the system packages listed in scripts/packages.txt that are missing; with the
# argument `windows`, those of scripts/packages-windows.txt (the Windows build and Wine).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list="$here/packages.txt"
if [ "${1:-}" = windows ]; then list="$here/packages-windows.txt"; fi
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$list")
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
