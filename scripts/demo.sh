#!/usr/bin/env bash
# Runs the softphone against local stand-ins of the service: the service simulator (web API)
# and the softswitch testbed (kamailio + baresip far ends), all on 127.0.0.1. Everything
# started here is stopped when the program ends.
#
#   scripts/demo.sh [--api-port N] [--sip-port N] [--fresh] [--real-home]
#
# Demo account (from tools/service-sim/fixtures/accounts.json): 13800000001 / zuvi1234.
# Far ends: 13900000001 answers, 13900000002 is busy, 13900000003 rings.
# The program runs in a home folder of its own, build/demo-home, kept between runs, so the demo
# account and its password never reach the user's own configuration; --fresh empties it first
# (a first run); --real-home runs in $HOME instead.
# ZUVI_DEMO_BIN names another program folder than build/bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="${ZUVI_DEMO_BIN:-$root/build/bin}"   # the build's program folder
api_port=8090
sip_port=5070
fresh=0
real_home=0
while [ $# -gt 0 ]; do
    case "$1" in
        --api-port) api_port=$2; shift 2 ;;
        --sip-port) sip_port=$2; shift 2 ;;
        --fresh) fresh=1; shift ;;
        --real-home) real_home=1; shift ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "demo.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
for f in "$bin/zuvi" "$bin/zuvi-service-sim"; do
    [ -x "$f" ] || { echo "demo.sh: $f is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zuvi-demo-XXXXXX")
sim_pid=""
zuvi_pid=""
cleanup() {
    [ -n "$zuvi_pid" ] && kill "$zuvi_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    "$root/testbed/stop.sh" "$work/testbed" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator's fixture, with the SIP server at our softswitch.
fixture="$work/accounts.json"
jq --arg s "127.0.0.1:$sip_port" '.sip_server = $s' "$root/tools/service-sim/fixtures/accounts.json" > "$fixture"

"$root/testbed/start.sh" --port "$sip_port" --fixture "$fixture" "$work/testbed"

"$bin/zuvi-service-sim" --port "$api_port" --fixture "$fixture" --log "$work/requests.log" \
    > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
    grep -q "listening on" "$work/sim.out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.out" >&2; exit 1; }
    sleep 0.05
done

export ZUVI_API_HOST="127.0.0.1:$api_port"
export ZUVI_API2_HOST="127.0.0.1:$api_port"
export ZUVI_SITE_ROOT="${ZUVI_SITE_ROOT:-http://127.0.0.1:$api_port}"
if [ $real_home -eq 0 ]; then
    demo_home="${ZUVI_DEMO_HOME:-$root/build/demo-home}"
    [ $fresh -eq 1 ] && rm -rf "$demo_home"
    mkdir -p "$demo_home"
    export HOME="$demo_home" XDG_CONFIG_HOME="$demo_home/.config" XDG_DATA_HOME="$demo_home/.local/share"
    export XDG_CACHE_HOME="$demo_home/.cache"
    echo "demo: home folder $demo_home"
elif [ $fresh -eq 1 ]; then
    echo "demo.sh: --fresh goes with the demo's own home, not --real-home" >&2
    exit 2
fi
echo "demo: account 13800000001, password zuvi1234 (web API 127.0.0.1:$api_port, softswitch 127.0.0.1:$sip_port)"
"$bin/zuvi" &
zuvi_pid=$!
wait "$zuvi_pid" || true
zuvi_pid=""
