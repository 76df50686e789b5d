#!/usr/bin/env bash
# Starts the testbed: kamailio (softswitch) on 127.0.0.1:PORT, UDP and TCP, and one baresip
# far end per far_end number of the accounts fixture, registered at it.
#
#   testbed/start.sh [--port N] [--fixture FILE] [--no-far-end] [--watch PID] [DIR]
#
# --watch PID: stop the testbed by itself once process PID has ended (tests pass their own, so
# a test killed on a timeout leaves nothing running).
# DIR (default $ZUVI_TESTBED_DIR, else ./build/testbed) receives the generated configs, the
# PID files and the logs: kamailio.log holds a line "ZUVI|REQ|..." per request received.
# Defaults: port $ZUVI_TESTBED_PORT or 5070; fixture $ZUVI_TESTBED_FIXTURE, else the service
# simulator's tools/service-sim/fixtures/accounts.json, else testbed/fixtures/accounts.json.
# Far ends listen on PORT+1, +3, +5 (SIP; TLS takes the next port) and take console commands
# on UDP PORT+11.. ("answer" first,
# then "busy", then "ring"). Stop everything with testbed/stop.sh DIR.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

port=${ZUVI_TESTBED_PORT:-5070}
fixture=${ZUVI_TESTBED_FIXTURE:-}
farend=1
watch=
dir=${ZUVI_TESTBED_DIR:-}
while [ $# -gt 0 ]; do
    case "$1" in
        --port) port=$2; shift 2 ;;
        --fixture) fixture=$2; shift 2 ;;
        --no-far-end) farend=0; shift ;;
        --watch) watch=$2; shift 2 ;;
        -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
        *) dir=$1; shift ;;
    esac
done
[ -n "$dir" ] || dir="$root/build/testbed"
if [ -z "$fixture" ]; then
    fixture="$root/tools/service-sim/fixtures/accounts.json"
    [ -f "$fixture" ] || fixture="$here/fixtures/accounts.json"
fi
for tool in kamailio jq; do
    command -v "$tool" >/dev/null || { echo "start.sh: $tool is not installed" >&2; exit 1; }
done
[ -f "$fixture" ] || { echo "start.sh: no fixture $fixture" >&2; exit 1; }
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
"$here/stop.sh" "$dir" >/dev/null 2>&1 || true

# Credentials: sip_id/sip_pw and phone/password of every account; far ends use "farend".
users="$dir/users.cfg"
{
    echo 'route[PASSWD] {'
    echo '    $var(pw) = "";'
    jq -r '.accounts[] | ([.sip_id, .sip_pw], [.phone, .password]) | select(.[0] != null and .[0] != "")
           | "    if ($au == \(.[0] | tostring | @json)) { $var(pw) = \(.[1] | tostring | @json); }"' "$fixture"
    jq -r '.far_end // {} | .[] | "    if ($au == \(tostring | @json)) { $var(pw) = \"farend\"; }"' "$fixture"
    echo '}'
} > "$users"
sed -e "s|@PORT@|$port|g" -e "s|@USERS@|$users|g" "$here/kamailio.cfg.in" > "$dir/kamailio.cfg"

# A Debian-started system kamailio on 5060 does not disturb us, but one on our port would.
if command -v ss >/dev/null && ss -Hlun "sport = :$port" 2>/dev/null | grep -q .; then
    echo "start.sh: UDP port $port is taken" >&2
    exit 1
fi

: > "$dir/kamailio.log"
kamailio -f "$dir/kamailio.cfg" -DD -E -n 1 -Y "$dir" -P "$dir/kamailio.pid.main" \
    >>"$dir/kamailio.log" 2>&1 </dev/null &
echo $! > "$dir/kamailio.pid"
if [ -n "$watch" ]; then
    setsid bash -c 'while kill -0 "$1" 2>/dev/null && [ -f "$2/kamailio.pid" ]; do sleep 0.5; done; "$3" "$2"' \
        _ "$watch" "$dir" "$here/stop.sh" >/dev/null 2>&1 </dev/null &
fi

# Ready once its UDP socket is bound (bounded wait).
ready=0
for _ in $(seq 1 100); do
    if ! kill -0 "$(cat "$dir/kamailio.pid")" 2>/dev/null; then break; fi
    if command -v ss >/dev/null; then
        ss -Hlun "sport = :$port" 2>/dev/null | grep -q . && { ready=1; break; }
    elif grep -q "Listening on" "$dir/kamailio.log" 2>/dev/null; then
        sleep 0.3; ready=1; break
    fi
    sleep 0.05
