#!/usr/bin/env bash
# End to end: SIGTERM in the middle of fast typing. Every key QUIB played a
# click for is in the store after it quits, and nothing is counted that was
# not typed: heard <= counted <= typed.
#
# Usage: sigterm_typing.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: sigterm_typing.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

session_attempts "$@"
session_prioritize
start_session
quib_seed_quiet
session_focus_window # its xev log tells what was typed
session_record_start
quib_start --input x11
quib_wait_started

heard() { echo $(($(session_onset_count) - 1)); } # not the start-up click
heard_at_least() { (($(heard) >= $1)); }

# 300 keys 25 ms apart take 7.5 s; the signal comes once 40 have been heard.
read -ra letters <<<"$(session_letters 300)"
session_spawn typer xdotool key --delay 25 "${letters[@]}"
wait_until 30 heard_at_least 40 || session_fail "only $(heard) keys heard; quib log: $(quib_log)"
kill -0 "$(session_pid typer)" 2>/dev/null || session_busy "the typing ended before the signal"
status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
session_signal typer TERM 20 || true
# A key after the typing, seen by the focus window: every key before it is in its log.
xdotool key Escape
wait_until 10 grep -q Escape "$SESSION_DIR/focus.log" || session_fail "the focus window saw no keys"
typed=$(($(grep -c '^KeyPress' "$SESSION_DIR/focus.log") - 1))
# Every click QUIB played before it quit is in the recording a second later.
session_record_more 1 || session_fail "the recorder stopped"

heard=$(heard)
counted=$(quib_keystrokes)
echo "typed $typed keys, heard $heard clicks, counted $counted keys"
((counted >= heard)) || session_fail "$((heard - counted)) keys heard before SIGTERM were lost"
((counted <= typed)) || session_fail "$((counted - typed)) keys counted that were never typed"
echo "PASS"
