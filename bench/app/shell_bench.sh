#!/usr/bin/env bash
# The application shell's figures in a headless session with an XEmbed tray:
#   start-up to tray icon shown (warm cache; median of RUNS starts),
#   resident memory after start with no focus audio,
#   idle CPU with no input over IDLE_SECONDS.
# Idle is measured from SETTLE_SECONDS after the start-up click (the PulseAudio
# output corks its stream 0.3 s after a sound; with QUIB_AUDIO_OUTPUT=sdl the
# device closes 20 s after it: pass a SETTLE_SECONDS of 25 then).
# Usage: bench/app/shell_bench.sh PATH_TO_QUIB [RUNS] [IDLE_SECONDS] [SETTLE_SECONDS]
set -euo pipefail

QUIB_BIN=${1:?usage: shell_bench.sh PATH_TO_QUIB [RUNS] [IDLE_SECONDS]}
RUNS=${2:-7}
IDLE_SECONDS=${3:-60}
SETTLE_SECONDS=${4:-2}
export QUIB_BIN
# shellcheck source=../../tests/e2e/lib/session.sh
source "$(dirname "$0")/../../tests/e2e/lib/session.sh"

start_session --tray
quib_seed_onboarded

tray_icon_shown() { xwininfo -root -tree | grep -q '("quib" "quib")'; }

startups=()
for run in $(seq 1 "$RUNS"); do
    begin=$(date +%s%N)
    session_spawn "quib$run" "$QUIB_BIN" --home "$QUIB_HOME" --input x11
    until tray_icon_shown; do sleep 0.002; done
    startups+=($((($(date +%s%N) - begin) / 1000000)))
    if ((run < RUNS)); then
        session_stop "quib$run"
        wait_until 5 sh -c '! xwininfo -root -tree | grep -q "(\"quib\" \"quib\")"'
    fi
done
median=$(printf '%s\n' "${startups[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p")
echo "start-up to tray icon: median ${median} ms over $RUNS runs (${startups[*]})"

pid=$(session_pid "quib$RUNS")
sleep 3 # the delayed start-up click has played
echo "resident memory after start: $(awk '/VmRSS/ {print $2}' "/proc/$pid/status") kB"
sleep "$SETTLE_SECONDS"
ticks_per_second=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
sleep "$IDLE_SECONDS"
after=$(cpu)
awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$IDLE_SECONDS" \
    'BEGIN { printf "idle CPU over %d s: %.3f %% of one core\n", s, 100 * t / hz / s }'
