#!/usr/bin/env bash
# Call set-up through the testbed's kamailio: the main window's call button against baresip
# calling the same far end in the same run. For the program: call-button press to INVITE on the
# wire, INVITE to the 2xx's ACK (at kamailio) and INVITE to the answered state on the main
# window; for baresip: console /dial to INVITE, and INVITE to ACK. Prints medians and ratios.
# Usage: bench/call-latency.sh [build dir] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-10}
port=${ZUVI_BENCH_PORT:-5870}
. "$root/bench/lib.sh"
bench_build zuvi-call-bench zuvi-service-sim zuvi

bench_work zuvi-call-bench
bench_call_fixture
bench_testbed
read -r phone password u1 u2 p2 answer < <(jq -r '[.accounts[0].phone, .accounts[0].password, .accounts[0].sip_id,
    .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")
bench_sim

# The program's forms, headless, pressing the call button.
bench_forms_home
env "${forms_env[@]}" "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" latency "$answer" "$rounds" \
    > "$work/prog.out" 2>"$work/prog.err"

# baresip, registered once, dialling the same far end through its console.
bench_ua_config "$u2" "$p2" rtp
bench_ua_start
bench_ua_registered "$u2"
: > "$work/dial.out"
for _ in $(seq 1 "$rounds"); do
    acks=$(log_count "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@")
    echo "DIAL $(date +%s.%N)" >> "$work/dial.out"
    bench_ua_cmd "/dial sip:$answer@$server"
    for _ in $(seq 1 500); do [ "$(log_count "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@")" -gt "$acks" ] && break; sleep 0.01; done
    sleep 0.2
    bench_ua_cmd /hangup
    sleep 0.5
done

kill "$ua_pid"; wait "$ua_pid" 2>/dev/null || true; ua_pid=""

# linphonec (when installed), registered once, dialling the same far end from its console.
: > "$work/lpdial.out"
if command -v linphonec >/dev/null; then
    bench_home
    bench_linphonec_config "$u2" "$p2"
    bench_linphonec_start
    for _ in $(seq 1 200); do grep -q "ZUVI|REGOK|.*|$u2|3600|Linphone" "$log" 2>/dev/null && break; sleep 0.02; done
    for _ in $(seq 1 "$rounds"); do
        acks=$(log_count "ZUVI|REQ|[0-9.]*|ACK|Linphone")
        echo "DIAL $(date +%s.%N)" >> "$work/lpdial.out"
        bench_linphonec_cmd "call sip:$answer@$server"
        for _ in $(seq 1 500); do [ "$(log_count "ZUVI|REQ|[0-9.]*|ACK|Linphone")" -gt "$acks" ] && break; sleep 0.01; done
        sleep 0.2
        bench_linphonec_cmd terminate
        sleep 0.5
    done
    bench_linphonec_cmd quit
fi

# Pair each press / dial with the first INVITE after it and the first ACK after that INVITE.
awk -v a="$u1" -v b="$u2" -F'|' "$bench_awk_med"'
function after(times, n, t,   i) { for (i = 1; i <= n; i++) if (times[i] >= t) return times[i]; return 0 }
FILENAME ~ /prog.out$/ && /^PRESS/ { split($0, f, " "); press[++np] = f[2]; next }
FILENAME ~ /prog.out$/ && /^CONFIRMED/ { split($0, f, " "); conf[++nc] = f[2]; next }
FILENAME ~ /prog.out$/ { next }
FILENAME ~ /lpdial.out$/ { split($0, f, " "); ldial[++nl] = f[2]; next }
FILENAME ~ /dial.out$/ { split($0, f, " "); dial[++nd] = f[2]; next }
{ sub(/.*ZUVI\|/, "ZUVI|") }
$2 == "REQ" && $4 == "INVITE" && index($7, "sip:" a "@") == 1 { ai[++nai] = $3 }
$2 == "REQ" && $4 == "INVITE" && index($7, "sip:" b "@") == 1 && $5 ~ /^Linphone/ { li[++nli] = $3; next }
$2 == "REQ" && $4 == "ACK" && index($7, "sip:" b "@") == 1 && $5 ~ /^Linphone/ { la[++nla] = $3; next }
$2 == "REQ" && $4 == "INVITE" && index($7, "sip:" b "@") == 1 { bi[++nbi] = $3 }
$2 == "REQ" && $4 == "ACK" && index($7, "sip:" a "@") == 1 { aa[++naa] = $3 }
$2 == "REQ" && $4 == "ACK" && index($7, "sip:" b "@") == 1 { ba[++nba] = $3 }
END {
    n = 0
    for (i = 1; i <= np; i++) {
        inv = after(ai, nai, press[i]); ack = inv ? after(aa, naa, inv) : 0
        if (!inv || !ack) continue
        n++; x1[n] = (inv - press[i]) * 1000; x2[n] = (ack - inv) * 1000; x3[n] = (conf[i] - inv) * 1000
    }
    p2i = med(x1, n); p2a = med(x2, n); p2c = med(x3, n); n1 = n
    n = 0
    for (i = 1; i <= nd; i++) {
        inv = after(bi, nbi, dial[i]); ack = inv ? after(ba, nba, inv) : 0
        if (!inv || !ack) continue
        n++; y1[n] = (inv - dial[i]) * 1000; y2[n] = (ack - inv) * 1000
    }
    b2i = med(y1, n); b2a = med(y2, n); n2 = n
    n = 0
    for (i = 1; i <= nl; i++) {
        inv = after(li, nli, ldial[i]); ack = inv ? after(la, nla, inv) : 0
        if (!inv || !ack) continue
        n++; z1[n] = (inv - ldial[i]) * 1000; z2[n] = (ack - inv) * 1000
    }
    l2i = med(z1, n); l2a = med(z2, n); n3 = n
    printf "program (%d calls): press to INVITE %.1f ms, INVITE to ACK %.1f ms, INVITE to answered on screen %.1f ms (medians)\n", n1, p2i, p2a, p2c
    printf "baresip (%d calls): /dial to INVITE %.1f ms, INVITE to ACK %.1f ms (medians)\n", n2, b2i, b2a
    if (n3 > 0)
        printf "linphonec (%d calls): console call to INVITE %.1f ms, INVITE to ACK %.1f ms (medians)\n", n3, l2i, l2a
    if (b2i > 0 && b2a > 0)
        printf "ratio program/baresip: press to INVITE %.2f, INVITE to confirmed (ACK) %.2f\n", p2i / b2i, p2a / b2a
    if (n3 > 0 && l2a > 0)
        printf "ratio program/linphonec: INVITE to confirmed (ACK) %.2f\n", p2a / l2a
}' "$work/prog.out" "$work/dial.out" "$work/lpdial.out" "$log"
echo "stall program: $(sed -n 's/^STALL //p' "$work/prog.out")"
