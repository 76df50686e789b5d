#!/usr/bin/env bash
# The program as a process, logged in automatically against the service simulator (under Xvfb):
# the add button opens 添加联系人 empty, OK appends the contact to the list and the file "contact"
# and the service receives the upload; "编辑" on the listed contact opens 编辑联系人 with its line
# and OK replaces that line.
# Usage: contacts_process.sh <zuvi> <zuvi-service-sim> <fixture> [screenshot folder]
set -u
zuvi=$1 simexe=$2 fixture=$3 shots=${4:-}
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-contacts
trap 'kill $zuvi_pid $sim_pid 2>/dev/null; rm -rf "$home"' EXIT
zuvi_pid="" sim_pid=""

sim_with_remembered_account "$simexe" "$fixture"

"$zuvi" &
zuvi_pid=$!

shot() { [ -n "$shots" ] && import -window root "$shots/$1.png"; }
# The Chinese characters typed below get spare keycodes of their own, bound while the program is
# connected (the server resets its keymap when its last client leaves). Without them xdotool
# binds a keycode for each character and unbinds it right after the key, and a key the program
# reads after the unbinding comes out lost.
bind_keys() {
    local LC_ALL=C.UTF-8 chars=$1 i=0 code
    for code in $(xmodmap -pke | awk 'NF == 3 && $2 > 8 {print $2}'); do
        [ $i -lt ${#chars} ] || break
        xmodmap -e "keycode $code = $(printf 'U%04X' "'${chars:i:1}")"
        i=$((i + 1))
    done
    [ $i -eq ${#chars} ] || fail "no spare keycodes for $chars"
}
uploads() { curl -s "http://$sim/_sim/uploads"; }
contact_file() { iconv -f GBK -t UTF-8 "$XDG_DATA_HOME/zuvi/$phone/contact" | tr -d '\r'; }

main=$(wait_window 262x510) || fail "no main window after the automatic login"
set -- $main
mx=$2 my=$3
bind_keys "王五一赵六"
sleep 0.5
echo "ok: logged in, main window at $mx,$my"

# The add button of the dial area (panel at 2,252; button at 18,63, 37 x 32).
click $((mx + 2 + 18 + 18)) $((my + 252 + 63 + 16))
add=$(wait_window 345x212) || fail "no add dialog"
set -- $add
addid=$1 ax=$2 ay=$3
shot add-dialog-empty
click $((ax + 112 + 90)) $((ay + 59 + 12))
xdotool type --delay 60 "王五"
click $((ax + 112 + 90)) $((ay + 105 + 12))
xdotool type --delay 60 "13900000005"
sleep 0.3
shot add-dialog-typed
click $((ax + 172 + 38)) $((ay + 168 + 18))
gone "$addid" || fail "add dialog still open after OK"
echo "ok: add dialog closed after OK"
[ "$(contact_file)" = "王五=13900000005" ] || fail "contact file: $(contact_file)"
echo "ok: contact file holds 王五=13900000005"
uploads | grep -q '"PL":"13900000005,%E7%8E%8B%E4%BA%94,","error":""' || fail "upload: $(uploads)"
curl -s "http://$sim/_sim/log" | grep -q 'name=\\"PL\\"\\r\\nContent-Type: text/plain\\r\\nContent-Transfer-Encoding: quoted-printable\\r\\n\\r\\n13900000005,%E7%8E%8B%E4%BA%94,\\r\\n--' ||
    fail "PL part not as specified"
echo "ok: the service received PL 13900000005,%E7%8E%8B%E4%BA%94,"
shot main-after-add

# The listed number in the dial edit (panel at 2,252; edit at 54,63, 146 x 31), then "编辑"
# from the menu of the contact's row (the first under the list's title row; second entry).
click $((mx + 2 + 54 + 70)) $((my + 252 + 63 + 15))
xdotool type --delay 60 "13900000005"
click $((mx + 1 + 60)) $((my + 122 + 30)) 3
sleep 0.3
shot contact-menu
xdotool key Down Down Return
edit=$(wait_window 345x212) || fail "no edit dialog"
set -- $edit
editid=$1 ex=$2 ey=$3
shot edit-dialog
click $((ex + 112 + 90)) $((ey + 59 + 12))
xdotool key End
sleep 0.2
xdotool type --delay 60 "一"
sleep 0.3
click $((ex + 172 + 38)) $((ey + 168 + 18))
gone "$editid" || fail "edit dialog still open after OK"
echo "ok: edit dialog closed after OK"
uploads | grep -q '"PL":"13900000005,%E7%8E%8B%E4%BA%94%E4%B8%80,","error":""' || fail "edit upload: $(uploads)"
echo "ok: the service received the edited contact"
[ "$(contact_file)" = "王五=13900000005" ] || fail "the edit wrote the contact file: $(contact_file)"
echo "ok: the edit leaves the file until the next write"
shot main-after-edit

# The next write of the list (a second addition) carries the edited line, in its place.
click $((mx + 2 + 18 + 18)) $((my + 252 + 63 + 16))
add=$(wait_window 345x212) || fail "no add dialog the second time"
set -- $add
click $(($2 + 112 + 90)) $(($3 + 59 + 12))
xdotool type --delay 60 "赵六"
click $(($2 + 112 + 90)) $(($3 + 105 + 12))
xdotool type --delay 60 "13900000006"
click $(($2 + 172 + 38)) $(($3 + 168 + 18))
gone "$1" || fail "second add dialog still open"
[ "$(contact_file | tr '\n' ' ')" = "王五一=13900000005 赵六=13900000006 " ] || fail "contact file after the second add: $(contact_file) $(cat "$home/msgbox.log" 2>/dev/null)"
echo "ok: the file now holds the edited line and the new one, in order"
[ ! -s "$home/msgbox.log" ] || fail "message boxes: $(cat "$home/msgbox.log")"
exit 0
