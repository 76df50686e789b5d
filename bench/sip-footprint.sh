#!/usr/bin/env bash
# RSS and CPU of the SIP engine: libraries loaded, started and registered (idle), and in a call
# with the testbed's answering far end. Usage: bench/sip-footprint.sh [build dir] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
port=${ZUVI_BENCH_PORT:-6170}
. "$root/bench/lib.sh"
bench_build zuvi-sip-bench

bench_work zuvi-sip-bench
bench_sip_fixture
bench_testbed
read -r u1 p1 answer < <(jq -r '[.accounts[0].sip_id, .accounts[0].sip_pw, .far_end.answer] | @tsv' "$fixture")
bench_home
env "${home_env[@]}" "$build/bench/zuvi-sip-bench" footprint "$server" "$u1" "$p1" "$answer" "$seconds"
