#!/usr/bin/env bash
# The program as a process against the service simulator, under Xvfb: softversion is the first
# request of every start; the start-up update prompt (不升级 to the login form, 升级 failing,
# 升级 starting the installer and ending) and "软件升级" in the main menu for both replies.
# Usage: update_process.sh <zuvi> <zuvi-service-sim> <fixture> <screenshot folder>
set -u
zuvi=$1
sim_exe=$2
fixture=$3
shots=$4
skins=$(dirname "$zuvi")/skins
. "$(dirname "$0")/../support/program_home.sh"
mkdir -p "$shots"
work=$(mktemp -d /tmp/zuvi-update-XXXXXX)
sim_pid=""
zuvi_pid=""
trap 'kill $zuvi_pid $sim_pid 2>/dev/null; rm -rf "$work" "${home:-}"' EXIT

# The simulator on a free port, its SIP server a closed port.
sed 's/"sip_server": *"[^"]*"/"sip_server": "127.0.0.1:5399"/' "$fixture" >"$work/accounts.json"
"$sim_exe" --port 0 --fixture "$work/accounts.json" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 1 50); do
    api=$(sed -n 's/^listening on \(127.0.0.1:[0-9]*\)$/\1/p' "$work/sim.out")
    [ -n "$api" ] && break
    sleep 0.1
done
[ -n "$api" ] || fail "no simulator"
control() { curl -s -d '' "http://$api$1" >/dev/null; }
offer() { control "/_sim/softversion?u=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1")"; }
installer="http://$api/_sim/installer"

# A fresh private home; the program started in it with the simulator's log cleared.
fresh_home() {
    [ -n "${home:-}" ] && rm -rf "$home"
    program_home zuvi-update
}
start() {
    [ -n "${home_kept:-}" ] || fresh_home
    export ZUVI_API_HOST=$api ZUVI_API2_HOST=$api ZUVI_SITE_ROOT=http://site.test
    control /_sim/reset
    xdotool mousemove 0 0
    "$zuvi" &
    zuvi_pid=$!
}
stop() {
    kill $zuvi_pid 2>/dev/null
    wait $zuvi_pid 2>/dev/null
    zuvi_pid=""
}

# "ID LEFT TOP" of the program's viewable window of the given size, waiting up to 10 s.
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
find_window() {
    local w
    for _ in $(seq 1 100); do
        w=$(xwininfo -root -tree 2>/dev/null |
            sed -n "s/^ *\(0x[0-9a-f]*\) .*(\"zuvi\" \"[^\"]*\")  *$1+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3/p" |
            while read -r id x y; do viewable "$id" && echo "$id $x $y"; done | head -1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}
find_window_once() {
    xwininfo -root -tree 2>/dev/null |
        sed -n "s/^ *\(0x[0-9a-f]*\) .*(\"zuvi\" \"[^\"]*\")  *$1+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3/p" |
        while read -r id x y; do viewable "$id" && echo "$id $x $y"; done | head -1
}
click() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool click 1
    sleep 0.2
    xdotool mousemove 0 0
}

# The visible buttons of an update window at LEFT TOP, told from the screen: a button shows when
# the part of it no other button covers looks like the normal frame of its skin.
buttons() {
    local left=$1 top=$2 form=$3 out="" name sx sy kx sw sh
    sleep 0.3
    import -window root "$work/screen.png"
    while read -r name sx sy kx sw sh; do
        [ -f "$skins/${form}_$name.bmp" ] || continue
        convert "$skins/${form}_$name.bmp" -crop "${sw}x${sh}+$kx+0" +repage "$work/frame.png"
        convert "$work/screen.png" -crop "${sw}x${sh}+$((left + sx))+$((top + sy))" +repage "$work/part.png"
        diff=$(compare -metric AE "$work/frame.png" "$work/part.png" null: 2>&1)
        [ "${diff%% *}" = 0 ] && out="$out $name"
    done <<EOF
ssSkinButton1 144 168 0 72 36
ssSkinButton4 221 168 5 19 36
ssSkinButton2 240 168 0 77 36
ssSkinButton3 310 4 0 27 24
EOF
    echo "${out# }"
}

