#!/usr/bin/env bash
# End to end on a wlroots desktop with a StatusNotifierItem tray: sway
# (headless, with XWayland) and waybar. QUIB's icon appears in waybar's tray,
# and a click on it opens the panel near it: through XWayland the pointer over
# a Wayland bar cannot be known, so the panel takes the top right corner,
# where it stays (sway would centre a window it manages).
#
# sway does not run as root: as root, the script runs itself as the user
# quib-e2e (see session_unprivileged).
#
# Usage: desktop_sway_waybar.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: desktop_sway_waybar.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_unprivileged "$@"

start_session --sway
quib_seed_quiet
fifo=$SESSION_DIR/event0 # the input feed, so that the panel takes no focus
mkfifo "$fifo"
quib_start --input-device "$fifo"
log() { cat "$SESSION_DIR/quib.log"; }

registered() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems | grep -q StatusNotifierItem
}
wait_until 20 registered || session_fail "QUIB registered no StatusNotifierItem: $(log)"
wait_until 10 session_tray_icon_geometry || session_fail "no icon in waybar's tray"
read -r w h x y <<<"$(session_tray_icon_geometry)"
icon_x=$((x + w / 2))
panel() { session_x_window_geometry '^QUIB$'; }
! panel >/dev/null || session_fail "the panel is open before any click: $(log)"

session_pointer_move "$icon_x" $((y + h / 2))
session_pointer_click left
wait_until 10 panel || session_fail "a click on the tray icon did not open the panel: $(log)"
read -r px py pw _ <<<"$(panel)"
echo "icon ${w}x$h at $x,$y; panel at $px,$py"
((px <= icon_x && icon_x <= px + pw && py <= 24 + 8)) ||
    session_fail "the panel at $px,$py is not near the icon at $x,$y"
echo "PASS"
