#!/usr/bin/env bash
# End to end: the PulseAudio server goes away while QUIB runs and comes back
# on the same socket. Keys typed while it is gone are still counted, and once
# QUIB plays again (a probe key a second until one is heard) every key is heard
# again. How soon that is, is the benchmarks' business. (Judged again, up to
# three times, when the clicks came too unevenly to count.)
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
heard_any() { (($(session_onset_count "$1") > 0)); }
before=$(session_onset_count)
xdotool key --delay 100 a b c # heard before the restart
wait_until 10 heard $((before + 3)) ||
    session_fail "$(($(session_onset_count) - before)) of 3 keys heard before the restart"

session_stop recorder
session_stop pacat
session_stop pulseaudio
xdotool key --delay 100 d e f g h # nothing to play them on
session_restart_pulse
session_record_start
probes=0
probe() {
    local at
    at=$(session_record_seconds)
    xdotool key z
    probes=$((probes + 1))
    wait_until 1 heard_any "$at"
}
started=$SECONDS
wait_until 30 probe || session_fail "no key heard 30 s after the server came back: $(quib_log)"
echo "quib played again after $probes probe keys, $((SECONDS - started)) s"
session_record_more 0.4

from=$(session_record_seconds)
xdotool key --delay 100 i j k l m n o p q r
wait_until 10 heard 10 "$from" || true # judged below
after=$(session_onset_count "$from")

session_signal quib TERM || session_fail "quib did not quit cleanly on SIGTERM"
counted=$(quib_keystrokes)
echo "$after of 10 keys heard once quib played again; counted $counted"
if ((after != 10)); then
    # Ten clicks that came unevenly (a busy machine) may have bunched into fewer.
    ((after > 0)) && ! session_onsets_regular "$from" 1e9 0.1 &&
        session_busy "$after of 10 keys heard, unevenly"
    session_fail "$after of 10 keys heard after the audio server came back; quib log: $(quib_log)"
fi
((counted == 3 + 5 + probes + 10)) ||
    session_fail "counted $counted keys, expected 3 + 5 unheard + $probes probes + 10"
echo "PASS"
