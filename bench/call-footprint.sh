#!/usr/bin/env bash
# RSS and CPU during a call of SECONDS (default 10) to the testbed's answering far end: the
# program's forms (call placed with the call button, file audio) beside baresip making the same
# call in the same run. Usage: bench/call-footprint.sh [build dir] [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
port=${ZUVI_BENCH_PORT:-5970}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target zuvi-call-bench zuvi-service-sim zuvi >/dev/null

work=$(mktemp -d /tmp/zuvi-call-bench-XXXXXX)
sim_pid=""
ua_pid=""
prog_pid=""
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null
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
read -r phone password u2 p2 answer < <(jq -r '[.accounts[0].phone, .accounts[0].password,
    .accounts[1].sip_id, .accounts[1].sip_pw, .far_end.answer] | @tsv' "$fixture")
log="$work/tb/kamailio.log"
hz=$(getconf CLK_TCK)

"$build/bin/zuvi-service-sim" --port 0 --fixture "$fixture" > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do grep -q "listening on" "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
api=$(sed -n 's/^listening on //p' "$work/sim.out" | head -1)

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
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
XDG_RUNTIME_DIR="$work/home" TMPDIR="$work" ZUVI_SIP_FILE_AUDIO=1 QT_QPA_PLATFORM=offscreen \
ZUVI_MSGBOX_LOG="$work/msgbox.log" ZUVI_OPEN_URL_LOG="$work/urls.log" ZUVI_API_HOST="$api" ZUVI_API2_HOST="$api" \
    "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" footprint "$answer" $((seconds + 2)) \
    > "$work/prog.out" 2>"$work/prog.err" &
prog_pid=$!
for _ in $(seq 1 300); do grep -q "^INCALL" "$work/prog.out" 2>/dev/null && break; sleep 0.05; done
grep -q "^INCALL" "$work/prog.out" || { echo "call-footprint: the program's call was not answered" >&2; cat "$work/prog.err" >&2; exit 1; }
echo "program: $(measure "$prog_pid")"
wait "$prog_pid" || true
prog_pid=""

# baresip, registered, making the same call.
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
printf '/dial sip:%s@%s\n' "$answer" "$server" > "/dev/udp/127.0.0.1/$cons"
for _ in $(seq 1 300); do grep -q "ZUVI|REQ|[0-9.]*|ACK|baresip.*|sip:$u2@" "$log" 2>/dev/null && break; sleep 0.02; done
echo "baresip: $(measure "$ua_pid")"
printf '/hangup\n' > "/dev/udp/127.0.0.1/$cons"
