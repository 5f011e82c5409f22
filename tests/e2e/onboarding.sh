#!/usr/bin/env bash
# End to end: the first run. QUIB opens the onboarding window and hears
# nothing until it is finished. Once through its three steps (X11 needs no
# permission, so step 2 shows it granted at once) and Return on the last one,
# the window goes, the flag is stored, the start-up click plays and typing is
# counted. On a second first run the window manager's close request finishes
# onboarding just the same.
#
# Usage: onboarding.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: onboarding.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
session_record_start

# The step on screen, told by where its one button is: every button is 240 x 36
# at x 100 of the card, whose top-left corner is the window's. The accent is
# that of the bar along the card's top edge.
#   step 0, GET STARTED (under the logo): y 294...330
#   step 1, CONTINUE:                     y 310...346
#   step 2, START CLICKING:               y 304...340
accent_at() { [[ $(session_shot_pixel 105 "$1") == "$accent" ]]; }
on_step() {
    session_shot "$window"
    accent=$(session_shot_pixel 200 1)
    case $1 in
        0) accent_at 300 && ! accent_at 343 ;;
        1) ! accent_at 300 && accent_at 343 ;;
        2) ! accent_at 300 && accent_at 307 && ! accent_at 343 ;;
    esac
}
window_gone() { ! xdotool search --onlyvisible --name '^Welcome to QUIB$' >/dev/null; }

first_run() {
    quib_start --input x11
    window=$(session_wait_window '^Welcome to QUIB$' 20) || session_fail_with_shot "no onboarding window"
    # Not listening yet: these keys are neither counted nor sounded.
    read -ra letters <<<"$(session_letters 5)"
    xdotool key --delay 40 "${letters[@]}"
}

# Typing counts once onboarding is over (the store writes every 5 s).
typing_counts() {
    local before
    before=$(quib_keystrokes)
    read -ra letters <<<"$(session_letters 10)"
    xdotool key --delay 40 "${letters[@]}"
    wait_until 15 quib_keystrokes_at_least $((before + 10)) ||
        session_fail "typing after onboarding is not counted: $before, then $(quib_keystrokes)"
}

first_run
wait_until 5 on_step 0 || session_fail_with_shot "step 0 (GET STARTED) is not shown"
session_click_window "$window" 220 312
wait_until 5 on_step 1 || session_fail_with_shot "GET STARTED did not lead to access granted (CONTINUE)"
session_click_window "$window" 220 328
wait_until 5 on_step 2 || session_fail_with_shot "CONTINUE did not lead to step 2 (START CLICKING)"
session_click_window "$window" 20 380 # the background: the window takes the focus
xdotool key Return
wait_until 5 window_gone || session_fail_with_shot "Return on the last step did not close the window"
[[ $(quib_stored onboardingComplete) == 1 ]] || session_fail "onboardingComplete was not stored"
quib_wait_started 10
[[ $(quib_keystrokes) == 0 ]] || session_fail "keys typed during onboarding were counted"
typing_counts
session_stop quib

# A second first run, closed by the window manager at step 0.
QUIB_HOME=$SESSION_DIR/closed
first_run
session_close_window "$window"
wait_until 5 window_gone || session_fail_with_shot "the close request did not close the window"
[[ $(quib_stored onboardingComplete) == 1 ]] || session_fail "closing did not store onboardingComplete"
quib_wait_started 10
typing_counts
echo "PASS"
