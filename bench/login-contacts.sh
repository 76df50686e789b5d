#!/usr/bin/env bash
# Login to the main window with a long contact list: the login handler's time with CONTACTS
# lines (default 48000) in the account's list beside the same login with an empty list, in the
# same run. Usage: bench/login-contacts.sh [build dir] [contacts]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
contacts=${2:-48000}
port=${ZUVI_BENCH_PORT:-6270}
. "$root/bench/lib.sh"
bench_build zuvi-call-bench zuvi-service-sim zuvi

bench_work zuvi-login
bench_call_fixture
bench_testbed
read -r phone password < <(jq -r '[.accounts[0].phone, .accounts[0].password] | @tsv' "$fixture")
bench_sim

login() {
    rm -rf "$work/home"
    bench_forms_home
    env "${forms_env[@]}" "$build/bench/zuvi-call-bench" "$build/bin" "$phone" "$password" login - "$1" 2>"$work/prog.err" |
        awk '/^LOGIN/ { printf "%.1f ms (%d contacts listed)", $2, $3 } /^STALL/ { sub(/^STALL /, ""); stall = $0 } END { printf "; longest UI stalls (ms): %s\n", stall }'
}
echo "login with $contacts contacts: $(login "$contacts")"
echo "login with no contacts: $(login 0)"
