#!/usr/bin/env bash
# Start to first window mapped, under a private Xvfb: the program (its login window, against the
# service simulator, in a private home) beside a bare Qt 6 Widgets window in the same run,
# alternating; prints medians and the ratio. With ZUVI_BENCH_BEFORE set to an older build folder,
# that build's program takes its turn in every round too.
# Usage: bench/ui-startup.sh [build dir] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-15}
. "$root/bench/lib.sh"
bench_build zuvi zuvi_resources zuvi_skins zuvi-service-sim zuvi-map-time zuvi-bare-window

bench_work zuvi-ui-startup
bench_sip_fixture
bench_sim
bench_xvfb

: > "$work/times"
for i in $(seq 1 "$rounds"); do
    rm -rf "$work/home"
    bench_home
    mapped() {
        env "${home_env[@]}" DISPLAY="$display" QT_QPA_PLATFORM=xcb ZUVI_API_HOST="$api" ZUVI_API2_HOST="$api" \
            ZUVI_SIP_FILE_AUDIO=1 "$build/bench/zuvi-map-time" 10000 "$@" | sed -n 's/^MAPPED //p'
    }
    t=$(mapped "$build/bin/zuvi")
    b=$(mapped "$build/bench/zuvi-bare-window")
    o=0
    if [ -n "${ZUVI_BENCH_BEFORE:-}" ]; then
        rm -rf "$work/home"
        bench_home
        o=$(mapped "$ZUVI_BENCH_BEFORE/bin/zuvi")
    fi
    echo "${t:-0} ${b:-0} ${o:-0}" >> "$work/times"
done
awk "$bench_awk_med"'
{ if ($1 > 0) p[++np] = $1; if ($2 > 0) q[++nq] = $2; if ($3 > 0) r[++nr] = $3 }
END {
    a = med(p, np); b = med(q, nq); c = med(r, nr)
    printf "start to window mapped (medians of %d): program %.1f ms, bare Qt window %.1f ms", np, a, b
    if (b > 0) printf ", ratio %.2f", a / b
    if (nr > 0) printf "; before: program %.1f ms", c
    printf "\n"
}' "$work/times"
