#!/usr/bin/env bash
# End to end: the PulseAudio server goes away while QUIB runs and comes back
# on the same socket. Keys typed while it is gone are still counted, and two
# seconds after the server answers again every key is heard again. (Judged
# again, up to three times, when the clicks came too unevenly to count.)
#
# Usage: audio_server_restart.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: audio_server_restart.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_attempts "$@"

session_prioritize
start_session
quib_seed_quiet
session_record_start
quib_start --input x11
quib_wait_started
# heard COUNT [FROM]: whether COUNT clicks were recorded (from FROM seconds on).
heard() {
    (($(session_onset_count "${2:-0}") == $1))
}
before=$(session_onset_count)
xdotool key --delay 100 a b c # heard before the restart
wait_until 3 heard $((before + 3)) ||
    session_fail "$(($(session_onset_count) - before)) of 3 keys heard before the restart"

session_stop recorder
session_stop pacat
session_stop pulseaudio
xdotool key --delay 100 d e f g h # nothing to play them on
back=$(date +%s%N)
session_restart_pulse
session_record_start
ready_ms=$((($(date +%s%N) - back) / 1000000))
# The recorder of a fresh server needs a while; QUIB gets the same 2 s.
wait_ms=$((2000 - ready_ms))
((wait_ms > 0)) && sleep "$(awk -v ms=$wait_ms 'BEGIN { print ms / 1000 }')"
((wait_ms < 0)) && echo "note: the recorder needed $ready_ms ms, so the check starts late"

from=$(session_record_seconds)
xdotool key --delay 100 i j k l m n o p q r
wait_until 3 heard 10 "$from" || true # judged below
after=$(session_onset_count "$from")

session_signal quib TERM || session_fail "quib did not quit cleanly on SIGTERM"
counted=$(quib_stats_json totalKeystrokes)
echo "$after of 10 keys heard from" \
    "$((ready_ms > 2000 ? ready_ms : 2000)) ms after the server was back; counted $counted"
if ((after != 10)); then
    # Ten clicks that came unevenly (a busy machine) may have bunched into fewer.
    ((after > 0)) && ! session_onsets_regular "$from" 1e9 0.1 &&
        session_busy "$after of 10 keys heard, unevenly"
    session_fail "$after of 10 keys heard 2 s after the audio server came back; quib log:" \
        "$(cat "$SESSION_DIR/quib.log")"
fi
((counted == 3 + 5 + 10)) || session_fail "counted $counted keys, expected 3 + 5 unheard + 10"
echo "PASS"
