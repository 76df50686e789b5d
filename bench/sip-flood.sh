#!/usr/bin/env bash
# Memory of the SIP engine under a call flood: INVITE+CANCEL pairs at its UDP port, twice, RSS at
# the end of each and a minute later. Usage: bench/sip-flood.sh [build dir] [pairs a second] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rate=${2:-300}
seconds=${3:-15}
. "$root/bench/lib.sh"
bench_build zuvi-sip-bench
bench_work zuvi-sip-bench
bench_home
env "${home_env[@]}" ZUVI_SIP_FILE_AUDIO=1 "$build/bench/zuvi-sip-bench" flood "$rate" "$seconds"
