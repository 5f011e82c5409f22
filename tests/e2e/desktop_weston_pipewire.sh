#!/usr/bin/env bash
# End to end on a Wayland desktop with PipeWire, as Debian's GNOME runs:
# weston (headless, with XWayland, no tray) and PipeWire with its PulseAudio
# server. QUIB started without --input in the Wayland session reads the input
# devices (evdev; a FIFO given with --input-device stands in for the device)
# and names that path in its log. Without a tray its panel opens as a window
# through XWayland, in the top right corner. Every key and left or right click
# written to the device is heard once (a click onset in what PipeWire played)
# and counted once.
#
# Usage: desktop_weston_pipewire.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: desktop_weston_pipewire.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_attempts "$@"

session_prioritize
start_session --weston --pipewire
[[ $(session_audio_server) == *PipeWire* ]] ||
    session_fail "the audio server is not PipeWire: $(session_audio_server)"
quib_seed_quiet
fifo=$SESSION_DIR/event0
mkfifo "$fifo"
session_record_start
quib_start --input-device "$fifo"
quib_wait_started
log() { cat "$SESSION_DIR/quib.log"; }
grep -qx '\[QUIB\] Input: evdev, 1 device' "$SESSION_DIR/quib.log" ||
    session_fail "the log does not name evdev as the input path: $(log)"

panel() { session_x_window_geometry '^QUIB$'; }
wait_until 10 panel || session_fail "no panel window through XWayland: $(log)"
read -r x y _ _ <<<"$(panel)"
((x + 345 + 8 == SESSION_WIDTH && y == 8)) ||
    session_fail "the panel is at $x,$y, not in the top right corner"

EV_SYN=0 EV_KEY=1 KEY_A=30 BTN_LEFT=272 BTN_RIGHT=273
records=()
add_presses() { # CODE COUNT: presses 200 ms apart
    for _ in $(seq "$2"); do
        records+=("$EV_KEY:$1:1" "$EV_SYN:0:0" "$EV_KEY:$1:0" "$EV_SYN:0:0" pause:0.2)
    done
}
add_presses $KEY_A 20
add_presses $BTN_LEFT 5
add_presses $BTN_RIGHT 5
from=$(session_record_seconds)
quib_feed "$fifo" 20 "${records[@]}" || session_fail "QUIB did not read the input device"
# The monitor's data reach the recording in pieces: wait for all 30 clicks
# (with a deadline) rather than for a fixed time.
heard_all() { (($(session_onset_count "$from") >= 30)); }
wait_until 5 heard_all || true
heard=$(session_onset_count "$from")

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
clicks=$(quib_stats_json totalClicks)
echo "heard $heard of 30; counted $keys keys, $clicks clicks"
((keys == 20 && clicks == 10)) || session_fail "counted $keys keys and $clicks clicks, not 20 and 10"
if ((heard != 30)); then
    session_onsets_regular "$from" 1e9 0.2 || session_busy "heard $heard of 30, unevenly"
    session_fail "heard $heard clicks on PipeWire for 30 presses"
fi
echo "PASS"
