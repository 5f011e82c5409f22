#!/usr/bin/env bash
# End to end on KDE Plasma 5.27 (kwin_wayland on its virtual backend, kded5's
# StatusNotifierWatcher, plasmashell's default layout): QUIB's icon shows in
# the system tray at the right of the bottom panel, readable on it; a left
# click on it opens the panel at once, standing over the bottom panel at the
# right (through XWayland QUIB cannot know where the icon is: it takes the
# corner on the side the bar holds). Keys and left and right clicks from the
# input device (a FIFO standing in for evdev) are heard once and counted once;
# those presses, away from the panel, close it. The right click opens the
# item's menu instead.
#
# Plasma's packages are many (see README); without them the scenario skips.
#
# Usage: desktop_plasma.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: desktop_plasma.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
missing=$(session_plasma_missing)
if [[ -n $missing ]]; then
    echo "SKIP: KDE Plasma is not installed (missing: $missing)"
    exit 77
fi
session_attempts "$@"

session_prioritize
start_session --plasma
# The clock would change the panel while the test looks for the new icon.
[[ $(session_plasma_script "panels()[0].widgets('org.kde.plasma.digitalclock')
    .forEach(w => w.remove()); print('ok')") == ok ]] || session_fail "no clock to take away"
read -r _ bar_y _ bar_h <<<"$(session_plasma_panel_geometry)"
echo "Plasma's panel: $bar_h px high at y $bar_y"
quib_seed_quiet
session_plasma_panel_shot "$SESSION_DIR/panel-before.png" || session_fail "no shot of the panel"
fifo=$SESSION_DIR/event0 # the input feed
mkfifo "$fifo"
session_record_start
quib_start --input-device "$fifo"
quib_wait_started

# The icon: the same new item in two shots in a row (the tray makes room first).
item_settled() {
    local now
    now=$(session_plasma_new_item_geometry "$SESSION_DIR/panel-before.png") || return 1
    [[ $now == "$(cat "$SESSION_DIR/item" 2>/dev/null)" ]] && return 0
    echo "$now" >"$SESSION_DIR/item"
    return 1
}
wait_until 20 item_settled || session_fail_with_shot "no QUIB icon in Plasma's system tray"
read -r w h x y <"$SESSION_DIR/item"
echo "tray icon ${w}x$h at $x,$y"
((y >= bar_y && y + h <= bar_y + bar_h && x > SESSION_WIDTH / 2)) ||
    session_fail_with_shot "the icon at $x,$y is not in the tray at the right of the panel"
! quib_logged "No system tray found" || session_fail "QUIB found no tray on Plasma"
panel() { session_x_window_geometry '^QUIB$'; }
! panel >/dev/null || session_fail_with_shot "the panel is open before any click"

# The icon reads on the light panel: its darkest pixel is far darker.
session_shot
cp "$SESSION_DIR/shot.png" "$SESSION_DIR/tray.png"
darkest=$(convert "$SESSION_DIR/shot.png" -crop "${w}x$h+$x+$y" -colorspace Gray \
    -format '%[fx:int(255*minima)]' info:)
bar_level=$(convert "$SESSION_DIR/shot.png" -crop "8x8+$((x - 12))+$y" -colorspace Gray \
    -format '%[fx:int(255*mean)]' info:)
echo "darkest icon pixel $darkest; panel beside it $bar_level"
((bar_level - darkest > 100)) || session_fail_with_shot "the icon does not stand out on the panel"

# One left click opens the panel at once, over the tray, inside the screen.
desktop_pixel=$(session_shot_pixel 200 300)
icon_x=$((x + w / 2))
session_pointer_move "$icon_x" $((y + h / 2))
session_pointer_click left
wait_until 10 panel || session_fail_with_shot "a left click on the icon did not open the panel"
read -r px py pw ph <<<"$(panel)"
echo "panel ${pw}x$ph at $px,$py"
((px + pw >= icon_x - 40 && px + pw <= SESSION_WIDTH && px >= 0)) ||
    session_fail_with_shot "the panel at $px,$py is not over the icon at $x"
((py + ph <= bar_y && py + ph >= bar_y - 24 && py >= 0)) ||
    session_fail_with_shot "the panel at $px,$py does not stand on the bottom panel at $bar_y"
session_shot
cp "$SESSION_DIR/shot.png" "$SESSION_DIR/plasma-panel.png"
[[ $(session_shot_pixel $((px + pw / 2)) $((py + 60))) != "$desktop_pixel" ]] ||
    session_fail_with_shot "the screen shows no panel at $px,$py"

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
# The pointer was over the tray, not the panel: those presses were elsewhere.
wait_until 5 eval '! panel' || session_fail_with_shot "a press away from the panel did not close it"

# The right click opens the item's menu, not the panel.
session_shot
before_menu=$(session_shot_pixel $((icon_x - 20)) $((bar_y - 20)))
session_pointer_move "$icon_x" $((y + h / 2))
session_pointer_click right
menu_shown() {
    session_shot && [[ $(session_shot_pixel $((icon_x - 20)) $((bar_y - 20))) != "$before_menu" ]]
}
wait_until 10 menu_shown || session_fail_with_shot "a right click on the icon opened no menu"
cp "$SESSION_DIR/shot.png" "$SESSION_DIR/plasma-menu.png"
! panel >/dev/null || session_fail_with_shot "a right click opened the panel"

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
clicks=$(quib_stats_json totalClicks)
echo "heard $heard of 30; counted $keys keys, $clicks clicks"
((keys == 20 && clicks == 10)) || session_fail "counted $keys keys and $clicks clicks, not 20 and 10"
if ((heard != 30)); then
    session_onsets_regular "$from" 1e9 0.2 || session_busy "heard $heard of 30, unevenly"
    session_fail "heard $heard clicks on Plasma for 30 presses"
fi
echo "PASS"
