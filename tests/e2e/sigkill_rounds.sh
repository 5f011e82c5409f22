#!/usr/bin/env bash
# End to end: QUIB killed with SIGKILL at random moments while it counts fast
# typing, ten times over the same data directory. After every kill the
# database passes SQLite's integrity check and no total has gone down; the
# typing of each round is counted up to its last flush.
#
# Usage: sigkill_rounds.sh PATH_TO_QUIB   (QUIB_E2E_SEED repeats a run)
set -euo pipefail

QUIB_BIN=${1:?usage: sigkill_rounds.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

seed=${QUIB_E2E_SEED:-$$}
RANDOM=$seed
echo "seed $seed"
start_session
quib_seed_onboarded
database=$QUIB_HOME/preferences.sqlite3

read -ra letters <<<"$(session_letters 400)"
fields=(totalKeystrokes totalClicks totalXP coins)
declare -A last=([totalKeystrokes]=0 [totalClicks]=0 [totalXP]=0 [coins]=0)
rises=0
for round in $(seq 1 10); do
    : >"$SESSION_DIR/quib.log"
    quib_start --input x11
    wait_until 20 grep -q "No system tray found" "$SESSION_DIR/quib.log" ||
        session_fail "round $round: quib did not start: $(cat "$SESSION_DIR/quib.log")"
    session_spawn typer sh -c "xdotool key --delay 10 ${letters[*]} & xdotool click --repeat 40 --delay 120 1"
    # Round n kills at a random moment of its own 0.9 s stretch, 0.3 to 9.3 s
    # in all: the early rounds before the first flush (every 5 s), the middle
    # ones around it, the late ones after it, whatever the random draw.
    delay=$(awk -v r="$RANDOM" -v n="$round" 'BEGIN { printf "%.2f", 0.3 + 0.9 * (n - 1 + r / 32768) }')
    sleep "$delay"
    session_signal quib KILL || true
    session_signal typer TERM || true

    integrity=$(sqlite3 "$database" "PRAGMA integrity_check")
    [[ $integrity == ok ]] || session_fail "round $round (kill after $delay s): $integrity"
    line="round $round, kill after $delay s:"
    for field in "${fields[@]}"; do
        value=$(quib_stats_json "$field")
        ((value >= last[$field])) ||
            session_fail "$line $field went down from ${last[$field]} to $value"
        [[ $field == totalKeystrokes ]] && ((value > last[$field])) && rises=$((rises + 1))
        line+=" $field $value"
        last[$field]=$value
    done
    echo "$line"
done
((rises >= 3)) || session_fail "only $rises rounds counted anything: the kills came too early"
echo "PASS"