# Types the demo account into the login form and logs in; $main is the main window then.
log_in() {
    set -- $(find_window 261x510) || fail "no login form to log in with"
    click $(($2 + 80)) $(($3 + 200))
    xdotool key ctrl+a
    xdotool type --delay 20 13800000001
    click $(($2 + 80)) $(($3 + 254))
    xdotool type --delay 20 zuvi1234
    xdotool key Return
    main=$(find_window 262x510) || fail "no main window after the login"
}

# The first request of the start, as the simulator logged it.
first_request_is_softversion() {
    curl -s "http://$api/_sim/log" | head -1 | python3 -c '
import json, sys
r = json.loads(sys.stdin.read())
want = {"method": "GET", "path": "/m2/index.php", "query": "r=Pc/softversion&Flag=160000&Ver=5.1.0",
        "version": "HTTP/1.1", "body": "",
        "headers": [["Accept", "*/*"], ["Host", sys.argv[1]], ["User-Agent", "Mozilla/3.0 (compatible; Indy Library)"]]}
sys.exit(0 if r == want else print(r) or 1)' "$api"
}

# ---- up to date: no prompt, the login form; an installer left by an earlier run goes ----
offer ""
fresh_home
mkdir -p "$XDG_DATA_HOME/zuvi"
echo left >"$XDG_DATA_HOME/zuvi/zuvi_tmp.exe"
home_kept=1 start
login=$(find_window 261x510) || fail "up to date: no login form"
[ ! -e "$XDG_DATA_HOME/zuvi/zuvi_tmp.exe" ] || fail "up to date: the earlier installer is still there"
first_request_is_softversion || fail "up to date: first request"
[ -z "$(find_window_once 341x212)" ] || fail "up to date: the prompt is shown"
echo "ok: up to date: softversion first, the login form, no prompt, the earlier installer removed"
stop

# ---- no network: the login form without a message ----
fresh_home
xdotool mousemove 0 0
"$zuvi" &
zuvi_pid=$!
find_window 261x510 >/dev/null || fail "no network: no login form"
[ ! -s "$home/msgbox.log" ] || fail "no network: a message: $(cat "$home/msgbox.log")"
echo "ok: no network: the login form, no message"
stop

# ---- update offered: the prompt first; 不升级 goes on to the login form ----
offer "$installer"
start
prompt=$(find_window 341x212) || fail "update: no prompt"
set -- $prompt
first_request_is_softversion || fail "update: first request"
[ -z "$(find_window_once 261x510)" ] || fail "update: a login form beside the prompt"
[ ! -e "$XDG_DATA_HOME/zuvi/users" ] || fail "update: the login form was created"
[ "$(buttons "$2" "$3" form6)" = "ssSkinButton1 ssSkinButton2 ssSkinButton3" ] || fail "update: prompt buttons: $(buttons "$2" "$3" form6)"
import -window root -crop "341x212+$2+$3" +repage "$shots/update-prompt.png"
echo "ok: update: the 341 x 212 prompt with 升级, 不升级 and × before any login form"
click $(($2 + 278)) $(($3 + 186))
find_window 261x510 >/dev/null || fail "不升级: no login form"
viewable "$1" && fail "不升级: the prompt is still shown"
echo "ok: 不升级: the login form, the prompt hidden"

