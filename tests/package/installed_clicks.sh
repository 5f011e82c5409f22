#!/usr/bin/env bash
# The installed program in a headless session, with no resource directory
# given: the clicks of typed keys reach the audio server.
#
# Usage: installed_clicks.sh PATH_TO_INSTALLED_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: installed_clicks.sh PATH_TO_INSTALLED_QUIB}
export QUIB_BIN
unset QUIB_RESOURCE_DIR
# shellcheck source=../e2e/lib/session.sh
source "$(dirname "$0")/../e2e/lib/session.sh"

start_session
quib_seed_onboarded
session_record_start
quib_start --input x11
wait_until 20 grep -q "No system tray found" "$SESSION_DIR/quib.log" ||
    session_fail "the installed quib did not start: $(cat "$SESSION_DIR/quib.log")"
# The loudest sample of the recording, without the click analyser of the
# test build: od prints the floats, awk keeps the largest magnitude.
peak() {
    od -An -v -t f4 "$SESSION_RECORDING" |
        awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } } END { print m + 0 }'
}
heard() {
    awk -v p="$(peak)" 'BEGIN { exit !(p > 0.01) }'
}
xdotool key --delay 100 a b c d e
heard_in_time=0
wait_until 5 heard && heard_in_time=1
session_record_stop
if grep -q "Sound not found\|could not be loaded" "$SESSION_DIR/quib.log"; then
    session_fail "the installed quib misses its sounds: $(cat "$SESSION_DIR/quib.log")"
fi
echo "installed quib: loudest sample $(peak)"
((heard_in_time)) || session_fail "the installed quib was not heard"
