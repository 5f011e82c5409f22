#!/usr/bin/env bash
# Key-to-sound latency and cost of QUIB beside bucklespring (Debian's click
# program, the reference), both measured the same way in one headless desktop:
# Xvfb with a window holding the keyboard focus and a tray host, a private
# D-Bus, PulseAudio with a null sink whose monitor is recorded. Inputs are injected with XTEST
# from one process (build/bench/keyclick); see bench/latency/KeyClickBench.cpp.
#
# Usage: bench/latency/keyclick_bench.sh [--quick] [BUILD_DIR]
#   --quick         shorter phases (about 4 minutes instead of about 35)
#   QUIB_ONLY=1     skip the reference; BUCKLE_ONLY=1 measures only the reference
#   TYPE_SECONDS=N  length of the typing run for resident memory
#   PHASES="..."    the phases of both programs (see KeyClickBench.cpp)
#   AUDIO=pipewire  PipeWire with its PulseAudio server (pipewire-pulse)
#                   instead of PulseAudio; "server" is then pipewire-pulse
# bucklespring is installed here if missing (benchmarks only, never for tests).
set -euo pipefail

QUICK=0
if [[ ${1:-} == --quick ]]; then
    QUICK=1
    shift
fi
BUILD=$(realpath "${1:-build}")
export QUIB_BIN=$BUILD/quib
PROBE=$BUILD/bench/keyclick
BUCKLE=/usr/games/buckle
HERE=$(dirname "$(realpath "$0")")
[[ -x $QUIB_BIN && -x $PROBE ]] || { echo "build $QUIB_BIN and $PROBE first (make bench)" >&2; exit 1; }
if [[ -z ${QUIB_ONLY:-} && ! -x $BUCKLE ]]; then
    bash "$HERE/../../scripts/install-deps.sh" --bench
fi

if ((QUICK)); then
    DEFAULT_PHASES="keys150:50 keys2s:10 mouse:10 hold:2000 rate20:200 idle:20"
    SERVER_SECONDS=10 TYPE_SECONDS=${TYPE_SECONDS:-30}
else
    DEFAULT_PHASES="keys150:200 keys2s:20 mouse:40 hold:2000 rate20:1000 idle:60"
    SERVER_SECONDS=60 TYPE_SECONDS=${TYPE_SECONDS:-600}
fi
read -r -a PHASES <<<"${PHASES:-$DEFAULT_PHASES}"

# shellcheck source=../../tests/e2e/lib/session.sh
source "$HERE/../../tests/e2e/lib/session.sh"
# With a tray host, as on a desktop: without one QUIB opens its panel as a
# window, which refreshes its figures every second.
if [[ ${AUDIO:-pulse} == pipewire ]]; then
    start_session --tray --pipewire
    SERVER=$(session_pid pipewire-pulse)
else
    start_session --tray
    SERVER=$(session_pid pulseaudio)
fi
session_autorepeat_on
echo "== audio server: $(session_audio_server)"
RESULTS=$SESSION_DIR/results
mkdir -p "$RESULTS"

probe() { # OUTFILE PID PHASE...
    local out=$1 pid=$2
    shift 2
    "$PROBE" --pid "$pid" --server "$SERVER" --out "$out" "$@"
}

echo "== the audio server beside the keep-alive stream only"
probe "$RESULTS/server" 0 "server:$SERVER_SECONDS"

seed_focus_audio() {
    sqlite3 "$1/preferences.sqlite3" \
        "INSERT OR REPLACE INTO preferences VALUES('ambientSounds', 'stringList', '[\"Brown Noise\",\"Rain\",\"Ocean\"]');
         INSERT OR REPLACE INTO preferences VALUES('ambientVolume', 'float', 0.5);"
}

run_quib() {
    echo "== QUIB"
    quib_seed_onboarded
    session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11
    sleep 4 # start-up and its greeting click
    probe "$RESULTS/quib" "$(session_pid quib)" rss "${PHASES[@]}"
    session_stop quib
    echo "== QUIB with focus audio on (brown noise, rain, ocean), ${TYPE_SECONDS} s of typing"
    local home=$SESSION_DIR/quib-focus
    quib_seed_onboarded "$home"
    seed_focus_audio "$home"
    session_spawn quib-focus "$QUIB_BIN" --home "$home" --input x11
    sleep 4
    probe "$RESULTS/quib-focus" "$(session_pid quib-focus)" rss "type:$TYPE_SECONDS"
    session_stop quib-focus
}

run_buckle() {
    echo "== bucklespring (default set-up)"
    session_spawn buckle "$BUCKLE"
    sleep 4
    probe "$RESULTS/buckle" "$(session_pid buckle)" rss "${PHASES[@]}" "type:$TYPE_SECONDS"
    session_stop buckle
}

[[ -n ${BUCKLE_ONLY:-} ]] || run_quib
[[ -n ${QUIB_ONLY:-} ]] || run_buckle
grep type.rss "$RESULTS/quib-focus" >>"$RESULTS/quib" || true
bash "$HERE/keyclick_table.sh" "$RESULTS"
