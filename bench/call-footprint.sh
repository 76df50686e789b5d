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
hz=$(getconf CLK_TCK)
bench_sim

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
hwm() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }
# CPU % of one core and RSS (MB, at the end; peak) of a process over the call.
measure() {
    local pid=$1 t0 t1 r
    t0=$(ticks "$pid"); r=$(rss "$pid")
    sleep "$seconds"
    t1=$(ticks "$pid")
    awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$seconds" -v r0="$r" -v r1="$(rss "$pid")" -v h="$(hwm "$pid")" \
        'BEGIN { printf "CPU %.1f %% of one core, RSS %.1f MB at answer, %.1f MB at the end, peak %.1f MB\n",
                 (b - a) / hz / s * 100, r0 / 1024, r1 / 1024, h / 1024 }'
}

# The program's forms, headless: the call button, then a call of SECONDS.
bench_forms_home
env "${forms_env[@]}" "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" footprint "$answer" \
    $((seconds + 2)) > "$work/prog.out" 2>"$work/prog.err" &
prog_pid=$!
for _ in $(seq 1 300); do grep -q "^INCALL" "$work/prog.out" 2>/dev/null && break; sleep 0.05; done
grep -q "^INCALL" "$work/prog.out" || { echo "call-footprint: the program's call was not answered" >&2; cat "$work/prog.err" >&2; exit 1; }
echo "program: $(measure "$prog_pid")"
wait "$prog_pid" || true
prog_pid=""

# baresip, registered, making the same call.
bench_ua_config "$u2" "$p2" rtp
bench_ua_start
bench_ua_registered "$u2"
bench_ua_cmd "/dial sip:$answer@$server"
for _ in $(seq 1 300); do grep -q "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@" "$log" 2>/dev/null && break; sleep 0.02; done
echo "baresip: $(measure "$ua_pid")"
bench_ua_cmd /hangup
