#!/usr/bin/env bash
# End to end: a store one XP short of level 1 hears one injected key, and the
# real notification daemon shows "LEVEL UP" with "LVL 1 -- ROOKIE // +1 COIN".
# A click on the notification (its default action) toggles QUIB's panel.
#
# Usage: levelup_notification.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: levelup_notification.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
quib_seed_onboarded
sqlite3 "$QUIB_HOME/preferences.sqlite3" \
    "INSERT OR REPLACE INTO preferences VALUES('gs_totalXP', 'integer', 549);"

# Every Notify call on the bus, as the daemon receives it.
session_spawn monitor dbus-monitor --session \
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'"
session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11
# Without a tray the panel opens as a window once start-up is done.
wait_until 20 grep -q "No system tray found" "$SESSION_DIR/quib.log" ||
    session_fail "quib did not start: $(cat "$SESSION_DIR/quib.log")"
panel_visible() { xdotool search --onlyvisible --name '^QUIB$' >/dev/null; }
wait_until 10 panel_visible || session_fail "the panel window is not shown"

xdotool key a
# The flush runs every 5 seconds.
wait_until 12 grep -q '"LEVEL UP"' "$SESSION_DIR/monitor.log" ||
    session_fail "no LEVEL UP notification was posted; quib log: $(cat "$SESSION_DIR/quib.log")"
grep -q '"LVL 1 -- ROOKIE // +1 COIN"' "$SESSION_DIR/monitor.log" ||
    session_fail "unexpected body: $(grep -A3 'LEVEL UP' "$SESSION_DIR/monitor.log")"
wait_until 5 sh -c '[ "$(dunstctl count displayed)" -ge 1 ]' ||
    session_fail "dunst does not show the notification"

# A click on it is the default action: the panel closes (it was open).
dunstctl action 0
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^QUIB\$"' ||
    session_fail "clicking the notification did not toggle the panel"

session_stop quib
[[ $(quib_stats_json level) == 1 ]] || session_fail "level is not 1 after the flush"
[[ $(quib_stats_json coins) == 1 ]] || session_fail "the level-up coin is missing"
echo "PASS"
