#!/bin/sh
# Median time of SetBitmapWindow over the main-window (262 x 510) and settings (437 x 381)
# skin backgrounds. Usage: bench/skin-region.sh [build dir] [runs]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-51}
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j8 --target zuvi-skin-region-bench zuvi_skins >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/zuvi-skin-region-bench" "$build/bin" "$runs"
