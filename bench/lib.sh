# Benchmarks: set-up shared by the SIP and call benchmarks (testbed, service simulator, baresip).
# Sourced by bench/*.sh once root, build and port are set; everything of a run goes into $work.

sim_pid=""
ua_pid=""
prog_pid=""
xvfb_pid=""

# Configures the build folder and builds TARGET... quietly (ZUVI_BENCH_NOBUILD=1: uses the
# build folder as it is, e.g. an older tree's build for a before-and-after run).
bench_build() {
    [ -z "${ZUVI_BENCH_NOBUILD:-}" ] || return 0
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" -j4 --target "$@" >/dev/null
}

# The run's scratch folder /tmp/NAME-XXXXXX as $work. On exit the processes started here end, the
# testbed stops and the folder goes (ZUVI_BENCH_KEEP=1 keeps it).
bench_work() {
    work=$(mktemp -d "/tmp/$1-XXXXXX")
    trap bench_cleanup EXIT
}
bench_cleanup() {
    local pid
    for pid in "$prog_pid" "$ua_pid" "$sim_pid" "$xvfb_pid" "${lp_pid:-}"; do
        [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    done
    "$root/testbed/stop.sh" "$work/tb" >/dev/null 2>&1 || true
    [ -n "${ZUVI_BENCH_KEEP:-}" ] || rm -rf "$work"
}

# $fixture for the call benchmarks: the testbed's accounts with their SIP server on $port.
bench_call_fixture() {
    fixture="$work/accounts.json"
    jq --arg s "127.0.0.1:$port" '.sip_server = $s' "$root/testbed/fixtures/accounts.json" > "$fixture"
}

# $fixture for the SIP benchmarks: the service simulator's accounts, or the testbed's copy while
# the simulator has none.
bench_sip_fixture() {
    fixture="$root/tools/service-sim/fixtures/accounts.json"
    [ -f "$fixture" ] || fixture="$root/testbed/fixtures/accounts.json"
}

# The testbed's kamailio (and far ends) on $port with $fixture; sets $server and $log (kamailio's).
bench_testbed() {
    "$root/testbed/start.sh" --port "$port" --fixture "$fixture" "$work/tb" >/dev/null
    server="127.0.0.1:$port"
    log="$work/tb/kamailio.log"
}

# The service simulator on a free port with $fixture; sets $sim_pid and $api (its host:port).
bench_sim() {
    "$build/bin/zuvi-service-sim" --port 0 --fixture "$fixture" > "$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 100); do grep -q "listening on" "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
    api=$(sed -n 's/^listening on //p' "$work/sim.out" | head -1)
}

# A private Xvfb on a free display number; sets $display and $xvfb_pid.
bench_xvfb() {
    exec {xvfb_fd}<> <(:)
    Xvfb -displayfd "$xvfb_fd" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local n=""
    for _ in $(seq 1 100); do read -r -t 0.1 n <&"$xvfb_fd" && break; done
    display=":$n"
}

# $home_env: assignments for env(1) giving a process a private home, XDG folders and TMPDIR in $work.
bench_home() {
    mkdir -p "$work/home"
    chmod 700 "$work/home"
    home_env=(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
              XDG_RUNTIME_DIR="$work/home" TMPDIR="$work")
}

# $forms_env: the private home plus what the program's forms need headless against the simulator
# (file audio, offscreen, message boxes and opened pages logged). Needs $api.
bench_forms_home() {
    bench_home
    forms_env=("${home_env[@]}" ZUVI_SIP_FILE_AUDIO=1 QT_QPA_PLATFORM=offscreen
               ZUVI_MSGBOX_LOG="$work/msgbox.log" ZUVI_OPEN_URL_LOG="$work/urls.log"
               ZUVI_API_HOST="$api" ZUVI_API2_HOST="$api")
}

# baresip's folder $ua for USER / PASSWORD at $server: SIP on port+21, its console on $cons
# (port+20); with a third argument "rtp", RTP on four ports of its own.
bench_ua_config() {
    local user=$1 password=$2 rtp=""
    ua="$work/ua"
    mkdir -p "$ua"
    cons=$((port + 20))
    [ "${3:-}" != rtp ] || rtp="rtp_ports $((40000 + port % 1000 * 4))-$((40000 + port % 1000 * 4 + 3))"
    cat > "$ua/config" <<CFG
poll_method epoll
sip_listen 127.0.0.1:$((port + 21))
net_interface 127.0.0.1
audio_player aubridge,nil
audio_source aubridge,nil
audio_alert aubridge,nil
$rtp
module_path /usr/lib/baresip/modules
module cons.so
module g711.so
module gsm.so
module aubridge.so
module_app account.so
module_app menu.so
cons_listen 127.0.0.1:$cons
CFG
    echo "<sip:$user@$server;transport=udp>;auth_pass=$password;regint=3600" > "$ua/accounts"
    : > "$ua/contacts"
}

# Starts baresip on $ua; sets $ua_pid.
bench_ua_start() {
    stdbuf -oL baresip -f "$ua" >"$ua/log" 2>&1 </dev/null &
    ua_pid=$!
}

# Waits (4 s at most) until kamailio has registered USER for an hour.
bench_ua_registered() {
    for _ in $(seq 1 200); do grep -q "ZUVI|REGOK|.*|$1|3600|" "$log" 2>/dev/null && break; sleep 0.02; done
}

# Sends COMMAND to baresip's console.
bench_ua_cmd() {
    printf '%s\n' "$1" > "/dev/udp/127.0.0.1/$cons"
}

# Lines of kamailio's log matching PATTERN.
log_count() {
    grep -c "$1" "$log" 2>/dev/null || true
}

# awk: med(arr, n), the median of arr[1..n] (sorts arr); 0 when n is 0.
bench_awk_med='
function med(arr, n,   i, j, t) { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
                                   return n ? arr[int((n + 1) / 2)] : 0 }'

# CPU ticks of a process (all its threads).
bench_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Context switches of all the threads of a process: each is a wake-up of one of them.
bench_switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
# "cpu=<% of one core> wakeups=<per s> rss=<MB>" of PID over SECONDS.
bench_measure() {
    local pid=$1 seconds=$2 t0 t1 w0 w1
    t0=$(bench_ticks "$pid"); w0=$(bench_switches "$pid")
    sleep "$seconds"
    t1=$(bench_ticks "$pid"); w1=$(bench_switches "$pid")
    awk -v a="$t0" -v b="$t1" -v c="$w0" -v d="$w1" -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        -v r="$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")" \
        'BEGIN { printf "cpu=%.2f wakeups=%.0f rss=%.1f\n", (b - a) / hz / s * 100, (d - c) / s, r / 1024 }'
}

