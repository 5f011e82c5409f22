#!/usr/bin/env bash
# End to end: QUIB hears keys, auto-repeat and left/right clicks injected into a
# headless X session, ignores middle clicks and modifier keys alone, and the
# store's totals show exactly that after SIGTERM.
#
# Usage: input_counts.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: input_counts.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
session_autorepeat_on
quib_seed_onboarded
session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11

# Capture starts at launch (X11 needs no permission), but the program may take
# a while to come up. Probe with single keys until one is counted; after a
# quiet spell longer than the 5-second flush, the total is the baseline.
keystrokes() { quib_stats_json totalKeystrokes; }
baseline=0
for attempt in $(seq 1 6); do
    kill -0 "$(session_pid quib)" 2>/dev/null || session_fail "quib exited: $(cat "$SESSION_DIR/quib.log")"
    xdotool key a
    sleep 6
    baseline=$(keystrokes)
    ((baseline > 0)) && break
done
((baseline > 0)) || session_fail "no probe key was counted; quib log: $(cat "$SESSION_DIR/quib.log")"
clicks_before=$(quib_stats_json totalClicks)

letters=()
for i in $(seq 1 40); do letters+=("$(printf "\\x$(printf %x $((97 + i % 26)))")"); done
xdotool key --delay 15 "${letters[@]}"
xdotool click --repeat 5 --delay 30 1
xdotool click --repeat 5 --delay 30 3
xdotool click --repeat 5 --delay 30 2
xdotool key --delay 15 Shift_L Shift_L Shift_L Shift_L Shift_L
# One process for the hold keeps its length close to 2 s: the server repeats
# after 660 ms at 25 Hz, about 34 repeats.
xdotool keydown x sleep 2 keyup x
sleep 0.3

session_stop quib # SIGTERM: the store flushes what it counted.
total_keys=$(keystrokes)
total_clicks=$(quib_stats_json totalClicks)

heard_keys=$((total_keys - baseline))
heard_clicks=$((total_clicks - clicks_before))
repeats=$((heard_keys - 40 - 1))
echo "keystrokes: $heard_keys (40 taps, 1 hold, $repeats repeats), clicks: $heard_clicks"
((heard_clicks == 10)) || session_fail "expected 10 clicks (5 left, 5 right), got $heard_clicks"
((repeats >= 30 && repeats <= 38)) ||
    session_fail "expected 40 taps + 1 hold + 30..38 repeats, got $heard_keys keystrokes"
echo "PASS"
