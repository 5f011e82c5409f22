#!/usr/bin/env bash
# End to end on stock GNOME (GNOME Shell headless, no AppIndicator extension):
# there is no tray, so QUIB says so and opens its panel as a window through
# XWayland, in the top right corner under the top bar. Keys and left and
# right clicks from the input device (a FIFO standing in for evdev) are heard
# once and counted once; a press away from the panel closes it, as on every
# desktop, and QUIB's launcher in the app grid (its desktop entry, from the
# build tree) starts `quib` again, which brings it back. GNOME ties the
# panel's window to that entry by its class, and its title is "QUIB". The
# footer's "Check for updates" says where updates come from.
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
entry_id=io.github.quib.Quib.desktop
entry=$(dirname "$QUIB_BIN")/packaging/$entry_id
[[ -f $entry ]] || session_fail "no desktop entry $entry in the build tree"
mkdir -p "$HOME/.local/share/applications"
sed "s|^Exec=.*|Exec=$QUIB_BIN --home $QUIB_HOME|" "$entry" \
    >"$HOME/.local/share/applications/$entry_id"
launcher() { [[ $(session_gnome_eval "imports.gi.Shell.AppSystem.get_default()
    .lookup_app('$entry_id') ? 'found' : 'none'") == found ]]; }
wait_until 10 launcher || session_fail "GNOME Shell does not list QUIB's desktop entry"
session_spawn notify dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'"
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
window=$(session_gnome_eval "global.get_window_actors().map(a => a.meta_window)
    .filter(w => w.get_title() === 'QUIB')
    .map(w => { const app = imports.gi.Shell.WindowTracker.get_default().get_window_app(w);
        return w.get_wm_class() + ' ' + (app ? app.get_id() : 'none'); }).join(',')")
echo "the window titled QUIB: class and application $window"
[[ $window == "quib $entry_id" ]] ||
    session_fail_with_shot "GNOME does not tie the window titled QUIB to $entry_id: $window"

KEY_A=30 BTN_LEFT=272 BTN_RIGHT=273
quib_feed_presses "$fifo" $KEY_A:20 $BTN_LEFT:5 $BTN_RIGHT:5

# The pointer was never over the panel: those presses were elsewhere.
wait_until 5 eval '! panel' || session_fail_with_shot "a press away from the panel did not close it"
session_gnome_eval "imports.gi.Shell.AppSystem.get_default().lookup_app('$entry_id')
    .activate(); 'ok'" >/dev/null || session_fail "the launcher did not start"
wait_until 10 panel || session_fail_with_shot "starting quib from its launcher did not bring the panel back"

# The footer's version button ("Check for updates") of a build with no release
# page tells, in a notification, where this build's updates come from. No
# support page either: no support buttons.
read -r x y _ _ <<<"$(panel)"
session_shot
colours=$(convert "$SESSION_DIR/shot.png" -crop "150x20+$((x + 180))+$((y + 500))" -format %k info:)
((colours == 1)) || session_fail_with_shot "the footer shows support buttons with no page to open"
# What QUIB asked the shell to show, as the bus carried it (the headless
# shell keeps its first banner up, waiting for a user, and queues the rest).
told() { grep -A8 'member=Notify' "$SESSION_DIR/notify.log" | grep -q "git pull and make in"; }
# A window the launcher has just raised may not take a click yet on a loaded
# machine: click again (the advice posted twice is harmless).
for _ in 1 2 3; do
    session_pointer_move $((x + 28)) $((y + 507))
    session_pointer_click left
    wait_until 5 told && break
done
told ||
    session_fail_with_shot "Check for updates posted no notification: $(cat "$SESSION_DIR/notify.log")"
grep -A8 'member=Notify' "$SESSION_DIR/notify.log" | grep -o '"QUIB updates.*'

quib_quit_and_check_counts 20 10
echo "PASS"
