#!/usr/bin/env bash
# Memory of the SIP engine under a call flood: rounds of INVITE+CANCEL pairs at its UDP port, with
# RSS, the heap in use and what the library holds sampled every 10 s of the pause after each.
# Usage: bench/sip-flood.sh [build dir] [pairs a second] [seconds] [rounds] [pause seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rate=${2:-300}
seconds=${3:-15}
rounds=${4:-2}
pause=${5:-60}
. "$root/bench/lib.sh"
bench_build zuvi-sip-bench
bench_work zuvi-sip-bench
bench_home
env "${home_env[@]}" ZUVI_SIP_FILE_AUDIO=1 "$build/bench/zuvi-sip-bench" flood "$rate" "$seconds" "$rounds" "$pause"