# linphonec's folder $lp for USER / PASSWORD at $server (SIP on port+22, RTP on its own ports),
# audio from and to files; bench_linphonec_start runs it with commands read from $lp/cmd.
bench_linphonec_config() {
    lp="$work/lp"
    mkdir -p "$lp" "$work/home/.local/share/linphone"
    sox -n -r 8000 -c 1 -b 16 "$lp/play.wav" trim 0 30 2>/dev/null || cp "$root/testbed/fixtures/"*.wav "$lp/play.wav" 2>/dev/null || true
    cat > "$lp/rc" <<CFG
[sip]
sip_port=$((port + 22))
sip_tcp_port=0
use_ipv6=0
default_proxy=0
register_only_when_network_is_up=0
[rtp]
audio_rtp_port=$((41000 + port % 1000 * 4))
[sound]
tone_indications=0
[video]
capture=0
display=0
automatically_initiate=0
automatically_accept=0
[proxy_0]
reg_proxy=sip:$server
reg_identity=sip:$1@$server
reg_expires=3600
reg_sendregister=1
publish=0
[auth_info_0]
username=$1
passwd=$2
CFG
}
bench_linphonec_start() {
    rm -f "$lp/cmd"; mkfifo "$lp/cmd"
    ( exec 3<>"$lp/cmd"; exec env "${home_env[@]}" linphonec -c "$lp/rc" <&3 >"$lp/log" 2>&1 ) &
    lp_pid=$!
    exec {lp_fd}>"$lp/cmd"
}
bench_linphonec_cmd() { printf '%s\n' "$1" >&"$lp_fd"; }
