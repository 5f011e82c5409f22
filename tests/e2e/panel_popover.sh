#!/usr/bin/env bash
# End to end: the panel under a real XEmbed tray (trayer at the top right).
# A click on the tray icon opens the panel under the icon, kept 8 pixels inside
# the screen's right edge; STATS then FOCUS switch tabs; BROWN NOISE starts the
# noise, heard in the null sink's monitor, and a second click stops it. The
# header's ON/OFF switch turned off leaves keys neither heard nor counted;
# turned on again they are both. A click on the desktop closes the panel, and
# a click on the icon of the open panel closes it until the next click there.
#
# Usage: panel_popover.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: panel_popover.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

session_prioritize
start_session --tray
quib_seed_quiet
session_record_start
quib_start --input x11
quib_wait_started

panel_shown() { quib_panel_window >/dev/null; }
panel_gone() { ! quib_panel_window >/dev/null; }
click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
# The level of the last SECONDS recorded, and whether it is below or above a
# number of dBFS.
level_last() {
    local now
    now=$(session_record_seconds)
    session_level "$(awk -v t="$now" -v s="$1" 'BEGIN { print t - s }')" "$now"
}
below() { awk -v l="$1" -v dB="$2" 'BEGIN { exit !(l < dB) }'; }
quiet_second() { below "$(level_last 1)" -60; }
noise_playing() { ! below "$(level_last 0.5)" -50; }

wait_until 20 quib_tray_icon_geometry || session_fail "no tray icon: $(quib_log)"
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
focus_selected() {
    session_shot
    [[ $(session_shot_pixel $((X + 100)) $((Y + 62))) == "255 61 0" ]]
}
wait_until 3 focus_selected ||
    session_fail_with_shot "FOCUS is not the selected tab: $(session_shot_pixel $((X + 100)) $((Y + 62)))"

# BROWN NOISE: a quiet second before the click, noise after it; a second click
# stops it again.
wait_until 10 quiet_second || session_fail "no quiet second before BROWN NOISE: $(level_last 1) dBFS"
quiet=$(level_last 1)
click_at $((X + 170)) $((Y + 220))
wait_until 10 noise_playing || session_fail "no brown noise in the sink: $(level_last 0.5) dBFS"
noise=$(level_last 0.5)
click_at $((X + 170)) $((Y + 220))
wait_until 10 quiet_second || session_fail "the brown noise did not stop: $(level_last 1) dBFS"

# The master switch in the header: OFF, keys are neither heard nor counted;
# ON again, they are both. The switch's own presses are not keys. A press on
# the desktop reaches QUIB through the same input feed as the keys, after
# them: once it has closed the panel, every key before it has been judged.
toggle_x=$((X + 246))
toggle_y=$((Y + 25))
switched() { [[ $(quib_stored enabled) == "$1" ]]; }
typed_from=
type_keys() {
    typed_from=$(session_record_seconds)
    read -ra letters <<<"$(session_letters 20)"
    xdotool key --delay 100 "${letters[@]}"
}
close_by_desktop_click() {
    click_at 200 600
    wait_until 5 panel_gone || session_fail "a click outside did not close the panel"
}
heard_since() { session_onset_count "$typed_from"; }
heard_at_least() { (($(heard_since) >= $1)); }
open_by_icon() {
    sleep 0.5 # a toggle within 0.3 s of a dismissal is ignored
    click_at "$icon_cx" "$icon_cy"
    wait_until 5 panel_shown || session_fail "the panel did not open again"
    sleep 0.5 # nor is a press within 0.3 s of the opening a press outside
}

click_at "$toggle_x" "$toggle_y"
wait_until 5 switched 0 || session_fail "the switch was not stored as off"
type_keys
panel_shown || session_fail "a press on the switch closed the panel"
close_by_desktop_click
# Whatever QUIB played for those keys is recorded a moment later.
session_record_more 0.5
heard_off=$(heard_since)
if [[ -n ${QUIB_E2E_DEBUG:-} ]]; then
    echo "keys from $typed_from, switched off: $(session_onsets "$typed_from" | tr "\n" " ")" >&2
fi

open_by_icon
click_at "$toggle_x" "$toggle_y"
wait_until 5 switched 1 || session_fail "the switch was not stored as on"
type_keys
# Every key heard exactly once is input_heard.sh's business; on a loaded
# machine a click can be split or two merged, so here most of them will do.
wait_until 10 heard_at_least 15 || session_fail "switched on again, only $(heard_since) of 20 keys were heard"
heard_on=$(heard_since)
panel_shown || session_fail "a press on the switch closed the panel"
close_by_desktop_click

# A click on the icon closes the open panel, and it stays closed: the next
# click on the icon, which comes after it, opens it again.
open_by_icon
click_at "$icon_cx" "$icon_cy"
wait_until 3 panel_gone || session_fail "a click on the icon did not close the open panel"
open_by_icon

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_keystrokes)
clicks=$(quib_stats_json totalClicks)
echo "brown noise $noise dBFS (silence $quiet); switched off: $heard_off heard;" \
    "on again: $heard_on heard; counted: $keys keys, $clicks clicks"
((heard_off == 0)) || session_fail "switched off, $heard_off of 20 keys were heard"
((keys == 20)) || session_fail "expected only the 20 keys typed while on counted, got $keys"
echo "PASS"