# ---- "软件升级" from the main menu, after a login, for both replies ----
printf '#!/bin/sh\necho "ran in $(pwd)" > "%s/ran"\n' "$work" >"$work/setup.sh"
curl -s --data-binary @"$work/setup.sh" -H 'Content-Type: application/octet-stream' "$installer" >/dev/null
log_in
menu() {
    set -- $main
    click $(($2 + 181)) $(($3 + 13))
    sleep 0.5
    for _ in 1 2 3 4 5 6; do xdotool key Down; sleep 0.1; done
    xdotool key Return
}
menu
dialog=$(find_window 341x212) || fail "menu: no update dialog"
set -- $dialog
[ "$(buttons "$2" "$3" form7)" = "ssSkinButton1 ssSkinButton2 ssSkinButton3" ] || fail "menu, update: buttons: $(buttons "$2" "$3" form7)"
import -window root -crop "341x212+$2+$3" +repage "$shots/update-dialog-offered.png"
click $(($2 + 323)) $(($3 + 16))
viewable "$1" && fail "menu: × left the dialog shown"
echo "ok: menu, update offered: 升级, 不升级 and ×; × closes"
# Ends the program when it has ended within 10 s: rc holds its exit code.
ended() {
    rc=""
    for _ in $(seq 1 100); do
        if ! kill -0 $zuvi_pid 2>/dev/null; then
            wait $zuvi_pid
            rc=$?
            zuvi_pid=""
            return 0
        fi
        sleep 0.1
    done
    return 1
}
# 升级 in the update window of the given case: the installer runs, its file goes, the program
# ends with code 0 and no message.
upgrade() {
    set -- "$1" $(find_window 341x212) || fail "$1: no update window"
    click $(($3 + 182)) $(($4 + 186))
    ended || fail "$1: the program still runs"
    [ "$rc" = 0 ] || fail "$1: exit code $rc"
    for _ in $(seq 1 50); do [ -s "$work/ran" ] && break; sleep 0.1; done
    [ -s "$work/ran" ] || fail "$1: the installer did not run"
    [ ! -e "$XDG_DATA_HOME/zuvi/zuvi_tmp.exe" ] || fail "$1: zuvi_tmp.exe is still there"
    [ ! -s "$home/msgbox.log" ] || fail "$1: a message: $(cat "$home/msgbox.log")"
}
menu
upgrade "menu, 升级"
last=$(curl -s "http://$api/_sim/log" | tail -1 | python3 -c 'import json, sys; print(json.loads(sys.stdin.read())["query"].split("&")[0])')
[ "$last" = "r=Pc/Logout" ] || fail "menu, 升级: the last request is $last, not Logout"
rm -f "$work/ran"
echo "ok: menu, 升级: the installer ran, the program ended through the normal shut-down (Logout sent)"

offer ""
start
log_in
menu
dialog=$(find_window 341x212) || fail "menu: no update dialog"
set -- $dialog
[ "$(buttons "$2" "$3" form7)" = "ssSkinButton4 ssSkinButton3" ] || fail "menu, up to date: buttons: $(buttons "$2" "$3" form7)"
import -window root -crop "341x212+$2+$3" +repage "$shots/update-dialog-current.png"
echo "ok: menu, up to date: 确认 and ×"
stop

# ---- 升级 with a download cut short: its message, the program goes on ----
offer "$installer?fault=partial"
start
set -- $(find_window 341x212) || fail "failing: no prompt"
click $(($2 + 182)) $(($3 + 186))
for _ in $(seq 1 50); do [ -s "$home/msgbox.log" ] && break; sleep 0.1; done
[ "$(cat "$home/msgbox.log")" = "不能够检查服务器数据库，请检查服务器是否连接" ] || fail "failing: message $(cat "$home/msgbox.log")"
sleep 0.5
kill -0 $zuvi_pid 2>/dev/null || fail "failing: the program ended"
viewable "$1" || fail "failing: the prompt is gone"
[ ! -e "$work/ran" ] || fail "failing: an installer ran"
echo "ok: 升级, download cut short: its message, the prompt stays, nothing started"
stop

# ---- 升级: the installer is downloaded, started and deleted, and the program ends ----
offer "$installer"
start
upgrade "升级"
echo "ok: 升级: the installer ran ($(cat "$work/ran")), zuvi_tmp.exe deleted, the program ended with code 0"
exit 0
