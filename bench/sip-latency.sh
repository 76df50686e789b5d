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
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target zuvi-sip-bench >/dev/null

work=$(mktemp -d /tmp/zuvi-sip-bench-XXXXXX)
trap '"$root/testbed/stop.sh" "$work/tb" >/dev/null 2>&1; [ -f "$work/ua.pid" ] && kill "$(cat "$work/ua.pid")" 2>/dev/null; [ -n "${ZUVI_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
fixture="$root/tools/service-sim/fixtures/accounts.json"
[ -f "$fixture" ] || fixture="$root/testbed/fixtures/accounts.json"
"$root/testbed/start.sh" --port "$port" --fixture "$fixture" "$work/tb" >/dev/null
server="127.0.0.1:$port"
read -r u1 p1 u2 p2 answer < <(jq -r '[.accounts[0].sip_id, .accounts[0].sip_pw, .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")
log="$work/tb/kamailio.log"

# The engine, headless.
mkdir -p "$work/home"
HOME="$work/home" TMPDIR="$work" ZUVI_SIP_FILE_AUDIO=1 \
    "$build/bench/zuvi-sip-bench" latency "$server" "$u1" "$p1" "$answer" "$rounds"

# baresip: one process per round (it registers at start), dialling through its console.
ua="$work/ua"
mkdir -p "$ua"
cons=$((port + 20))
cat > "$ua/config" <<CFG
poll_method epoll
sip_listen 127.0.0.1:$((port + 21))
net_interface 127.0.0.1
audio_player aubridge,nil
audio_source aubridge,nil
audio_alert aubridge,nil
module_path /usr/lib/baresip/modules
module cons.so
module g711.so
module gsm.so
module aubridge.so
module_app account.so
module_app menu.so
cons_listen 127.0.0.1:$cons
CFG
echo "<sip:$u2@$server;transport=udp>;auth_pass=$p2;regint=3600" > "$ua/accounts"
: > "$ua/contacts"
count() { grep -c "$1" "$log" 2>/dev/null || true; }
for i in $(seq 1 "$rounds"); do
    before=$(count "ZUVI|REGOK|[0-9.]*|$u2|[^0]")
    stdbuf -oL baresip -f "$ua" >"$ua/log" 2>&1 </dev/null &
    echo $! > "$ua/pid"; cp "$ua/pid" "$work/ua.pid"
    for _ in $(seq 1 200); do [ "$(count "ZUVI|REGOK|[0-9.]*|$u2|[^0]")" -gt "$before" ] && break; sleep 0.02; done
    acks=$(count "ZUVI|REQ|[0-9.]*|ACK|baresip")
    printf '/dial sip:%s@%s\n' "$answer" "$server" > "/dev/udp/127.0.0.1/$cons"
    for _ in $(seq 1 200); do [ "$(count "ZUVI|REQ|[0-9.]*|ACK|baresip")" -gt "$acks" ] && break; sleep 0.02; done
    printf '/hangup\n' > "/dev/udp/127.0.0.1/$cons"
    sleep 0.1
    kill "$(cat "$ua/pid")" 2>/dev/null || true
    wait "$(cat "$ua/pid")" 2>/dev/null || true
    rm -f "$work/ua.pid"
done

# Medians from kamailio's timestamps, per user.
awk -v a="$u1" -v b="$u2" -F'|' '
function med(arr, n,   i, j, t) { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
                                   return n ? arr[int((n + 1) / 2)] : 0 }
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
