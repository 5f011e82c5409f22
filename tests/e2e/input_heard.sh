#!/usr/bin/env bash
# End to end: every key press, auto-repeat and left/right click injected into a
# headless X session is heard once (a click onset in what the audio server
# played) and counted once (the store's totals after SIGTERM); modifier keys
# alone, the middle button and the wheel are neither heard nor counted.
#
# A count that misses while the clicks came irregularly (a machine too busy to
# keep time bunches clicks together) is judged again, up to three times.
#
# Usage: input_heard.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: input_heard.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_attempts "$@"

session_prioritize
start_session
session_autorepeat_on
session_focus_window # the server's auto-repeat reaches QUIB as it happens
quib_seed_quiet
session_record_start
quib_start --input x11
quib_wait_started # its start-up click is heard, input is live

# phase NAME SPACING EXPECTED CMD...: runs CMD, waits for EXPECTED clicks (for
# a while, then judged below), lets the last click ring out for 0.4 s of
# recording, and stores in heard[NAME] the onsets recorded meanwhile and in
# steady[NAME] whether they came SPACING apart from the second on (the first
# repeat of a held key comes after a longer delay). QUIB_E2E_DEBUG=1 prints them.
declare -A heard steady
heard_since() { (($(session_onset_count "$1") >= $2)); }
phase() {
    local name=$1 spacing=$2 expected=$3 from to second
    shift 3
    from=$(session_record_seconds)
    "$@"
    wait_until 10 heard_since "$from" "$expected" || true
    session_record_more 0.4
    to=$(session_record_seconds)
    heard[$name]=$(session_onset_count "$from" "$to")
    second=$(session_onsets "$from" "$to" | sed -n 2p)
    steady[$name]=1
    session_onsets_regular "${second:-$to}" "$to" "$spacing" || steady[$name]=0
    if [[ -n ${QUIB_E2E_DEBUG:-} ]]; then
        echo "$name: $(session_onsets "$from" "$to" | tr "\n" " ")"
    fi
}
startup=$(session_onset_count) # the start-up click: QUIB's own, counted nowhere
((startup == 1)) || session_fail "expected one start-up click, heard $startup"

read -ra letters <<<"$(session_letters 40)"
phase taps 0.1 40 xdotool key --delay 100 "${letters[@]}"
phase left 0.12 5 xdotool click --repeat 5 --delay 120 1
phase right 0.12 5 xdotool click --repeat 5 --delay 120 3
# Then a key that must sound: QUIB judges its input in order, so once that one
# is heard, anything the others made it play has been heard too.
neither() {
    xdotool key --delay 50 Shift_L Control_L Alt_L Super_L Shift_R ISO_Level3_Shift
    xdotool click --repeat 3 --delay 80 2
    xdotool click --repeat 3 --delay 80 4 && xdotool click --repeat 3 --delay 80 5
    xdotool key z
}
phase neither 1 1 neither
heard[neither]=$((heard[neither] - 1)) # not the z
# One process for the hold keeps its length close to 2 s: the server repeats
# after 660 ms at 25 Hz, about 34 repeats.
phase hold 0.04 31 xdotool keydown x sleep 2 keyup x

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
mouse=$(quib_stats_json totalClicks)
total_heard=$(session_onset_count)

echo "taps ${heard[taps]}/40, clicks ${heard[left]}/5 ${heard[right]}/5," \
    "neither ${heard[neither]}/0, hold ${heard[hold]} (1 press + repeats);" \
    "counted: $keys keys, $mouse clicks; heard in all: $total_heard"
# Something heard where nothing may sound is a fault however busy the machine.
((heard[neither] == 0)) || session_fail "modifiers, middle button and wheel made ${heard[neither]} clicks"
# miss MESSAGE: a count that does not match, judged by how steadily clicks came.
miss() {
    local name
    for name in taps left right hold; do
        ((steady[$name])) || session_busy "$* (the $name came unevenly)"
    done
    session_fail "$*"
}
((heard[taps] == 40)) || miss "40 taps, ${heard[taps]} heard"
((heard[left] == 5 && heard[right] == 5)) ||
    miss "5 left and 5 right clicks, ${heard[left]} and ${heard[right]} heard"
((mouse == 10)) || session_fail "expected 10 clicks counted (5 left, 5 right), got $mouse"
((heard[hold] >= 31 && heard[hold] <= 39)) ||
    miss "a 2 s hold should sound 1 + 30..38 times, heard ${heard[hold]}"
((keys == 40 + 1 + heard[hold])) ||
    miss "counted $keys keys, heard $((40 + 1 + heard[hold])) key clicks (with the z)"
((total_heard == startup + keys + mouse)) ||
    miss "heard $total_heard clicks, counted $((keys + mouse)) and the start-up click"
echo "PASS"
