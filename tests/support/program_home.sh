# Test support for the program run as a process (sourced): a private home, no service, X display.

# $home: a fresh /tmp/NAME-XXXXXX with HOME and the XDG folders in it (runtime folder mode 0700),
# message boxes and opened web pages logged there, the service on a closed loopback port, SIP
# audio from files and Qt on X. The caller removes $home.
program_home() {
    home=$(mktemp -d "/tmp/$1-XXXXXX")
    mkdir -p "$home/data" "$home/config" "$home/cache"
    mkdir -m 700 "$home/runtime"
    export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache
    export XDG_RUNTIME_DIR=$home/runtime ZUVI_MSGBOX_LOG=$home/msgbox.log ZUVI_OPEN_URL_LOG=$home/urls.log
    export ZUVI_API_HOST=127.0.0.1:9 ZUVI_API2_HOST=127.0.0.1:9 ZUVI_SIP_FILE_AUDIO=1 QT_QPA_PLATFORM=xcb
}

fail() { echo "FAILED: $*"; exit 1; }

# The simulator SIMEXE on a free port with FIXTURE ($sim its address, $sim_pid) as the program's
# service, and its account $phone remembered with its password, so the program logs in by itself.
sim_with_remembered_account() {
    "$1" --port 0 --fixture "$2" >"$home/sim.out" &
    sim_pid=$!
    for _ in $(seq 1 100); do grep -q listening "$home/sim.out" 2>/dev/null && break; sleep 0.05; done
    sim=$(sed -n 's/^listening on \(.*\)$/\1/p' "$home/sim.out")
    [ -n "$sim" ] || fail "simulator did not start"
    export ZUVI_API_HOST=$sim ZUVI_API2_HOST=$sim
    phone=13800000001
    mkdir -p "$XDG_CONFIG_HOME/zuvi"
    printf '{"keys": {"Software\\\\zuvi": {"usr": "%s", "%s": "zuvi1234"}}}\n' $phone $phone >"$XDG_CONFIG_HOME/zuvi/store.json"
    chmod 600 "$XDG_CONFIG_HOME/zuvi/store.json"
}

# X windows of the program (xwininfo, xdotool).
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# A viewable top-level window of the program of the given size: "id left top".
window() {
    for id in $(xwininfo -root -tree 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) .*(\"zuvi\" \"[^\"]*\")  *$1+[-0-9]*+[-0-9]*  *+[-0-9]*+[-0-9]*.*/\1/p"); do
        if viewable "$id"; then
            xwininfo -id "$id" | awk -v id="$id" '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print id, x, y}'
            return 0
        fi
    done
    return 1
}
wait_window() {
    for _ in $(seq 1 150); do window "$1" && return 0; sleep 0.1; done
    return 1
}
gone() {
    for _ in $(seq 1 100); do viewable "$1" || return 0; sleep 0.1; done
    return 1
}
click() { xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click "${3:-1}"; sleep 0.3; }
