#!/usr/bin/env bash
# The program as a process: at start, before any login, it creates the audio-device dialog, which
# creates the empty device files "audio.input" and "audio.output" in the data folder, and the
# voice-test dialog, with no error reported.   Usage: program_dialogs.sh <zuvi executable>
set -u
zuvi=$1
. "$(dirname "$0")/../support/program_home.sh"
program_home zuvi-program-dialogs
export QT_QPA_PLATFORM=offscreen
# ALSA: a default device and two named ones, no sound card.
cat > "$home/asound.conf" <<CONF
pcm.null { type null }
pcm.!default { type null }
pcm.a { type null; hint { show on; description "A" } }
pcm.b { type null; hint { show on; description "B" } }
CONF
export ALSA_CONFIG_PATH=$home/asound.conf
trap 'kill $zuvi_pid 2>/dev/null; rm -rf "$home"' EXIT

(cd "$home" && exec "$zuvi") &
zuvi_pid=$!
data=$home/data/zuvi
for _ in $(seq 1 100); do
    [ -e "$data/audio.input" ] && [ -e "$data/audio.output" ] && break
    sleep 0.1
done
[ -e "$data/audio.input" ] || fail "no audio.input in the data folder"
[ -e "$data/audio.output" ] || fail "no audio.output in the data folder"
[ -s "$data/audio.input" ] || [ -s "$data/audio.output" ] && fail "device files not empty"
echo "ok: empty device files created at start"
sleep 1
kill -0 $zuvi_pid 2>/dev/null || fail "program ended early"
[ -s "$home/msgbox.log" ] && fail "error reported: $(cat "$home/msgbox.log")"
echo "ok: the program runs on with no error reported"
