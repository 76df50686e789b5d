#!/usr/bin/env bash
# The program as a process, before any login: "退出" from the tray icon's menu (in a real XEmbed
# tray under Xvfb, the login form hidden) ends it with code 0, and the shut-down writes "contact", "call" and "zuvi.ini"
# into the data folder itself.   Usage: frame_exit_process.sh <zuvi executable>   (under Xvfb)
set -u
zuvi=$1
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-frame-exit
trap 'kill $tray_pid $zuvi_pid 2>/dev/null; rm -rf "$home"' EXIT

trayer --edge top --align right --widthtype pixel --width 120 --height 24 --SetDockType false &
tray_pid=$!
sleep 0.5
"$zuvi" &
zuvi_pid=$!

# The program's icon window docked in the panel: its centre.
icon=""
for _ in $(seq 1 100); do
    icon=$(xwininfo -root -tree 2>/dev/null |
        sed -n 's/.*("zuvi" "[^"]*")  *\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3 \4/p' |
        awk '$1 <= 48 && $2 <= 48 && $4 >= 0 && $4 < 30 && $3 >= 600 { print $3 + int($1 / 2), $4 + int($2 / 2); exit }')
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || fail "no tray icon docked"
echo "ok: icon docked at $icon"
kill -0 $zuvi_pid 2>/dev/null || fail "program ended early"

# The login form comes up modally, and a modal window keeps the tray icon from taking input here:
# hide it with its own hide button first (the icon then works, as after the hide button).
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
login=""
for _ in $(seq 1 100); do
    login=$(xwininfo -root -tree 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*("zuvi" "[^"]*")  *261x510+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3/p' | head -1)
    [ -n "$login" ] && viewable ${login%% *} && break
    login=""
    sleep 0.1
done
[ -n "$login" ] || fail "no login form"
set -- $login
sleep 0.3
xdotool mousemove $(($2 + 210)) $(($3 + 16))
sleep 0.3
xdotool click 1
sleep 0.5
viewable "$1" && fail "login form still shown"
echo "ok: login form hidden"

set -- $icon
xdotool mousemove "$1" "$2"
sleep 0.3
xdotool click 3
sleep 0.7
# The menu's last entry is "退出".
xdotool key Up
sleep 0.2
xdotool key Return

rc=""
for _ in $(seq 1 150); do
    if ! kill -0 $zuvi_pid 2>/dev/null; then wait $zuvi_pid; rc=$?; break; fi
    sleep 0.1
done
[ -n "$rc" ] || fail "program still running after 退出"
[ "$rc" = 0 ] || fail "exit code $rc"
echo "ok: ended with code 0"
data=$XDG_DATA_HOME/zuvi
for f in contact call zuvi.ini exit.ini; do
    [ -f "$data/$f" ] || fail "no $f in the data folder"
done
grep -q '^\[vol1\]' "$data/zuvi.ini" || fail "zuvi.ini without vol1"
echo "ok: contact, call, zuvi.ini and exit.ini in the data folder"
[ ! -s "$home/msgbox.log" ] || { echo "message boxes:"; cat "$home/msgbox.log"; }
exit 0
