#!/usr/bin/env bash
# End to end on GNOME with the AppIndicator extension (as Ubuntu ships it):
# QUIB's StatusNotifierItem shows in the top bar, light on the dark bar. The
# extension opens an item's menu on a left click and activates the item on a
# double click: the double click opens the panel at once, and so does "Open
# QUIB", the first entry of the menu; either way the panel hangs under the top
# bar at the right, under the icon, inside the screen. A press away from the
# panel closes it.
#
# GNOME Shell needs a mount namespace of its own here (see lib/gnome.sh): as
# root, the script runs itself again in one.
#
# Usage: desktop_gnome_appindicator.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: desktop_gnome_appindicator.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_own_mounts "$@"

start_session --gnome --appindicator
quib_seed_quiet
fifo=$SESSION_DIR/event0 # the input feed
mkfifo "$fifo"
quib_start --input-device "$fifo"

wait_until 20 session_gnome_indicator_geometry ||
    session_fail_with_shot "no QUIB item in GNOME's top bar"
read -r w h x y <<<"$(session_gnome_indicator_geometry)"
bar=$(session_gnome_eval "String(Main.panel.height)")
echo "top bar $bar px; item ${w}x$h at $x,$y"
panel() { session_x_window_geometry '^QUIB$'; }
! panel >/dev/null || session_fail_with_shot "the panel is open before any click"
! quib_logged "No system tray found" || session_fail "QUIB found no tray beside the extension"

# The icon reads on the dark bar: its brightest pixel is light.
session_shot
brightest=$(convert "$SESSION_DIR/shot.png" -crop "${w}x$h+$x+$y" -colorspace Gray \
    -format '%[fx:int(255*maxima)]' info:)
darkest_bar=$(session_shot_pixel $((x - 4)) $((y + h / 2)))
echo "brightest icon pixel $brightest; bar beside it: $darkest_bar"
((brightest > 180)) || session_fail_with_shot "the icon is dark on the dark top bar ($brightest)"

icon_x=$((x + w / 2)) icon_y=$((y + h / 2))
desktop_pixel=$(session_shot_pixel 200 400)
check_panel() { # how it was opened
    read -r px py pw ph <<<"$(panel)"
    echo "$1: panel ${pw}x$ph at $px,$py"
    ((px <= icon_x && icon_x <= px + pw)) ||
        session_fail_with_shot "$1: the panel at $px,$py is not under the icon at $x"
    ((py >= bar && py <= bar + 16 && px >= 0 && px + pw <= SESSION_WIDTH &&
        py + ph <= SESSION_HEIGHT)) ||
        session_fail_with_shot "$1: the panel at $px,$py is not under the top bar, inside the screen"
    session_shot
    [[ $(session_shot_pixel $((px + pw / 2)) $((py + 60))) != "$desktop_pixel" ]] ||
        session_fail_with_shot "$1: the screen shows no panel at $px,$py"
}
close_panel() { # a press elsewhere, as the pointer and the input feed see it
    session_pointer_move 200 400
    session_pointer_click left
    quib_feed "$fifo" 1:272:1 0:0:0 1:272:0 0:0:0 || session_fail "QUIB did not read the input device"
    wait_until 5 eval '! panel' || session_fail_with_shot "$1: a press away from the panel did not close it"
}

# A double click opens the panel, and no menu is left over it.
session_pointer_move "$icon_x" "$icon_y"
session_pointer_double_click
wait_until 10 panel || session_fail_with_shot "a double click on the item did not open the panel"
check_panel "double click"
cp "$SESSION_DIR/shot.png" "$SESSION_DIR/double-click.png"
! session_gnome_menu_open || session_fail_with_shot "the double click left the item's menu open"
close_panel "double click"

# A left click opens the menu; its first entry opens the panel.
session_pointer_move "$icon_x" "$icon_y"
session_pointer_click left
wait_until 5 session_gnome_menu_open || session_fail_with_shot "a click on the item opened no menu"
entry() { session_gnome_menu_entry_geometry "Open QUIB"; }
wait_until 5 entry || session_fail_with_shot "the item's menu has no entry \"Open QUIB\""
read -r ex ey ew eh <<<"$(entry)"
session_pointer_move $((ex + ew / 2)) $((ey + eh / 2))
session_pointer_click left
wait_until 10 panel || session_fail_with_shot "\"Open QUIB\" did not open the panel"
check_panel "Open QUIB"
! session_gnome_menu_open || session_fail_with_shot "the menu stayed open over the panel"
echo "PASS"
