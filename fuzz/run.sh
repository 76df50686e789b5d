#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan, libFuzzer) into build-fuzz/ and runs each one for
# SECONDS, one after the other, from its seeds in fuzz/corpus/<name>/ plus what earlier runs found
# (build-fuzz/corpus/<name>/). Findings land in build-fuzz/findings/; the results table of
# fuzz/README.md is rewritten (not with ZUVI_FUZZ_README=0). Exit status 1 when any target found
# something.
#   fuzz/run.sh SECONDS [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: fuzz/run.sh SECONDS [NAME...]}
shift
build="$root/build-fuzz"
jobs=${ZUVI_FUZZ_BUILD_JOBS:-4}

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZUVI_SANITIZE=address,undefined -DZUVI_FUZZ=ON >/dev/null
fi
cmake --build "$build" -j"$jobs" --target fuzz_all >/dev/null

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for src in "$root"/fuzz/fuzz_*.cpp; do
        n=${src##*/fuzz_}
        names+=("${n%.cpp}")
    done
fi

# intercept_tls_get_addr=0: see .ci/sanitize.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:intercept_tls_get_addr=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
rows=()
found=0
for name in "${names[@]}"; do
    corpus="$build/corpus/$name"
    findings="$build/findings/$name"
    log="$build/logs/$name.log"
    mkdir -p "$corpus" "$findings" "${log%/*}"
    before=$(find "$findings" -type f | wc -l)
    set +e
    # The store reader says on standard error when it sets a file aside: keep that out of the log.
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$name" 2>&1 \
        | grep -v '^zuvi: .*store' >"$log"
    status=${PIPESTATUS[0]}
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    units=$(find "$corpus" -type f | wc -l)
    new=$(($(find "$findings" -type f | wc -l) - before))
    result="none"
    if [ "$status" -ne 0 ] || [ "$new" -gt 0 ]; then
        found=1
        result="**$new new in build-fuzz/findings/$name (exit $status)**"
    fi
    printf '%-10s %10s executions %7s/s  corpus %5s  findings: %s\n' "$name" "${runs:-?}" "${rate:-?}" "$units" "$result"
    rows+=("| \`fuzz_$name\` | ${runs:-?} | ${rate:-?} | $units | $result |")
done

# The results table of the README, between its two markers.
readme="$root/fuzz/README.md"
if [ "${ZUVI_FUZZ_README:-1}" != 0 ] && grep -q '<!-- results:begin -->' "$readme"; then
    table=$(mktemp)
    {
        echo "<!-- results:begin -->"
        echo "Last run: $(date -u '+%Y-%m-%d %H:%M UTC'), ${seconds} s per target, commit $(git -C "$root" rev-parse --short HEAD)."
        echo
        echo "| target | executions | per second | corpus | findings |"
        echo "|---|---|---|---|---|"
        printf '%s\n' "${rows[@]}"
        echo "<!-- results:end -->"
    } >"$table"
    awk -v table="$table" '
        /<!-- results:begin -->/ { while ((getline line < table) > 0) print line; skip = 1; next }
        /<!-- results:end -->/ { skip = 0; next }
        !skip { print }' "$readme" >"$readme.new"
    mv "$readme.new" "$readme"
    rm -f "$table"
fi
exit "$found"
