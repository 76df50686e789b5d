#!/usr/bin/env bash
# Stops the testbed processes started by start.sh in DIR (by their PID files), bounded in time.
#   testbed/stop.sh [DIR]     (default $ZUVI_TESTBED_DIR, else ./build/testbed)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-${ZUVI_TESTBED_DIR:-$here/../build/testbed}}
[ -d "$dir" ] || exit 0
pids=()
for f in "$dir"/far-*/baresip.pid "$dir/kamailio.pid"; do
    [ -f "$f" ] || continue
    pid=$(cat "$f")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        # kamailio's workers are its children: wait for them as well.
        for child in $(pgrep -P "$pid" 2>/dev/null); do pids+=("$child"); done
        kill -TERM "$pid" 2>/dev/null
        pids+=("$pid")
    fi
    rm -f "$f"
done
# Give everything 3 s, then force.
for _ in $(seq 1 60); do
    alive=0
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ $alive -eq 0 ] && break
    sleep 0.05
done
for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && kill -KILL "$p" 2>/dev/null; done
rm -f "$dir/kamailio.pid.main"
exit 0
