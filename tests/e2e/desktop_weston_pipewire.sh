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

KEY_A=30 BTN_LEFT=272 BTN_RIGHT=273
quib_feed_presses "$fifo" $KEY_A:20 $BTN_LEFT:5 $BTN_RIGHT:5

quib_quit_and_check_counts 20 10
echo "PASS"
