#!/usr/bin/env bash
# The demo runs in a home folder of its own: the user's home receives nothing.
#   Usage: demo_home.sh SIP_PORT
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
dir=$(mktemp -d /tmp/zuvi-demo-home-XXXXXX)
fail() { echo "FAILED: $*"; exit 1; }
mkdir -p "$dir/user"
export HOME=$dir/user XDG_CONFIG_HOME=$dir/user/.config XDG_DATA_HOME=$dir/user/.local/share
export ZUVI_DEMO_HOME=$dir/demo QT_QPA_PLATFORM=offscreen ZUVI_SIP_FILE_AUDIO=1
api=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
setsid "$root/scripts/demo.sh" --api-port "$api" --sip-port "$1" >"$dir/demo.out" 2>&1 &
demo=$!
trap 'kill -TERM -$demo 2>/dev/null; sleep 1; kill -KILL -$demo 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 1 300); do
    [ -d "$dir/demo/.local/share/zuvi" ] && break
    kill -0 $demo 2>/dev/null || fail "demo ended: $(cat "$dir/demo.out")"
    sleep 0.1
done
[ -d "$dir/demo/.local/share/zuvi" ] || fail "no data folder in the demo's home: $(cat "$dir/demo.out")"
sleep 1
kill -TERM $demo
for _ in $(seq 1 100); do kill -0 $demo 2>/dev/null || break; sleep 0.1; done
kill -0 $demo 2>/dev/null && fail "demo did not stop"
[ -z "$(ls -A "$dir/user")" ] || fail "the user's home received $(cd "$dir/user" && find . | tr '\n' ' ')"
echo "ok: the demo wrote into its own home only"
