#!/usr/bin/env bash
# End to end: a store two keys short of the "First Words" achievement and two
# XP short of level 1 hears two keys in the same flush. The real notification
# daemon shows "LEVEL UP" and "ACHIEVEMENT UNLOCKED" with their exact bodies,
# and the database holds the new XP (548 + 2 + 50 for the achievement) and coin.
# A click on a notification (its default action) toggles QUIB's panel.
#
# Usage: levelup_notification.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: levelup_notification.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
quib_seed_onboarded
quib_seed_preference gs_totalXP integer 548
quib_seed_preference gs_totalKeystrokes integer 4998

quib_start --input x11
# Without a tray the panel opens as a window once start-up is done.
wait_until 20 grep -q "No system tray found" "$SESSION_DIR/quib.log" ||
    session_fail "quib did not start: $(cat "$SESSION_DIR/quib.log")"
session_wait_window '^QUIB$' >/dev/null || session_fail "the panel window is not shown"

xdotool key a b
# The flush runs every 5 seconds.
wait_until 12 sh -c '[ "$(dunstctl count displayed)" -ge 2 ]' ||
    session_fail "dunst shows $(dunstctl count displayed) notifications, not 2; quib log:" \
        "$(cat "$SESSION_DIR/quib.log")"

# A click on one of them is the default action: the panel closes (it was open).
dunstctl action 0
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^QUIB\$"' ||
    session_fail "clicking the notification did not toggle the panel"

# Closed notifications go to dunst's history, with what was shown.
dunstctl close-all
shown=$(dunstctl history | jq -r '.data[0][] | "\(.summary.data)|\(.body.data)"' | sort)
expected=$'ACHIEVEMENT UNLOCKED|First Words -- Type 5,000 keystrokes\nLEVEL UP|LVL 1 -- ROOKIE // +1 COIN'
[[ $shown == "$expected" ]] || session_fail "dunst showed:"$'\n'"$shown"$'\n'"expected:"$'\n'"$expected"

session_stop quib
[[ $(quib_stored gs_totalXP) == 600 ]] || session_fail "XP in the database: $(quib_stored gs_totalXP), not 600"
[[ $(quib_stored gs_coins) == 1 ]] || session_fail "coins in the database: $(quib_stored gs_coins), not 1"
[[ $(quib_stored gs_unlockedAchievements) == '["keys_5k"]' ]] ||
    session_fail "achievements in the database: $(quib_stored gs_unlockedAchievements)"
[[ $(quib_stats_json level) == 1 ]] || session_fail "quib stats does not show level 1"
echo "PASS"
