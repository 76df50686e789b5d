#!/usr/bin/env bash
# Installs what is missing, builds, and starts the softphone against the local service
# simulator and softswitch (options go to scripts/demo.sh, e.g. --fresh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "$root/scripts/demo.sh" "$@"
