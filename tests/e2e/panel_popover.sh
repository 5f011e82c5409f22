#!/usr/bin/env bash
# End to end: the panel under a real XEmbed tray (trayer at the top right).
# A click on the tray icon opens the panel under the icon, kept 8 pixels inside
# the screen's right edge; STATS then FOCUS switch tabs; BROWN NOISE starts the
# noise, heard in the null sink's monitor; a click on the desktop closes the
# panel. A click on the icon of the open panel closes it for good.
#
# Usage: panel_popover.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: panel_popover.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session --tray
quib_seed_onboarded
session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11

panel_shown() { quib_panel_window >/dev/null; }
panel_gone() { ! quib_panel_window >/dev/null; }
click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
# The colour of one screen pixel as RRGGBB.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | tr -d '#'; }
# Fails the test with a picture of the screen kept beside the logs.
fail_with_shot() {
    import -window root "$SESSION_DIR/screen.png" || true
    session_fail "$* (screen: $SESSION_DIR/screen.png)"
}

wait_until 20 quib_tray_icon_geometry || session_fail "no tray icon: $(cat "$SESSION_DIR/quib.log")"
# When QUIB started a moment before trayer held the tray, it opened the panel
# as a window; a click on the desktop closes it first.
if panel_shown; then
    click_at 200 600
    wait_until 3 panel_gone || session_fail "a click outside did not close the start-up panel"
    sleep 0.5
fi
read -r icon_w icon_h icon_x icon_y <<<"$(quib_tray_icon_geometry)"
icon_cx=$((icon_x + icon_w / 2))
icon_cy=$((icon_y + icon_h / 2))

click_at "$icon_cx" "$icon_cy"
wait_until 5 panel_shown || session_fail "a click on the tray icon did not open the panel"
eval "$(xdotool getwindowgeometry --shell "$(quib_panel_window)")"
[[ $((X + 345 + 8)) == 1280 ]] || session_fail "panel at x=$X, not 8 pixels inside the right edge"
[[ $Y == $((icon_y + icon_h + 4)) ]] || session_fail "panel at y=$Y, not 4 under the icon ($icon_y+$icon_h)"

# STATS, then FOCUS: the chosen tab is filled with Classic's accent.
click_at $((X + 205)) $((Y + 73))
click_at $((X + 125)) $((Y + 73))
focus_selected() { [[ $(pixel $((X + 100)) $((Y + 62))) == FF3D00 ]]; }
wait_until 3 focus_selected ||
    fail_with_shot "FOCUS is not the selected tab: $(pixel $((X + 100)) $((Y + 62)))"

# Record the sink; parec needs a moment before it delivers.
recording=$SESSION_DIR/sink.raw
session_spawn parec parec -d ci.monitor --latency-msec=10 --format=float32le --rate=48000 \
    --channels=2 --raw --file-format=raw "$recording"
wait_until 10 sh -c "[ -s '$recording' ] && [ \$(stat -c %s '$recording') -gt 96000 ]" ||
    session_fail "parec records nothing"
sleep 1 # past the last tab click's sound
second=$((48000 * 2 * 4))
rms() { # the RMS level of one second of the recording from byte $1
    od -An -v -f -j "$1" -N "$second" "$recording" |
        awk '{ for (i = 1; i <= NF; i++) { s += $i * $i; n++ } } END { printf "%.5f", n ? sqrt(s / n) : 0 }'
}
quiet_from=$(($(stat -c %s "$recording") - second))

click_at $((X + 170)) $((Y + 220)) # BROWN NOISE
clicked_at=$(stat -c %s "$recording")
sleep 2
session_stop parec
quiet=$(rms "$quiet_from")
noise=$(rms $((clicked_at + second / 2)))
awk -v q="$quiet" -v n="$noise" 'BEGIN { exit !(q < 0.001 && n > 0.003) }' ||
    session_fail "no brown noise in the sink: RMS $quiet before, $noise after the click"

# A click on the desktop closes the panel.
click_at 200 600
wait_until 3 panel_gone || session_fail "a click outside did not close the panel"

# Open again (a toggle within 0.3 s of a dismissal is ignored), then a click
# on the icon closes it and it stays closed.
sleep 0.5
click_at "$icon_cx" "$icon_cy"
wait_until 5 panel_shown || session_fail "the panel did not open again"
sleep 0.5
click_at "$icon_cx" "$icon_cy"
wait_until 3 panel_gone || session_fail "a click on the icon did not close the open panel"
sleep 1
panel_gone || session_fail "the panel reopened after the click on its icon"
echo "PASS (noise RMS $noise, silence $quiet)"
