#!/usr/bin/env bash
# The application shell's figures in a headless session with an XEmbed tray:
#   start-up to tray icon shown (warm cache; median of RUNS starts),
#   resident memory after start with no focus audio, and again once the panel
#   has been opened from the tray icon and closed with a click on the desktop,
#   idle CPU with no input over IDLE_SECONDS (the panel closed).
# Idle is measured from SETTLE_SECONDS after the start-up click (the PulseAudio
# output corks its stream 0.3 s after a sound; with QUIB_AUDIO_OUTPUT=sdl the
# device closes 20 s after it: pass a SETTLE_SECONDS of 25 then).
# AUDIO=pipewire runs the session on PipeWire (with its PulseAudio server)
# instead of PulseAudio: the start-up then also opens a PipeWire context.
# Usage: [AUDIO=pipewire] bench/app/shell_bench.sh PATH_TO_QUIB [RUNS] [IDLE_SECONDS] [SETTLE_SECONDS]
set -euo pipefail

QUIB_BIN=${1:?usage: shell_bench.sh PATH_TO_QUIB [RUNS] [IDLE_SECONDS]}
RUNS=${2:-7}
IDLE_SECONDS=${3:-60}
SETTLE_SECONDS=${4:-2}
export QUIB_BIN
# shellcheck source=../../tests/e2e/lib/session.sh
source "$(dirname "$0")/../../tests/e2e/lib/session.sh"

if [[ ${AUDIO:-pulse} == pipewire ]]; then
    start_session --tray --pipewire
else
    start_session --tray
fi
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
rss() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }
echo "resident memory after start: $(rss) kB"

# The panel, shown once: opened from the icon, closed by a click elsewhere. A
# QUIB that started a moment before the tray opened it as a window already.
panel_gone() { ! quib_panel_window >/dev/null; }
if ! panel_gone; then
    xdotool mousemove --sync 200 600 click 1
    wait_until 5 panel_gone || session_fail "the start-up panel did not close"
    sleep 0.5
fi
read -r icon_w icon_h icon_x icon_y <<<"$(quib_tray_icon_geometry)"
xdotool mousemove --sync $((icon_x + icon_w / 2)) $((icon_y + icon_h / 2)) click 1
wait_until 5 quib_panel_window || session_fail "a click on the tray icon did not open the panel"
sleep 2 # two STATS refreshes
xdotool mousemove --sync 200 600 click 1
wait_until 5 panel_gone || session_fail "a click on the desktop did not close the panel"
echo "resident memory with the panel shown once: $(rss) kB"
sleep "$SETTLE_SECONDS"
ticks_per_second=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
sleep "$IDLE_SECONDS"
after=$(cpu)
awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$IDLE_SECONDS" \
    'BEGIN { printf "idle CPU over %d s: %.3f %% of one core\n", s, 100 * t / hz / s }'
