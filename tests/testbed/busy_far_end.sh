#!/usr/bin/env bash
# The busy far end answers busy on every call for as long as the testbed runs, also past the
# 120 s after which a ringing call of baresip's ends.   Usage: busy_far_end.sh PORT [SECONDS]
set -u
port=$1 wait=${2:-130}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d /tmp/zuvi-busy-XXXXXX)
trap '"$here/../../testbed/stop.sh" "$dir/tb" >/dev/null 2>&1; rm -rf "$dir"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
"$here/../../testbed/start.sh" --port "$port" --fixture "$here/../../tools/service-sim/fixtures/accounts.json" \
    --watch $$ "$dir/tb" || fail "testbed did not start"
read -r busy _ < "$dir/tb/far-busy/info"
read -r _ _ answercons < "$dir/tb/far-answer/info"
log=$dir/tb/far-answer/baresip.log

# The answering far end calls the busy one through the softswitch: n-th try, expected answer.
call() {
    local before
    before=$(grep -c "session closed: 486" "$log")
    printf '/dial sip:%s@127.0.0.1:%s\n' "$busy" "$port" > "/dev/udp/127.0.0.1/$answercons"
    for _ in $(seq 1 100); do
        [ "$(grep -c "session closed: 486" "$log")" -gt "$before" ] && return 0
        sleep 0.05
    done
    return 1
}
call || fail "not busy at the start"
echo "ok: busy at the start"
sleep "$wait"
call || fail "not busy after $wait s"
echo "ok: busy after $wait s"
