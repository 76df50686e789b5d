#!/usr/bin/env bash
# Memory of the SIP engine after INVITEs refused with 486: its call slots taken by INVITEs nobody
# cancels, then COUNT further INVITEs, with RSS, the heap in use and what the library holds
# sampled every 10 s of the pause after them.
# Usage: bench/sip-refuse.sh [build dir] [count] [a second] [pause seconds] [ack|cancel] [distinct]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
count=${2:-1000}
rate=${3:-200}
pause=${4:-60}
shift $(($# < 4 ? $# : 4))
. "$root/bench/lib.sh"
bench_build zuvi-sip-bench
bench_work zuvi-sip-bench
bench_home
env "${home_env[@]}" ZUVI_SIP_FILE_AUDIO=1 "$build/bench/zuvi-sip-bench" refuse "$count" "$rate" "$pause" "$@"
