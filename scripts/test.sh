#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
werror=OFF; [ "${CI:-}" = true ] && werror=ON
"$root/scripts/build.sh" -DZUVI_WERROR=$werror
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
