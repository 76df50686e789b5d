#!/bin/sh
# Start-up time and peak RSS of zuvi-ui-bench: one layout-built form, shown, then quit.
# Usage: bench/ui-startup.sh [BUILD_DIR] [RUNS]   (runs under QT_QPA_PLATFORM, default offscreen)
set -eu
BUILD=${1:-build}
RUNS=${2:-9}
BIN="$BUILD/bin/zuvi-ui-bench"
[ -x "$BIN" ] || { echo "build the target zuvi-ui-bench first ($BIN missing)" >&2; exit 1; }
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export HOME="$TMP" XDG_RUNTIME_DIR="$TMP" XDG_CONFIG_HOME="$TMP/config" XDG_DATA_HOME="$TMP/data"
i=0
while [ "$i" -lt "$RUNS" ]; do
    /usr/bin/time -f "%e %M" -o "$TMP/t" "$BIN" >/dev/null 2>&1
    cat "$TMP/t" >> "$TMP/all"
    i=$((i + 1))
done
sort -n -k1 "$TMP/all" | awk -v runs="$RUNS" '{ t[NR] = $1 } END { printf "start-up (median of %d): %.3f s\n", runs, t[int((NR + 1) / 2)] }'
sort -n -k2 "$TMP/all" | awk -v runs="$RUNS" '{ m[NR] = $2 } END { printf "peak RSS (median of %d): %.1f MB\n", runs, m[int((NR + 1) / 2)] / 1024 }'
