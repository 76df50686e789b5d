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
