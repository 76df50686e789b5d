#!/usr/bin/env bash
# The program as a process on a StatusNotifier desktop (a watcher stand-in on a private session
# bus): its notification-area icon registers as a StatusNotifierItem with a picture and its menu.
#   Usage: frame_sni_process.sh <sni_watcher> <zuvi executable>   (under Xvfb and dbus-run-session)
set -u
watcher=$1
zuvi=$2
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-frame-sni
watcher_pid=""
zuvi_pid=""
trap 'kill $zuvi_pid $watcher_pid 2>/dev/null; rm -rf "$home"' EXIT

"$watcher" > "$home/watcher.log" &
watcher_pid=$!
for _ in $(seq 1 50); do grep -q watching "$home/watcher.log" && break; sleep 0.1; done
grep -q watching "$home/watcher.log" || fail "watcher did not start"

"$zuvi" &
zuvi_pid=$!
service=""
for _ in $(seq 1 100); do
    service=$(sed -n 's/^registered //p' "$home/watcher.log" | head -1)
    [ -n "$service" ] && break
    sleep 0.1
done
[ -n "$service" ] || fail "no StatusNotifierItem registered"
echo "ok: item $service registered"

prop() {
    gdbus call --session --dest "$service" --object-path /StatusNotifierItem \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1" 2>&1
}
prop Status | grep -q "Active" || fail "item not active: $(prop Status)"
pixmap=$(prop IconPixmap)
echo "$pixmap" | grep -q "(16, 16\|(32, 32\|(22, 22" || fail "item without a picture: ${pixmap:0:200}"
menu=$(prop Menu)
{ echo "$menu" | grep -q "objectpath '/" && ! echo "$menu" | grep -q NO_DBUSMENU; } ||
    fail "item without a menu: $menu"
echo "ok: active, with a picture and a menu"
kill -0 $zuvi_pid 2>/dev/null || fail "program ended"
exit 0
