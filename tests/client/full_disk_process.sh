#!/usr/bin/env bash
# The program as a process with its data folder on a small tmpfs filled almost full (a mount
# namespace of its own, under Xvfb): a contact added through the add dialog cannot be written,
# "无法写入文件 …" is shown, nothing is uploaded, and at the shut-down (SIGTERM) the contact
# write fails again while the call history and the volumes, which fit, are still written; the
# old "contact" stays byte for byte, no temporary is left and the program ends normally.
# Exits 77 (skipped) where no mount namespace can be made.
# Usage: full_disk_process.sh <zuvi> <zuvi-service-sim> <fixture>
set -u
if [ -z "${ZUVI_FULL_DISK_NS:-}" ]; then
    if ! unshare -rm true 2>/dev/null; then
        echo "SKIPPED: no mount namespace here (unshare -rm failed), so no private tmpfs"
        exit 77
    fi
    ZUVI_FULL_DISK_NS=1 exec unshare -rm "$0" "$@"
fi
zuvi=$1 simexe=$2 fixture=$3
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-full-disk
trap 'kill $zuvi_pid $sim_pid 2>/dev/null; umount "$XDG_DATA_HOME" 2>/dev/null; rm -rf "$home"' EXIT
zuvi_pid="" sim_pid=""
if ! mount -t tmpfs -o size=256k,mode=0700 tmpfs "$XDG_DATA_HOME"; then
    echo "SKIPPED: tmpfs cannot be mounted in the namespace"
    exit 77
fi

sim_with_remembered_account "$simexe" "$fixture"

# The account's files before the start: 400 contacts (three pages of GBK text) and one call.
account=$XDG_DATA_HOME/zuvi/$phone
mkdir -p -m 700 "$XDG_DATA_HOME/zuvi" "$account"
for i in $(seq 100 499); do printf '联系人%s=13900000%s\r\n' "$i" "$i"; done | iconv -f UTF-8 -t GBK >"$account/contact"
printf '13900000001 3 秒 2026/01/02 03:04:05\r\n' | iconv -f UTF-8 -t GBK >"$account/call"
cp "$account/contact" "$home/contact.before"
cp "$account/call" "$home/call.before"

"$zuvi" &
zuvi_pid=$!
main=$(wait_window 262x510) || fail "no main window after the automatic login"
set -- $main
mx=$2 my=$3
echo "ok: logged in, main window at $mx,$my"
# The banner picture lands in the data folder a second after the window shows.
for _ in $(seq 1 50); do [ -s "$XDG_DATA_HOME/zuvi/ad.jpg" ] && break; sleep 0.1; done
sleep 0.5

# Fill the disk, then give two pages back: room for the call history and the volumes, not for
# the contact list.
rm -f "$account/zuvi.ini"
dd if=/dev/zero of="$XDG_DATA_HOME/filler" bs=4096 2>/dev/null
size=$(stat -c %s "$XDG_DATA_HOME/filler")
truncate -s $((size / 4096 * 4096 - 8192)) "$XDG_DATA_HOME/filler"
touch "$home/filled"
echo "ok: data folder full but for $(df -k --output=avail "$XDG_DATA_HOME" | tail -1 | tr -d ' ') KiB"

click $((mx + 2 + 18 + 18)) $((my + 252 + 63 + 16))
add=$(wait_window 345x212) || fail "no add dialog"
set -- $add
addid=$1 ax=$2 ay=$3
click $((ax + 112 + 90)) $((ay + 59 + 12))
xdotool type --delay 40 "Wang"
click $((ax + 112 + 90)) $((ay + 105 + 12))
xdotool type --delay 40 "13900000777"
click $((ax + 172 + 38)) $((ay + 168 + 18))
for _ in $(seq 1 50); do grep -q "无法写入文件" "$home/msgbox.log" 2>/dev/null && break; sleep 0.1; done
grep -qx "无法写入文件 $account/contact" "$home/msgbox.log" || fail "no write error shown: $(cat "$home/msgbox.log" 2>/dev/null)"
echo "ok: 无法写入文件 $account/contact shown"
viewable "$addid" || fail "the add dialog closed although the contact was not written"
echo "ok: the add dialog stays open"
[ -z "$(curl -s "http://$sim/_sim/uploads")" ] || fail "uploaded although not written: $(curl -s "http://$sim/_sim/uploads")"
echo "ok: nothing uploaded"
cmp -s "$account/contact" "$home/contact.before" || fail "contact changed by the failed add"

# Shut-down as at a logout: the contact write fails again, the later writes still run.
kill -TERM $zuvi_pid
for _ in $(seq 1 150); do kill -0 $zuvi_pid 2>/dev/null || break; sleep 0.1; done
kill -0 $zuvi_pid 2>/dev/null && fail "the program did not end within 15 s of SIGTERM"
wait $zuvi_pid
rc=$?
zuvi_pid=""
[ $rc -eq 0 ] || fail "the program ended with status $rc"
echo "ok: ended normally after SIGTERM"
[ "$(grep -cx "无法写入文件 $account/contact" "$home/msgbox.log")" -eq 2 ] ||
    fail "the shut-down did not report the contact write: $(cat "$home/msgbox.log")"
echo "ok: the shut-down reported the contact write"
cmp -s "$account/contact" "$home/contact.before" || fail "the old contact file is not intact"
echo "ok: the old contact file is byte-identical"
leftovers=$(find "$XDG_DATA_HOME" -name '.*.??????')
[ -z "$leftovers" ] || fail "temporaries left: $leftovers"
echo "ok: no temporaries left"
[ "$account/call" -nt "$home/filled" ] || fail "the call history was not written at the shut-down"
cmp -s "$account/call" "$home/call.before" || fail "call history changed: $(iconv -f GBK -t UTF-8 "$account/call")"
[ -s "$account/zuvi.ini" ] || fail "the volumes were not written at the shut-down"
echo "ok: call history and volumes written after the failed contact write"
curl -s "http://$sim/_sim/log" | grep -q 'r=Pc/Logout' || fail "no Logout sent"
echo "ok: Logout sent"
exit 0
