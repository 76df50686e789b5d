#!/usr/bin/env bash
# The program installed with `cmake --install` into a scratch prefix, or unpacked from the Debian
# package into a scratch root, starts to the login window against the service simulator.
#   Usage: installed_program.sh prefix|package <build folder>   (under Xvfb)
set -u
mode=$1 build=$2
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-installed
trap 'kill $sim_pid $zuvi_pid 2>/dev/null; rm -rf "$home"' EXIT
sim_pid="" zuvi_pid=""

case $mode in
prefix)
    root=$home/prefix
    cmake --install "$build" --prefix "$root" >/dev/null || fail "cmake --install"
    ;;
package)
    (cd "$build" && cpack -G DEB -B "$home/pkg" >/dev/null) || fail "cpack -G DEB"
    deb=$(ls "$home"/pkg/zuvi_*.deb 2>/dev/null | head -1)
    [ -n "$deb" ] || fail "no package built"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for dep in xdg-utils libqt6widgets6 liblinphone; do
        grep -q "$dep" <<<"$depends" || fail "package does not depend on $dep"
    done
    dpkg-deb -c "$deb" | grep -E '_test|bench|service-sim|skin-gen' && fail "test or tool programs packaged"
    dpkg -x "$deb" "$home/root" || fail "dpkg -x"
    root=$home/root/usr
    ;;
*) fail "unknown mode $mode" ;;
esac

# What was installed: the program alone in bin, what it reads in share/zuvi, launcher and icons.
[ "$(ls "$root/bin")" = zuvi ] || fail "bin holds $(ls "$root/bin" | tr '\n' ' ')"
for f in share/zuvi/forms share/zuvi/skins share/zuvi/pic/zuvi_Icon.ico share/applications/zuvi.desktop; do
    [ -e "$root/$f" ] || fail "$f not installed"
done
for s in 16 22 24 32 48 64 128 256; do
    [ -f "$root/share/icons/hicolor/${s}x$s/apps/zuvi.png" ] || fail "no ${s}px icon"
done
[ -e "$root/share/zuvi/forms/uidemo.form" ] && fail "test layout installed"
desktop-file-validate "$root/share/applications/zuvi.desktop" || fail "desktop entry invalid"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$root/share/applications/zuvi.desktop")
echo "ok: $mode layout"

"$build/bin/zuvi-service-sim" --port 0 --log "$home/requests.log" >"$home/sim.out" 2>&1 &
sim_pid=$!
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$home/sim.out")
    [ -n "$port" ] && break
    sleep 0.05
done
[ -n "$port" ] || fail "simulator did not start"
export ZUVI_API_HOST=127.0.0.1:$port ZUVI_API2_HOST=127.0.0.1:$port ZUVI_SITE_ROOT=http://127.0.0.1:$port

# Started from another folder; the window class is the launcher's StartupWMClass.
(cd / && exec "$root/bin/zuvi") &
zuvi_pid=$!
login=""
for _ in $(seq 1 150); do
    login=$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*("zuvi" "zuvi")  *261x510+.*/\1/p' | head -1)
    [ -n "$login" ] && xwininfo -id "$login" | grep -q 'Map State: IsViewable' && break
    login=""
    kill -0 $zuvi_pid 2>/dev/null || fail "program ended: $(cat "$home/msgbox.log" 2>/dev/null)"
    sleep 0.1
done
[ -n "$login" ] || fail "no login window"
[ -s "$home/msgbox.log" ] && fail "message shown: $(cat "$home/msgbox.log")"
echo "ok: installed program shows the login window"
