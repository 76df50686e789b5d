#!/usr/bin/env bash
# Registration round trip and INVITE-to-confirmed through the testbed's kamailio, for the SIP
# engine and, in the same run, for baresip doing the same; prints medians and the ratio.
# Times are taken from kamailio's log for both (first REGISTER to the 200 after the Digest
# retry; INVITE to the ACK of the 2xx). Usage: bench/sip-latency.sh [build dir] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-20}
port=${ZUVI_BENCH_PORT:-5870}
. "$root/bench/lib.sh"
bench_build zuvi-sip-bench

bench_work zuvi-sip-bench
bench_sip_fixture
bench_testbed
read -r u1 p1 u2 p2 answer < <(jq -r '[.accounts[0].sip_id, .accounts[0].sip_pw, .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")

# The engine, headless.
bench_home
env "${home_env[@]}" ZUVI_SIP_FILE_AUDIO=1 "$build/bench/zuvi-sip-bench" latency "$server" "$u1" "$p1" "$answer" "$rounds"

# baresip: one process per round (it registers at start), dialling through its console.
bench_ua_config "$u2" "$p2"
for i in $(seq 1 "$rounds"); do
    before=$(log_count "ZUVI|REGOK|[0-9.]*|$u2|[^0]")
    bench_ua_start
    for _ in $(seq 1 200); do [ "$(log_count "ZUVI|REGOK|[0-9.]*|$u2|[^0]")" -gt "$before" ] && break; sleep 0.02; done
    acks=$(log_count "ZUVI|REQ|[0-9.]*|ACK|baresip")
    bench_ua_cmd "/dial sip:$answer@$server"
    for _ in $(seq 1 200); do [ "$(log_count "ZUVI|REQ|[0-9.]*|ACK|baresip")" -gt "$acks" ] && break; sleep 0.02; done
    bench_ua_cmd /hangup
    sleep 0.1
    kill "$ua_pid" 2>/dev/null || true
    wait "$ua_pid" 2>/dev/null || true
    ua_pid=""
done

# Medians from kamailio's timestamps, per user.
awk -v a="$u1" -v b="$u2" -F'|' "$bench_awk_med"'
{ sub(/.*ZUVI\|/, "ZUVI|") }
$2 == "REQ" && $4 == "REGISTER" && $8 != "0" && $11 == "-" && tolower($12) !~ /expires=0([^0-9]|$)/ {
    for (k in who) if (index($7, "sip:" who[k] "@") == 1 && !(k in rs)) rs[k] = $3 }
$2 == "REGOK" && $5 != "0" { for (k in who) if ($4 == who[k] && (k in rs)) { reg[k, ++nr[k]] = ($3 - rs[k]) * 1000; delete rs[k] } }
$2 == "REQ" && $4 == "INVITE" { for (k in who) if (index($7, "sip:" who[k] "@") == 1) is[k] = $3 }
$2 == "REQ" && $4 == "ACK" { for (k in who) if (index($7, "sip:" who[k] "@") == 1 && (k in is)) { inv[k, ++ni[k]] = ($3 - is[k]) * 1000; delete is[k] } }
BEGIN { who["engine"] = a; who["baresip"] = b }
END {
    for (k in who) {
        delete x; for (i = 1; i <= nr[k]; i++) x[i] = reg[k, i]; r[k] = med(x, nr[k])
        delete x; for (i = 1; i <= ni[k]; i++) x[i] = inv[k, i]; c[k] = med(x, ni[k])
        printf "%-8s (at kamailio): registration median %.1f ms (%d), INVITE to ACK median %.1f ms (%d)\n", k, r[k], nr[k], c[k], ni[k]
    }
    if (r["baresip"] > 0 && c["baresip"] > 0)
        printf "ratio engine/baresip: registration %.2f, call set-up %.2f\n", r["engine"] / r["baresip"], c["engine"] / c["baresip"]
}' "$log"
