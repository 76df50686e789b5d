#!/usr/bin/env bash
# Every row of the performance table: the program's figure beside its peers' from the same run,
# with the ratio and the machine's load. With a second build folder (an older tree built with the
# same bench drivers) each row also shows that build's figure, measured in the same run.
# Usage: bench/all.sh [build dir] [before build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
before=${2:-}
out=$(mktemp -d /tmp/zuvi-bench-all-XXXXXX)
trap 'rm -rf "$out"' EXIT
export ZUVI_BENCH_PORT=${ZUVI_BENCH_PORT:-6370}

load() { awk '{ printf "%s %s %s", $1, $2, $3 }' /proc/loadavg; }
echo "machine: $(nproc) cores, load average $(load) at the start"

# run NAME SCRIPT ARGS...: the script on the build ($out/NAME.now) and on the before build.
run() {
    local name=$1 script=$2
    shift 2
    "$root/bench/$script" "$build" "$@" > "$out/$name.now" 2>"$out/$name.err" || echo "$script failed: $(tail -3 "$out/$name.err")" >&2
    if [ -n "$before" ]; then
        ZUVI_BENCH_NOBUILD=1 "$root/bench/$script" "$before" "$@" > "$out/$name.before" 2>>"$out/$name.err" ||
            echo "$script (before) failed" >&2
    fi
}
ZUVI_BENCH_BEFORE=$before "$root/bench/ui-startup.sh" "$build" 21 > "$out/startup.now" 2>"$out/startup.err" ||
    echo "ui-startup.sh failed: $(tail -3 "$out/startup.err")" >&2
if [ -n "$before" ]; then
    sed -n 's/.*; before: program \([0-9.]*\) ms.*/start to window mapped: program \1 ms/p' "$out/startup.now" > "$out/startup.before"
    sed -i 's/; before: .*//' "$out/startup.now"
fi
run idle idle-footprint.sh 10
run incall call-footprint.sh 10
run login login-contacts.sh 48000
run latency call-latency.sh 10
echo "machine: load average $(load) at the end"
echo

# field FILE LINE-PATTERN KEY: the number after KEY on the first line matching LINE-PATTERN.
field() {
    [ -f "$1" ] || { echo "-"; return; }
    local v
    v=$(grep -m1 -- "$2" "$1" | sed -n "s|.*$3[ =]*\([0-9.]*\).*|\1|p")
    echo "${v:--}"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }
row() { # metric, now, before, peer text, ratio, goal
    printf "| %s | %s | %s | %s | %s | %s |\n" "$@"
}

echo "| metric | program | before | peers (same run) | ratio | goal |"
echo "|---|---|---|---|---|---|"
for v in now before; do
    declare "st_$v=$(field "$out/startup.$v" "start to window" "program")"
    declare "rss_$v=$(field "$out/idle.$v" "^idle program" "rss")"
    declare "cpu_$v=$(field "$out/idle.$v" "^idle program" "cpu")"
    declare "wk_$v=$(field "$out/idle.$v" "^idle program" "wakeups")"
    declare "ccpu_$v=$(field "$out/incall.$v" "^in a call program" "cpu")"
    declare "cwk_$v=$(field "$out/incall.$v" "^in a call program" "wakeups")"
    declare "login_$v=$(field "$out/login.$v" "contacts:" "contacts:")"
    declare "p2i_$v=$(field "$out/latency.$v" "^program" "press to INVITE")"
    declare "i2a_$v=$(field "$out/latency.$v" "^program" "INVITE to ACK")"
done
bare=$(field "$out/startup.now" "start to window" "bare Qt window")
b_rss=$(field "$out/idle.now" "^idle baresip" "rss"); l_rss=$(field "$out/idle.now" "^idle linphonec" "rss")
b_cpu=$(field "$out/idle.now" "^idle baresip" "cpu"); l_cpu=$(field "$out/idle.now" "^idle linphonec" "cpu")
b_wk=$(field "$out/idle.now" "^idle baresip" "wakeups"); l_wk=$(field "$out/idle.now" "^idle linphonec" "wakeups")
b_ccpu=$(field "$out/incall.now" "^in a call baresip" "cpu"); l_ccpu=$(field "$out/incall.now" "^in a call linphonec" "cpu")
b_cwk=$(field "$out/incall.now" "^in a call baresip" "wakeups"); l_cwk=$(field "$out/incall.now" "^in a call linphonec" "wakeups")
b_p2i=$(field "$out/latency.now" "^baresip" "/dial to INVITE")
b_i2a=$(field "$out/latency.now" "^baresip" "INVITE to ACK"); l_i2a=$(field "$out/latency.now" "^linphonec" "INVITE to ACK")

row "start → login window mapped (Xvfb)" "$st_now ms" "$st_before ms" "bare Qt 6 window $bare ms" "$(ratio "$st_now" "$bare") × bare" "≤ 1.7× bare"
row "RSS logged in, idle" "$rss_now MB" "$rss_before MB" "linphonec $l_rss MB; baresip $b_rss MB" "$(ratio "$rss_now" "$l_rss") × linphonec" "≤ 80 MB"
row "CPU idle, logged in" "$cpu_now %, $wk_now wakeups/s" "$cpu_before %, $wk_before wakeups/s" "linphonec $l_cpu %, $l_wk/s; baresip $b_cpu %, $b_wk/s" "$(ratio "$wk_now" "$l_wk") × linphonec wakeups" "≤ 0.3 %, ≤ 60 wakeups/s"
row "CPU in a call" "$ccpu_now %, $cwk_now wakeups/s" "$ccpu_before %, $cwk_before wakeups/s" "linphonec $l_ccpu %, $l_cwk/s; baresip $b_ccpu %, $b_cwk/s" "$(ratio "$ccpu_now" "$l_ccpu") × linphonec" "≤ linphonec's"
row "login → main window, 48k contacts" "$login_now ms" "$login_before ms" "–" "–" "≤ 1000 ms"
row "call button → INVITE on the wire" "$p2i_now ms" "$p2i_before ms" "baresip $b_p2i ms" "$(ratio "$p2i_now" "$b_p2i") × baresip" "≤ 1.5× baresip"
row "INVITE → ACK through kamailio" "$i2a_now ms" "$i2a_before ms" "baresip $b_i2a ms; linphonec $l_i2a ms" "$(ratio "$i2a_now" "$b_i2a") × baresip" "≤ 1.5× baresip"
echo
echo "Longest UI-thread stall per phase (ms; the login phase holds the login's blocking web requests):"
for v in now before; do
    [ -f "$out/login.$v" ] || continue
    echo "  $v: $(sed -n 's/.*longest UI stalls (ms): //p' "$out/login.$v" | head -1); $(sed -n 's/^stall program: //p' "$out/latency.$v"); $(sed -n 's/^stall program: .*\(idle [0-9.]*\).*/\1/p' "$out/idle.$v")"
done
echo
echo "Raw output:"
for f in "$out"/*.now "$out"/*.before; do
    [ -f "$f" ] || continue
    echo "== $(basename "$f")"
    cat "$f"
done
