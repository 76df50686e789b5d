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
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target zuvi-call-bench zuvi-service-sim zuvi >/dev/null

work=$(mktemp -d /tmp/zuvi-call-bench-XXXXXX)
sim_pid=""
ua_pid=""
cleanup() {
    [ -n "$ua_pid" ] && kill "$ua_pid" 2>/dev/null
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    "$root/testbed/stop.sh" "$work/tb" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fixture="$work/accounts.json"
jq --arg s "127.0.0.1:$port" '.sip_server = $s' "$root/testbed/fixtures/accounts.json" > "$fixture"
"$root/testbed/start.sh" --port "$port" --fixture "$fixture" "$work/tb" >/dev/null
server="127.0.0.1:$port"
read -r phone password u1 u2 p2 answer < <(jq -r '[.accounts[0].phone, .accounts[0].password, .accounts[0].sip_id,
    .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")
log="$work/tb/kamailio.log"

"$build/bin/zuvi-service-sim" --port 0 --fixture "$fixture" > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do grep -q "listening on" "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
api=$(sed -n 's/^listening on //p' "$work/sim.out" | head -1)

# The program's forms, headless, pressing the call button.
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
XDG_RUNTIME_DIR="$work/home" TMPDIR="$work" ZUVI_SIP_FILE_AUDIO=1 QT_QPA_PLATFORM=offscreen \
ZUVI_MSGBOX_LOG="$work/msgbox.log" ZUVI_OPEN_URL_LOG="$work/urls.log" ZUVI_API_HOST="$api" ZUVI_API2_HOST="$api" \
    "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" latency "$answer" "$rounds" \
    > "$work/prog.out" 2>"$work/prog.err"

# baresip, registered once, dialling the same far end through its console.
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
rtp_ports $((40000 + port % 1000 * 4))-$((40000 + port % 1000 * 4 + 3))
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
stdbuf -oL baresip -f "$ua" >"$ua/log" 2>&1 </dev/null &
ua_pid=$!
for _ in $(seq 1 200); do grep -q "ZUVI|REGOK|.*|$u2|3600|" "$log" 2>/dev/null && break; sleep 0.02; done
count() { grep -c "$1" "$log" 2>/dev/null || true; }
: > "$work/dial.out"
for _ in $(seq 1 "$rounds"); do
    acks=$(count "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@")
    echo "DIAL $(date +%s.%N)" >> "$work/dial.out"
    printf '/dial sip:%s@%s\n' "$answer" "$server" > "/dev/udp/127.0.0.1/$cons"
    for _ in $(seq 1 500); do [ "$(count "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@")" -gt "$acks" ] && break; sleep 0.01; done
    sleep 0.2
    printf '/hangup\n' > "/dev/udp/127.0.0.1/$cons"
    sleep 0.5
done

# Pair each press / dial with the first INVITE after it and the first ACK after that INVITE.
awk -v a="$u1" -v b="$u2" -F'|' '
function med(arr, n,   i, j, t) { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
                                   return n ? arr[int((n + 1) / 2)] : 0 }
function after(times, n, t,   i) { for (i = 1; i <= n; i++) if (times[i] >= t) return times[i]; return 0 }
FILENAME ~ /prog.out$/ && /^PRESS/ { split($0, f, " "); press[++np] = f[2]; next }
FILENAME ~ /prog.out$/ && /^CONFIRMED/ { split($0, f, " "); conf[++nc] = f[2]; next }
FILENAME ~ /prog.out$/ { next }
FILENAME ~ /dial.out$/ { split($0, f, " "); dial[++nd] = f[2]; next }
{ sub(/.*ZUVI\|/, "ZUVI|") }
$2 == "REQ" && $4 == "INVITE" && index($7, "sip:" a "@") == 1 { ai[++nai] = $3 }
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
    printf "program (%d calls): press to INVITE %.1f ms, INVITE to ACK %.1f ms, INVITE to answered on screen %.1f ms (medians)\n", n1, p2i, p2a, p2c
    printf "baresip (%d calls): /dial to INVITE %.1f ms, INVITE to ACK %.1f ms (medians)\n", n2, b2i, b2a
    if (b2i > 0 && b2a > 0)
        printf "ratio program/baresip: press to INVITE %.2f, INVITE to confirmed (ACK) %.2f\n", p2i / b2i, p2a / b2a
}' "$work/prog.out" "$work/dial.out" "$log"
