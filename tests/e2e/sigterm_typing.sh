#!/usr/bin/env bash
# End to end: SIGTERM in the middle of fast typing. Every key QUIB played a
# click for is in the store after it quits: the counted total is never below
# what was heard, and at most the few presses in flight during the shut-down
# are counted without being heard.
#
# Usage: sigterm_typing.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: sigterm_typing.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

session_prioritize
start_session
quib_seed_quiet
session_record_start
quib_start --input x11
quib_wait_started

# 300 keys 25 ms apart take 7.5 s; the signal comes after 3.5 s, before or
# after the first flush depending on how long start-up took.
read -ra letters <<<"$(session_letters 300)"
session_spawn typer xdotool key --delay 25 "${letters[@]}"
sleep 3.5
status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
session_signal typer TERM 20 || true
sleep 0.3

heard=$(($(session_onset_count) - 1)) # not the start-up click
counted=$(quib_stats_json totalKeystrokes)
echo "heard $heard clicks, counted $counted keys"
((heard > 50 && heard < 250)) || session_fail "the typing was not cut in the middle ($heard heard)"
((counted >= heard)) || session_fail "$((heard - counted)) keys heard before SIGTERM were lost"
((counted <= heard + 20)) || session_fail "$((counted - heard)) keys counted without a click"
echo "PASS"
