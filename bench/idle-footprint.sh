#!/usr/bin/env bash
# Logged in and idle for SECONDS (default 10): CPU, wake-ups of all threads and RSS of the program's
# forms (logged in to the service simulator, registered at the testbed's kamailio) beside baresip
# and linphonec (when installed) registered at the same kamailio, in the same run.
# Usage: bench/idle-footprint.sh [build dir] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
port=${ZUVI_BENCH_PORT:-6070}
. "$root/bench/lib.sh"
bench_build zuvi-call-bench zuvi-service-sim zuvi

bench_work zuvi-idle
bench_call_fixture
bench_testbed
read -r phone password u2 p2 < <(jq -r '[.accounts[0].phone, .accounts[0].password,
    .accounts[1].sip_id, .accounts[1].sip_pw] | @tsv' "$fixture")
bench_sim

bench_forms_home
env "${forms_env[@]}" "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" idle - $((seconds + 3)) \
    > "$work/prog.out" 2>"$work/prog.err" &
prog_pid=$!
for _ in $(seq 1 300); do grep -q "^IDLE" "$work/prog.out" 2>/dev/null && break; sleep 0.05; done
grep -q "^IDLE" "$work/prog.out" || { echo "idle-footprint: the program did not log in" >&2; cat "$work/prog.err" >&2; exit 1; }
sleep 1
echo "idle program: $(bench_measure "$prog_pid" "$seconds")"
wait "$prog_pid" || true
prog_pid=""
echo "stall program: $(sed -n 's/^STALL //p' "$work/prog.out")"

bench_ua_config "$u2" "$p2"
bench_ua_start
bench_ua_registered "$u2"
sleep 1
echo "idle baresip: $(bench_measure "$ua_pid" "$seconds")"
kill "$ua_pid"; wait "$ua_pid" 2>/dev/null || true; ua_pid=""

if command -v linphonec >/dev/null; then
    bench_home
    bench_linphonec_config "$u2" "$p2"
    bench_linphonec_start
    sleep 2
    echo "idle linphonec: $(bench_measure "$lp_pid" "$seconds")"
    bench_linphonec_cmd quit
fi
