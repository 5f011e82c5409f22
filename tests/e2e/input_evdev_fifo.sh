#!/usr/bin/env bash
# End to end through the evdev backend: QUIB reads a FIFO given with
# --input-device as a stream of input_event records (the access check passes
# because the file can be opened). Presses and auto-repeats count, releases,
# modifiers alone, middle clicks and the replay after SYN_DROPPED do not.
#
# Usage: input_evdev_fifo.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: input_evdev_fifo.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
quib_seed_onboarded
fifo=$SESSION_DIR/event0
mkfifo "$fifo"
session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input evdev --input-device "$fifo"

write_records() { quib_evdev_write "$fifo" "$@"; }
EV_SYN=0 EV_KEY=1 EV_REL=2
KEY_A=30 KEY_LEFTSHIFT=42 KEY_LEFTCTRL=29 KEY_C=46 BTN_LEFT=272 BTN_RIGHT=273 BTN_MIDDLE=274
SYN_REPORT=0 SYN_DROPPED=3 REL_WHEEL=8
report="$EV_SYN:$SYN_REPORT:0"

baseline=0
for attempt in $(seq 1 6); do
    kill -0 "$(session_pid quib)" 2>/dev/null || session_fail "quib exited: $(cat "$SESSION_DIR/quib.log")"
    write_records "$EV_KEY:$KEY_A:1" "$report" "$EV_KEY:$KEY_A:0" "$report" || true
    sleep 6
    baseline=$(quib_stats_json totalKeystrokes)
    ((baseline > 0)) && break
done
((baseline > 0)) || session_fail "no probe key was counted; quib log: $(cat "$SESSION_DIR/quib.log")"
clicks_before=$(quib_stats_json totalClicks)

records=()
for i in $(seq 1 40); do records+=("$EV_KEY:$KEY_A:1" "$report" "$EV_KEY:$KEY_A:0" "$report"); done
for i in $(seq 1 10); do records+=("$EV_KEY:$KEY_A:2" "$report"); done
records+=("$EV_KEY:$KEY_LEFTSHIFT:1" "$EV_KEY:$KEY_LEFTSHIFT:2" "$EV_KEY:$KEY_LEFTSHIFT:0" "$report")
records+=("$EV_KEY:$KEY_LEFTCTRL:1" "$EV_KEY:$KEY_C:1" "$EV_KEY:$KEY_C:0" "$EV_KEY:$KEY_LEFTCTRL:0" "$report")
for button in $BTN_LEFT $BTN_RIGHT $BTN_MIDDLE; do
    for i in $(seq 1 5); do records+=("$EV_KEY:$button:1" "$report" "$EV_KEY:$button:0" "$report"); done
done
records+=("$EV_REL:$REL_WHEEL:-1" "$report")
# A gap: what the kernel replays before the next SYN_REPORT is state, not presses.
records+=("$EV_SYN:$SYN_DROPPED:0" "$EV_KEY:$KEY_A:1" "$EV_KEY:$BTN_LEFT:1" "$report")
write_records "${records[@]}"
sleep 0.5

session_stop quib # SIGTERM: the store flushes what it counted.
heard_keys=$(($(quib_stats_json totalKeystrokes) - baseline))
heard_clicks=$(($(quib_stats_json totalClicks) - clicks_before))
echo "keystrokes: $heard_keys, clicks: $heard_clicks"
((heard_keys == 51)) || session_fail "expected 51 keystrokes (40 presses, 10 repeats, Ctrl-C), got $heard_keys"
((heard_clicks == 10)) || session_fail "expected 10 clicks (5 left, 5 right), got $heard_clicks"
echo "PASS"
