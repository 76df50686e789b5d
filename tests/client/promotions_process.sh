#!/usr/bin/env bash
# The program as a process against the service simulator (under Xvfb): a typed login sends the
# Activity request once, the page fills, the banner picture lands in the data folder as "ad.jpg"
# and opens the element's link; at the next start both forms show that banner before any fetch.
# Usage: promotions_process.sh <zuvi executable> <zuvi-service-sim executable> [screenshot folder]
set -u
zuvi=$1
simexe=$2
shots=${3:-}
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-promotions
trap 'kill $zuvi_pid $sim_pid 2>/dev/null; rm -rf "$home"' EXIT
zuvi_pid=
data=$XDG_DATA_HOME/zuvi

"$simexe" --port 0 >"$home/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do grep -q listening "$home/sim.out" && break; sleep 0.05; done
sim=$(sed -n 's/^listening on //p' "$home/sim.out")
[ -n "$sim" ] || fail "simulator did not start"
export ZUVI_API_HOST=$sim ZUVI_API2_HOST=$sim ZUVI_SITE_ROOT=http://site.test
link="http://$sim/activity.html"

actions() { curl -s "http://$sim/_sim/log" | sed -n 's/.*"query":"r=Pc\/\([A-Za-z]*\).*/\1/p'; }
count() { actions | grep -cx "$1"; }
# A shown window of the given size: "id left top".
window() {
    for _ in $(seq 1 100); do
        for w in $(xwininfo -root -tree 2>/dev/null |
            sed -n "s/^ *\(0x[0-9a-f]*\) .*(\"zuvi\" \"[^\"]*\")  *$1+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\).*/\1:\2:\3/p"); do
            if xwininfo -id "${w%%:*}" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                echo "${w//:/ }"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}
# The banner's middle (1, 451; 254 x 58) is the simulator's blue picture, not the background.
banner_blue() {
    import -window root "$home/screen.png" 2>/dev/null || return 1
    local rgb
    rgb=$(convert "$home/screen.png" -format "%[fx:int(255*p{$(($1 + 128)),$(($2 + 480))}.r)] %[fx:int(255*p{$(($1 + 128)),$(($2 + 480))}.b)]" info:)
    set -- $rgb
    [ "$2" -gt $(($1 + 60)) ]
}
shot() { [ -n "$shots" ] && cp "$home/screen.png" "$shots/$1"; }

# First run: the login typed by the user.
"$zuvi" &
zuvi_pid=$!
set -- $(window 261x510) || fail "no login form"
login_x=$2 login_y=$3
banner_blue $login_x $login_y && fail "a banner before any download"
sleep 0.3
xdotool mousemove $((login_x + 100)) $((login_y + 200)) click 1
xdotool type --delay 20 13800000001
xdotool mousemove $((login_x + 100)) $((login_y + 255)) click 1
xdotool type --delay 20 zuvi1234
xdotool key Return
set -- $(window 262x510) || fail "no main window after the login"
main_x=$2 main_y=$3
for _ in $(seq 1 100); do [ -s "$data/ad.jpg" ] && break; sleep 0.1; done
[ -s "$data/ad.jpg" ] || fail "no ad.jpg in the data folder"
cmp -s "$data/ad.jpg" <(curl -s "http://$sim/_sim/banner.jpg") || fail "ad.jpg is not the served picture"
echo "ok: the banner picture is the data folder's ad.jpg"
sleep 1.5
[ "$(count Activity)" = 1 ] || fail "Activity sent $(count Activity) times"
echo "ok: one Activity request after the login"
banner_blue $main_x $main_y || fail "main window without the banner"
shot promotions-main.png
echo "ok: the main window shows the banner"
# The promotions tab ("优惠活动", the fourth tab) shows the page.
xdotool mousemove $((main_x + 226)) $((main_y + 108)) click 1
sleep 0.5
import -window root "$home/screen.png"
shot promotions-page.png
xdotool mousemove $((main_x + 128)) $((main_y + 480)) click 1
sleep 0.5
grep -qx "$link" "$home/urls.log" 2>/dev/null || fail "banner click opened: $(cat "$home/urls.log" 2>/dev/null)"
echo "ok: a click on the banner opens the element's link"
kill $zuvi_pid
wait $zuvi_pid 2>/dev/null
zuvi_pid=

# Second run: no automatic login, and the service refuses the Activity list.
ini=$data/13800000001/login.ini
sed -i '/^\[switch3\]/,/^login=/ s/^login=1/login=0/' "$ini"
grep -A1 '^\[switch3\]' "$ini" | grep -q '^login=0' || fail "automatic login not switched off: $(cat "$ini")"
curl -s -d '' "http://$sim/_sim/fault?action=Activity&mode=refuse" >/dev/null
: >"$home/urls.log"
"$zuvi" &
zuvi_pid=$!
set -- $(window 261x510) || fail "no login form at the second start"
login_x=$2 login_y=$3
sleep 1.5
[ "$(count Login)" = 1 ] || fail "the second start logged in by itself"
banner_blue $login_x $login_y || fail "login form without the banner at the next start"
shot promotions-login.png
echo "ok: the login form shows the banner at the next start"
xdotool mousemove $((login_x + 128)) $((login_y + 480)) click 1
sleep 0.5
grep -qx "http://site.test" "$home/urls.log" 2>/dev/null || fail "login banner click opened: $(cat "$home/urls.log" 2>/dev/null)"
echo "ok: before any fetch the banner opens the site"
xdotool mousemove $((login_x + 100)) $((login_y + 255)) click 1
xdotool key Return
set -- $(window 262x510) || fail "no main window at the second login"
sleep 0.5
banner_blue $2 $3 || fail "main window without the banner at the next start"
echo "ok: the main window shows the banner at the next start"
[ ! -s "$home/msgbox.log" ] || fail "message boxes: $(cat "$home/msgbox.log")"
exit 0