done
if [ $ready -ne 1 ]; then
    echo "start.sh: kamailio did not start; see $dir/kamailio.log" >&2
    tail -20 "$dir/kamailio.log" >&2 || true
    "$here/stop.sh" "$dir" >/dev/null 2>&1 || true
    exit 1
fi

[ $farend -eq 1 ] || { echo "testbed up: kamailio 127.0.0.1:$port (no far end) in $dir"; exit 0; }
command -v baresip >/dev/null || { echo "start.sh: baresip is not installed" >&2; exit 1; }

# Tone for the answering far end: 60 s of 440 Hz at 8 kHz mono (baresip ends the call when the
# file ends).
tone="$dir/tone.wav"
if command -v sox >/dev/null; then
    sox -n -r 8000 -c 1 -b 16 "$tone" synth 60 sine 440 vol 0.5 2>/dev/null
else
    echo "start.sh: sox is not installed" >&2; exit 1
fi

i=0
for role in answer busy ring keep; do
    number=$(jq -r --arg r "$role" '.far_end[$r] // empty' "$fixture")
    # The keeper holds the busy far end's line: it answers and never ends the call.
    [ "$role" = keep ] && [ -f "$dir/far-busy/info" ] && number=keeper
    i=$((i + 1))
    [ -n "$number" ] || continue
    fe="$dir/far-$role"
    mkdir -p "$fe"
    sipport=$((port + 2 * i - 1))
    consport=$((port + 10 + i))
    case $role in
        answer) mode=auto; maxcalls=4 ;;
        busy) mode=manual; maxcalls=1 ;;
        ring) mode=manual; maxcalls=16 ;;
        keep) mode=auto; maxcalls=1 ;;
    esac
    source=aufile,$tone
    # The line-holding call sends nothing on either side: no file end to hang it up.
    case $role in busy | keep) source=aubridge,hold ;; esac
    cat > "$fe/config" <<CFG
poll_method epoll
sip_listen 127.0.0.1:$sipport
net_interface 127.0.0.1
call_max_calls $maxcalls
audio_player aubridge,nil
audio_source $source
audio_alert aubridge,nil
audio_srate 8000-48000
audio_channels 1-2
rtp_ports $((20000 + port % 1000 * 20 + i * 4))-$((20000 + port % 1000 * 20 + i * 4 + 3))
module_path /usr/lib/baresip/modules
module cons.so
module g711.so
module gsm.so
module g722.so
module aufile.so
module aubridge.so
module_app account.so
module_app menu.so
cons_listen 127.0.0.1:$consport
CFG
    if [ "$role" = keep ]; then
        echo "<sip:keeper@127.0.0.1:$sipport;transport=udp>;answermode=auto;regint=0;ptime=20" > "$fe/accounts"
    else
        echo "<sip:$number@127.0.0.1:$port;transport=udp>;auth_pass=farend;answermode=$mode;regint=3600;ptime=20" > "$fe/accounts"
    fi
    : > "$fe/contacts"
    : > "$fe/baresip.log"
    stdbuf -oL -eL baresip -f "$fe" >>"$fe/baresip.log" 2>&1 </dev/null &
    echo $! > "$fe/baresip.pid"
    echo "$number $sipport $consport" > "$fe/info"
done

# Wait (bounded) until every far end has registered.
want=$(jq -r '.far_end // {} | [.[]] | length' "$fixture")
for _ in $(seq 1 100); do
    got=$(grep -c "ZUVI|REGOK|.*|baresip" "$dir/kamailio.log" 2>/dev/null || true)
    [ "${got:-0}" -ge "$want" ] && break
    sleep 0.05
done
if [ "${got:-0}" -lt "$want" ]; then
    echo "start.sh: far ends did not register ($got of $want); see $dir/far-*/baresip.log" >&2
    "$here/stop.sh" "$dir" >/dev/null 2>&1 || true
    exit 1
fi
# The busy far end takes one call at most and keeps its line taken with an answered call of its
# own to the keeper (sent there directly, silent, never ended), so every call to it gets 486 Busy
# Here for as long as the testbed runs. (A call left ringing would end after baresip's 120 s.)
if [ -f "$dir/far-busy/info" ] && [ -f "$dir/far-keep/info" ]; then
    read -r _ _ busycons < "$dir/far-busy/info"
    read -r _ keepsip _ < "$dir/far-keep/info"
    printf '/dial sip:keeper@127.0.0.1:%s\n' "$keepsip" > "/dev/udp/127.0.0.1/$busycons"
    for _ in $(seq 1 100); do
        grep -q "Call established" "$dir/far-busy/baresip.log" 2>/dev/null && break
        sleep 0.05
    done
fi
echo "testbed up: kamailio 127.0.0.1:$port, far ends registered, in $dir"
