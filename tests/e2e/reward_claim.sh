#!/usr/bin/env bash
# End to end: a reward claimed with the one coin the user has, from the panel.
# The reward window opens, its reel lands, APPLY makes what it won (a key
# sound, a mouse sound or a theme) the current one in the database, the switch
# is stored as on and stays on after a restart, and typing is counted
# afterwards, before and after the restart.
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

# The names unlocked of one kind, one a line.
unlocked() { quib_stored "$1" | jq -r '.[]?'; }
kinds=(gs_unlockedKeyProfiles:keyProfile gs_unlockedMouseProfiles:mouseProfile
    gs_unlockedThemes:gs_activeTheme)
declare -A before
snapshot() {
    local kind
    for kind in "${kinds[@]}"; do before[$kind]=$(unlocked "${kind%%:*}"); done
}

# The panel opens at the top right when there is no tray: REWARDS, then its
# "> CLAIM REWARD [1 COIN]" button under the wallet line, once the tab shows
# (the chosen tab is filled with the accent of the header's rule).
rewards_shown() {
    session_shot "$1"
    [[ $(session_shot_pixel 285 62) == "$(session_shot_pixel 200 51)" ]]
}
claim_from_panel() {
    local panel
    panel=$(session_wait_window '^QUIB$' 20) || session_fail_with_shot "the panel did not open"
    [[ $(quib_stats_json canClaimReward) == true ]] || session_fail "nothing to claim"
    session_click_window "$panel" 285 73
    wait_until 5 rewards_shown "$panel" || session_fail_with_shot "REWARDS did not open"
    session_click_window "$panel" 170 188
}

# The landed window: APPLY (window pixels 100...320 x 210...242, under the
# card's top-left corner) filled with the accent of the bar along the top.
landed() {
    session_shot "$1"
    [[ $(session_shot_pixel 105 226) == "$(session_shot_pixel 200 1)" ]]
}

quib_start --input x11
snapshot
claim_from_panel
reward=$(session_wait_window '^QUIB Reward$' 5) || session_fail_with_shot "no reward window after CLAIM"
[[ $(quib_stats_json coins) == 0 ]] || session_fail "the coin was not spent"
# At most 50 steps and then fewer than 20 more, the slowest at 0.5 s.
wait_until 30 landed "$reward" || session_fail_with_shot "the reel did not land"
session_click_window "$reward" 210 226 # APPLY
reward_gone() { ! xdotool search --onlyvisible --name '^QUIB Reward$' >/dev/null; }
wait_until 5 reward_gone || session_fail_with_shot "APPLY did not close the reward window"

# Exactly one name is new, and it is the current one of its kind.
won=() current_key=
for kind in "${kinds[@]}"; do
    while read -r name; do
        [[ -n $name ]] || continue
        won+=("$name")
        current_key=${kind#*:}
    done < <(comm -13 <(sort <<<"${before[$kind]}") <(unlocked "${kind%%:*}" | sort))
done
((${#won[@]} == 1)) || session_fail "not one thing won: ${won[*]:-nothing}"
[[ $(quib_stored "$current_key") == "${won[0]}" ]] ||
    session_fail "APPLY did not make '${won[0]}' current: $current_key is '$(quib_stored "$current_key")'"
[[ $(quib_stored enabled) == 1 ]] || session_fail "the switch was stored as '$(quib_stored enabled)'"
echo "won and applied: ${won[0]} ($current_key)"

# Typing is counted again (the store writes every 5 s).
typed_before=$(quib_keystrokes)
read -ra letters <<<"$(session_letters 12)"
xdotool key --delay 40 "${letters[@]}"
wait_until 15 quib_keystrokes_at_least $((typed_before + 12)) ||
    session_fail "typing after APPLY is not counted: $typed_before, then $(quib_keystrokes)"

session_stop quib
[[ $(quib_stored enabled) == 1 ]] || session_fail "the switch was stored as off on quitting"
quib_start --input x11
session_wait_window '^QUIB$' 20 >/dev/null || session_fail_with_shot "QUIB did not start again"
# QUIB may take a moment to listen: a key every second until one is stored.
typed_before=$(quib_keystrokes)
probe() { xdotool key a && sleep 1 && quib_keystrokes_at_least $((typed_before + 1)); }
wait_until 20 probe || session_fail "after the restart nothing typed is counted"
[[ $(quib_stored "$current_key") == "${won[0]}" ]] || session_fail "'${won[0]}' did not stay current"
echo "PASS"
