#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing (idempotent).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/packages.txt")
missing=()
for p in "${wanted[@]}"; do
  st=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$st" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
# The softswitch is started by the project's scripts, never as a system service.
if command -v systemctl >/dev/null 2>&1; then $sudo systemctl disable --now kamailio >/dev/null 2>&1 || true; fi
$sudo pkill -x kamailio >/dev/null 2>&1 || true
