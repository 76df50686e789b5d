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
# The softswitch is started by the project's scripts, never as a system service. Installing the
# kamailio package starts the distribution's service: that service alone is stopped again and
# kept from starting at boot, through the service manager that started it. A softswitch the
# user runs otherwise is left alone, and nothing is ended by its process name.
if [[ " ${missing[*]} " == *" kamailio "* ]]; then
  if [ -d /run/systemd/system ]; then
    $sudo systemctl disable --now kamailio.service >/dev/null 2>&1 || true
  elif [ -x /etc/init.d/kamailio ]; then
    $sudo invoke-rc.d kamailio stop >/dev/null 2>&1 || true
    $sudo update-rc.d kamailio disable >/dev/null 2>&1 || true
  fi
fi
