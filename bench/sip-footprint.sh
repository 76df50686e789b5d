#!/usr/bin/env bash
# RSS and CPU of the SIP engine: libraries loaded, started and registered (idle), and in a call
# with the testbed's answering far end. Usage: bench/sip-footprint.sh [build dir] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
port=${ZUVI_BENCH_PORT:-6170}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target zuvi-sip-bench >/dev/null
work=$(mktemp -d /tmp/zuvi-sip-bench-XXXXXX)
trap '"$root/testbed/stop.sh" "$work/tb" >/dev/null 2>&1; rm -rf "$work"' EXIT
fixture="$root/tools/service-sim/fixtures/accounts.json"
[ -f "$fixture" ] || fixture="$root/testbed/fixtures/accounts.json"
"$root/testbed/start.sh" --port "$port" --fixture "$fixture" "$work/tb" >/dev/null
read -r u1 p1 answer < <(jq -r '[.accounts[0].sip_id, .accounts[0].sip_pw, .far_end.answer] | @tsv' "$fixture")
mkdir -p "$work/home"
HOME="$work/home" TMPDIR="$work" "$build/bench/zuvi-sip-bench" footprint "127.0.0.1:$port" "$u1" "$p1" "$answer" "$seconds"
