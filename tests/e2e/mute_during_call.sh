#!/usr/bin/env bash
# End to end: while another program records from a microphone (parec on a
# null source, which is not a monitor), keys are counted but not heard, and
# heard again once it stops; the recorder of the sink's monitor that listens
# to QUIB here does not count as a call. The mute chord (Scroll Lock twice)
# mutes and unmutes the same way, and the key still reaches the focused window.
#
# Usage: mute_during_call.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: mute_during_call.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_attempts "$@"

session_prioritize
start_session
session_focus_window # xev logs what reaches the focused window
quib_seed_quiet
pactl load-module module-null-source source_name=mic >/dev/null
session_record_start
quib_start --input x11
quib_wait_started

# heard CMD...: runs CMD, lets the last click ring out and prints how many
# clicks were recorded meanwhile.
heard() {
    local from to
    from=$(session_record_seconds)
    "$@"
    session_record_more 0.4
    to=$(session_record_seconds)
    session_onset_count "$from" "$to"
}
# waited LINE: waits for QUIB's log line and prints how long it took (ms).
waited() {
    local start=$EPOCHREALTIME
    wait_until 5 quib_logged "$1" || session_fail "no \"$1\" in the log: $(cat "$SESSION_DIR/quib.log")"
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f\n", (b - a) * 1000 }'
}

read -ra letters <<<"$(session_letters 10)"
typing() { xdotool key --delay 100 "${letters[@]}"; }

before=$(heard typing)
session_spawn caller parec -d mic --raw --latency-msec=20 /dev/null
to_mute=$(waited "Clicks muted: a program records from a microphone")
during=$(heard typing)
session_stop caller
to_back=$(waited "Clicks back")
after=$(heard typing)

chord=$(heard xdotool key --delay 150 Scroll_Lock Scroll_Lock)
wait_until 5 quib_logged "Mute chord: clicks muted" || session_busy "the chord was not recognised (presses 150 ms apart)"
muted=$(heard typing)
unchord=$(heard xdotool key --delay 150 Scroll_Lock Scroll_Lock)
wait_until 5 quib_logged "Mute chord: clicks on" || session_busy "the second chord was not recognised"
unmuted=$(heard typing)

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
reached=$(grep -c "KeyPress event.*" "$SESSION_DIR/focus.log" || true)
scroll=$(grep -A2 "KeyPress event" "$SESSION_DIR/focus.log" | grep -c "Scroll_Lock" || true)

echo "heard: before $before/10, in the call $during/0, after $after/10 (muted after" \
    "${to_mute} ms, back after ${to_back} ms, log-polled); chord $chord/1, muted $muted/0," \
    "unmuting chord $unchord/0, unmuted $unmuted/10; counted $keys keys; Scroll Lock reached" \
    "the focused window $scroll times"
((during == 0)) || session_fail "$during clicks heard during the call"
((muted == 0 && unchord == 0)) || session_fail "clicks heard while muted by the chord"
((chord == 1)) || session_fail "the chord should sound its first press only, heard $chord"
((before == 10 && after == 10 && unmuted == 10)) ||
    session_busy "10 clicks expected before, after the call and after the chord"
((keys == 54)) || session_fail "expected 54 keys counted (50 letters, 4 Scroll Lock), got $keys"
((scroll == 4)) || session_fail "Scroll Lock reached the focused window $scroll times, not 4"
((reached >= 54)) || session_fail "only $reached key presses reached the focused window"
echo "PASS"
