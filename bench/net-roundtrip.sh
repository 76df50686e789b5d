#!/bin/sh
# Round trip of one web API GET (RandCode) to the service simulator: median whole-request time
# through the program's HTTP client, beside the curl command's own time_total for the same URL.
# Usage: bench/net-roundtrip.sh [build dir] [runs]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-201}
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j8 --target zuvi-net-bench zuvi-service-sim >/dev/null
out=$(mktemp)
"$build/bin/zuvi-service-sim" --port 0 >"$out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$out"' EXIT
i=0
while ! grep -q listening "$out" && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")
url="http://127.0.0.1:$port/m2/index.php?r=Pc/RandCode&Flag=160000"
echo "URL $url, $runs runs"
"$build/bench/zuvi-net-bench" "$url" "$runs"
n=0
: >"$out.curl"
while [ $n -lt "$runs" ]; do
    curl -s -o /dev/null --noproxy '*' -A 'Mozilla/3.0 (compatible; Indy Library)' -w '%{time_total}\n' "$url" >>"$out.curl"
    n=$((n + 1))
done
sort -n "$out.curl" | awk '{ v[NR] = $1 * 1000 } END { printf "curl command, time_total       median %.3f ms  min %.3f ms\n", v[int(NR / 2) + 1], v[1] }'
rm -f "$out.curl"
