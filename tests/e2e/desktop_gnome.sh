#!/usr/bin/env bash
# End to end on stock GNOME (GNOME Shell headless, no AppIndicator extension):
# there is no tray, so QUIB says so and opens its panel as a window through
# XWayland, in the top right corner under the top bar. Keys and left and
# right clicks from the input device (a FIFO standing in for evdev) are heard
# once and counted once; a press away from the panel closes it, as on every
# desktop, and starting `quib` again (what the launcher in the app grid does)
# brings it back.
#
# GNOME Shell needs a mount namespace of its own here (see lib/gnome.sh): as
# root, the script runs itself again in one.
#
# Usage: desktop_gnome.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: desktop_gnome.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_own_mounts "$@"
session_attempts "$@"

session_prioritize
start_session --gnome
quib_seed_quiet
fifo=$SESSION_DIR/event0
mkfifo "$fifo"
session_record_start
quib_start --input-device "$fifo"
quib_wait_started
quib_logged "No system tray found" || session_fail_with_shot "QUIB found a tray on stock GNOME"

bar=$(session_gnome_eval "String(Main.panel.height)") || session_fail "no top bar"
panel() { session_x_window_geometry '^QUIB$'; }
wait_until 10 panel || session_fail_with_shot "no panel window through XWayland"
read -r x y w h <<<"$(panel)"
echo "top bar ${bar} px; panel ${w}x$h at $x,$y"
((x + w + 8 == SESSION_WIDTH && y == bar + 8)) ||
    session_fail_with_shot "the panel is at $x,$y, not in the top right corner under the top bar"
# The panel is on the screen: its body differs from GNOME's plain background.
session_shot
panel_pixel=$(session_shot_pixel $((x + w / 2)) $((y + 60)))
desktop_pixel=$(session_shot_pixel 200 400)
[[ $panel_pixel != "$desktop_pixel" ]] ||
    session_fail_with_shot "the screen shows no panel at $x,$y (pixel $panel_pixel)"

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
heard_all() { (($(session_onset_count "$from") >= 30)); }
wait_until 5 heard_all || true
heard=$(session_onset_count "$from")

# The pointer was never over the panel: those presses were elsewhere.
wait_until 5 eval '! panel' || session_fail_with_shot "a press away from the panel did not close it"
"$QUIB_BIN" --home "$QUIB_HOME" >"$SESSION_DIR/second.log" 2>&1 ||
    session_fail "a second quib failed: $(cat "$SESSION_DIR/second.log")"
wait_until 10 panel || session_fail_with_shot "starting quib again did not bring the panel back"

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
clicks=$(quib_stats_json totalClicks)
echo "heard $heard of 30; counted $keys keys, $clicks clicks"
((keys == 20 && clicks == 10)) || session_fail "counted $keys keys and $clicks clicks, not 20 and 10"
if ((heard != 30)); then
    session_onsets_regular "$from" 1e9 0.2 || session_busy "heard $heard of 30, unevenly"
    session_fail "heard $heard clicks on GNOME for 30 presses"
fi
echo "PASS"
