#!/usr/bin/env bash
# RSS and CPU during a call of SECONDS (default 10) to the testbed's answering far end: the
# program's forms (call placed with the call button, file audio) beside baresip making the same
# call in the same run. Usage: bench/call-footprint.sh [build dir] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
port=${ZUVI_BENCH_PORT:-5970}
. "$root/bench/lib.sh"
bench_build zuvi-call-bench zuvi-service-sim zuvi

bench_work zuvi-call-bench
bench_call_fixture
bench_testbed
read -r phone password u2 p2 answer < <(jq -r '[.accounts[0].phone, .accounts[0].password,
    .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")
bench_sim

# The program's forms, headless: the call button, then a call of SECONDS.
bench_forms_home
env "${forms_env[@]}" "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" footprint "$answer" \
    $((seconds + 2)) > "$work/prog.out" 2>"$work/prog.err" &
prog_pid=$!
for _ in $(seq 1 300); do grep -q "^INCALL" "$work/prog.out" 2>/dev/null && break; sleep 0.05; done
grep -q "^INCALL" "$work/prog.out" || { echo "call-footprint: the program's call was not answered" >&2; cat "$work/prog.err" >&2; exit 1; }
sleep 0.5
echo "in a call program: $(bench_measure "$prog_pid" "$seconds")"
wait "$prog_pid" || true
prog_pid=""

# baresip, registered, making the same call.
bench_ua_config "$u2" "$p2" rtp
bench_ua_start
bench_ua_registered "$u2"
bench_ua_cmd "/dial sip:$answer@$server"
for _ in $(seq 1 300); do grep -q "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@" "$log" 2>/dev/null && break; sleep 0.02; done
sleep 0.5
echo "in a call baresip: $(bench_measure "$ua_pid" "$seconds")"
bench_ua_cmd /hangup
sleep 0.3
kill "$ua_pid"; wait "$ua_pid" 2>/dev/null || true; ua_pid=""

# linphonec (when installed), registered, making the same call.
if command -v linphonec >/dev/null; then
    bench_home
    bench_linphonec_config "$u2" "$p2"
    bench_linphonec_start
    for _ in $(seq 1 200); do grep -q "ZUVI|REGOK|.*|$u2|3600|Linphone" "$log" 2>/dev/null && break; sleep 0.02; done
    acks=$(log_count "ZUVI|REQ|[0-9.]*|ACK|Linphone")
    bench_linphonec_cmd "call sip:$answer@$server"
    for _ in $(seq 1 300); do [ "$(log_count "ZUVI|REQ|[0-9.]*|ACK|Linphone")" -gt "$acks" ] && break; sleep 0.02; done
    sleep 0.5
    echo "in a call linphonec: $(bench_measure "$lp_pid" "$seconds")"
    bench_linphonec_cmd terminate
    bench_linphonec_cmd quit
fi
