#!/usr/bin/env bash
# End to end: a reward claimed with the one coin the user has, from the panel.
# The reward window opens, its reel lands on a key sound, APPLY makes that
# sound the current one in the database, the switch is stored as on and stays
# on after a restart, and typing is counted afterwards, before and after the
# restart.
#
# Usage: reward_claim.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: reward_claim.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session # no tray: the panel opens as a window at the top right
quib_seed_onboarded
quib_seed_preference gs_coins integer 1
# Every mouse sound and every theme won already: the draw can only pick a key sound.
profiles=$(sed -nE 's/^ *\{"([^"]+)", "[a-z_]+", "[a-z_]+"(, true)?\},$/\1/p' \
    "$(dirname "$0")/../../src/sound/SoundProfile.cpp")
(($(wc -l <<<"$profiles") == 20)) || session_fail "the 20 profile names were not found"
json_list() { jq -Rnc '[inputs]'; }
quib_seed_preference gs_unlockedMouseProfiles stringList "'$(json_list <<<"$profiles")'"
quib_seed_preference gs_unlockedThemes stringList \
    "'[\"Classic\",\"Midnight\",\"Terminal\",\"Blood\",\"Solar\",\"Ice\",\"Violet\"]'"
quib_seed_preference gs_unlockedKeyProfiles stringList "'[\"Soft Tock\"]'"

stored() { sqlite3 "$QUIB_HOME/preferences.sqlite3" "SELECT value FROM preferences WHERE key = '$1'"; }
keystrokes() { quib_stats_json totalKeystrokes; }
# The screen as the window shows it, and the colour of one of its pixels.
shot() { session_screenshot "$SESSION_DIR/window.png" "$1"; }
pixel() { session_pixel "$SESSION_DIR/window.png" "$1" "$2"; }
fail_with_shot() {
    session_screenshot "$SESSION_DIR/screen.png" || true
    session_fail "$* (screen: $SESSION_DIR/screen.png; quib log: $(cat "$SESSION_DIR/quib.log"))"
}

# The panel opens at the top right when there is no tray: REWARDS, then its
# "> CLAIM REWARD [1 COIN]" button under the wallet line.
claim_from_panel() {
    local panel
    panel=$(session_wait_window '^QUIB$' 20) || fail_with_shot "the panel did not open"
    [[ $(quib_stats_json canClaimReward) == true ]] || session_fail "nothing to claim"
    session_click_window "$panel" 285 73
    sleep 0.5 # the tab's rebuild
    session_click_window "$panel" 170 188
}

# The landed window: APPLY (window pixels 100...320 x 210...242, under the
# card's top-left corner) filled with the accent of the bar along the top.
landed() {
    shot "$1"
    [[ $(pixel 105 226) == "$(pixel 200 1)" ]]
}

quib_start --input x11
claim_from_panel
reward=$(session_wait_window '^QUIB Reward$' 5) || fail_with_shot "no reward window after CLAIM"
[[ $(quib_stats_json coins) == 0 ]] || session_fail "the coin was not spent"
# At most 50 steps and then fewer than 20 more, the slowest at 0.5 s.
wait_until 30 landed "$reward" || fail_with_shot "the reel did not land"
session_click_window "$reward" 210 226 # APPLY
reward_gone() { ! xdotool search --onlyvisible --name '^QUIB Reward$' >/dev/null; }
wait_until 5 reward_gone ||
    fail_with_shot "APPLY did not close the reward window"

won=$(stored gs_unlockedKeyProfiles | jq -r '.[] | select(. != "Soft Tock")')
[[ -n $won && $(wc -l <<<"$won") == 1 ]] || session_fail "not one key sound won: '$won'"
[[ $(stored keyProfile) == "$won" ]] ||
    session_fail "APPLY did not make '$won' the key sound: keyProfile is '$(stored keyProfile)'"
[[ $(stored enabled) == 1 ]] || session_fail "the switch was stored as '$(stored enabled)'"
echo "won and applied: $won"

# Typing is counted again (the store writes every 5 s).
before=$(keystrokes)
read -ra letters <<<"$(session_letters 12)"
xdotool key --delay 40 "${letters[@]}"
at_least() { (($(keystrokes) >= $1)); }
wait_until 15 at_least $((before + 12)) ||
    session_fail "typing after APPLY is not counted: $before, then $(keystrokes)"

session_stop quib
[[ $(stored enabled) == 1 ]] || session_fail "the switch was stored as off on quitting"
quib_start --input x11
session_wait_window '^QUIB$' 20 >/dev/null || fail_with_shot "QUIB did not start again"
# QUIB may take a moment to listen: a key every second until one is stored.
before=$(keystrokes)
probe() { xdotool key a && sleep 1 && (($(keystrokes) > before)); }
wait_until 20 probe || session_fail "after the restart nothing typed is counted"
[[ $(stored keyProfile) == "$won" ]] || session_fail "the won key sound did not stay current"
echo "PASS"
