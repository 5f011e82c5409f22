#!/usr/bin/env bash
# Key-to-sound latency and cost of QUIB beside bucklespring (Debian's click
# program, the reference), both measured the same way in one headless desktop
# per audio server: Xvfb with a window holding the keyboard focus and a tray
# host, a private D-Bus, and PulseAudio or PipeWire with a null sink whose
# monitor is recorded. Inputs are injected with XTEST from one process
# (build/bench/keyclick); see bench/latency/KeyClickBench.cpp.
#
# Usage: bench/latency/keyclick_bench.sh [--quick] [BUILD_DIR]
#   --quick         shorter phases (about 10 minutes instead of about 60)
#   SERVERS="..."   the audio servers, in order (default "pulseaudio pipewire")
#   QUIB_ONLY=1     skip the reference; BUCKLE_ONLY=1 measures only the reference
#   TYPE_SECONDS=N  length of the typing run for resident memory
#   PHASES="..."    the phases of both programs (see KeyClickBench.cpp)
#   QUIB_KEY_PROFILE="MX Blue"  QUIB's keyboard profile (default: its own default)
#   QUIB_PACK=PATH  also measure QUIB, in the same session, with this sound pack
#                   (a folder or a .zip) as its keyboard sound
#   QUIB_INPUTS="evdev helper"  also measure QUIB reading the evdev backend's
#                   FIFO and through the input helper's test build (which reads
#                   the same FIFO), the probe writing evdev records there;
#                   FIFO_PHASES their phases (default "keys150:200 keys1500:40 mouse:20")
# Results: BUILD_DIR/keyclick/SERVER/{server,quib,buckle}, then the table.
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
    DEFAULT_PHASES="keys150:50 keys1500:20 mouse:10 hold:2000 rate20:200 idle:20"
    SERVER_SECONDS=10 TYPE_SECONDS=${TYPE_SECONDS:-30}
else
    DEFAULT_PHASES="keys150:200 keys1500:40 mouse:40 hold:2000 rate20:1000 idle:60"
    SERVER_SECONDS=60 TYPE_SECONDS=${TYPE_SECONDS:-600}
fi
read -r -a PHASES <<<"${PHASES:-$DEFAULT_PHASES}"
OUT=$BUILD/keyclick
rm -rf "$OUT"

# shellcheck source=../../tests/e2e/lib/session.sh
source "$HERE/../../tests/e2e/lib/session.sh"
pipewire_server_pids() { # pipewire, wireplumber and pipewire-pulse, comma-separated
    echo "$(session_pid pipewire),$(session_pid wireplumber),$(session_pid pipewire-pulse)"
}

probe() { # OUTFILE PID PHASE...
    local out=$1 pid=$2
    shift 2
    echo "load.before $(cut -d' ' -f1 /proc/loadavg)" >>"$out"
    "$PROBE" --pid "$pid" --server "$SERVER_PIDS" "${RECORDER[@]}" --out "$out" "$@"
    echo "load.after $(cut -d' ' -f1 /proc/loadavg)" >>"$out"
}

seed_focus_audio() {
    sqlite3 "$1/preferences.sqlite3" \
        "INSERT OR REPLACE INTO preferences VALUES('ambientSounds', 'stringList', '[\"Brown Noise\",\"Rain\",\"Ocean\"]');
         INSERT OR REPLACE INTO preferences VALUES('ambientVolume', 'float', 0.5);"
}

seed_key_profile() {
    [[ -n ${QUIB_KEY_PROFILE:-} ]] || return 0
    quib_seed_preference keyProfile string "'$QUIB_KEY_PROFILE'" "$1"
    quib_seed_preference gs_unlockedKeyProfiles stringList "'[\"$QUIB_KEY_PROFILE\"]'" "$1"
}

run_quib_pack() { # RESULTS
    echo "== QUIB with the sound pack $QUIB_PACK"
    local home=$SESSION_DIR/quib-pack id
    quib_seed_onboarded "$home"
    id=$("$QUIB_BIN" packs import "$QUIB_PACK" --home "$home" | sed -n 's/^imported \([^:]*\):.*/\1/p')
    "$QUIB_BIN" packs use "$id" --home "$home" >/dev/null
    session_spawn quib-pack "$QUIB_BIN" --home "$home" --input x11
    sleep 4
    probe "$1/quib-pack" "$(session_pid quib-pack)" rss "${PHASES[@]}"
    session_stop quib-pack
}

# QUIB fed evdev records through a FIFO, read by the evdev backend or by the
# input helper (its test build), in the same session as the XTEST runs.
run_quib_fifo() { # RESULTS INPUT
    local home=$SESSION_DIR/quib-$2 fifo=$SESSION_DIR/event-$2 phases
    echo "== QUIB, input $2 (evdev records through a FIFO)"
    quib_seed_onboarded "$home"
    seed_key_profile "$home"
    mkfifo "$fifo"
    if [[ $2 == helper ]]; then
        session_spawn "quib-$2" env QUIB_INPUT_HELPER="$BUILD/quib-input-helper-testfeed" \
            QUIB_INPUT_HELPER_FIFOS="$fifo" "$QUIB_BIN" --home "$home" --input helper
    else
        session_spawn "quib-$2" "$QUIB_BIN" --home "$home" --input evdev --input-device "$fifo"
    fi
    sleep 4
    read -r -a phases <<<"${FIFO_PHASES:-keys150:200 keys1500:40 mouse:20}"
    probe "$1/quib-$2" "$(session_pid "quib-$2")" --evdev-fifo "$fifo" "${phases[@]}"
    session_stop "quib-$2"
}

run_quib() { # RESULTS
    echo "== QUIB"
    quib_seed_onboarded
    seed_key_profile "$QUIB_HOME"
    session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11
    sleep 4 # start-up and its greeting click
    probe "$1/quib" "$(session_pid quib)" rss "${PHASES[@]}"
    grep -h "Audio output" "$SESSION_DIR/quib.log" || true
    session_stop quib
    [[ -z ${QUIB_PACK:-} ]] || run_quib_pack "$1"
    local input
    for input in ${QUIB_INPUTS:-}; do
        run_quib_fifo "$1" "$input"
    done
    ((TYPE_SECONDS > 0)) || return 0
    echo "== QUIB with focus audio on (brown noise, rain, ocean), ${TYPE_SECONDS} s of typing"
    local home=$SESSION_DIR/quib-focus
    quib_seed_onboarded "$home"
    seed_focus_audio "$home"
    session_spawn quib-focus "$QUIB_BIN" --home "$home" --input x11
    sleep 4
    probe "$1/quib-focus" "$(session_pid quib-focus)" rss "type:$TYPE_SECONDS"
    session_stop quib-focus
    grep type.rss "$1/quib-focus" >>"$1/quib" || true
}

run_buckle() { # RESULTS
    echo "== bucklespring (default set-up)"
    session_spawn buckle "$BUCKLE"
    sleep 4
    local typing=()
    ((TYPE_SECONDS > 0)) && typing=("type:$TYPE_SECONDS")
    probe "$1/buckle" "$(session_pid buckle)" rss "${PHASES[@]}" "${typing[@]}"
    session_stop buckle
}

# One headless desktop per server, torn down before the next one starts.
run_server() { # SERVER
    local results=$OUT/$1
    mkdir -p "$results"
    # With a tray host, as on a desktop: without one QUIB opens its panel as a
    # window, which refreshes its figures every second.
    start_session --tray
    session_autorepeat_on
    if [[ $1 == pipewire ]]; then
        session_use_pipewire
        SERVER_PIDS=$(pipewire_server_pids)
        RECORDER=(--pipewire)
    else
        SERVER_PIDS=$(session_pid pulseaudio)
        RECORDER=()
    fi
    echo "== $1: $(pactl info | grep 'Server Name'), the server with no client but the recorder"
    probe "$results/server" 0 "server:$SERVER_SECONDS"
    [[ -n ${BUCKLE_ONLY:-} ]] || run_quib "$results"
    [[ -n ${QUIB_ONLY:-} ]] || run_buckle "$results"
}

for server in ${SERVERS:-pulseaudio pipewire}; do
    (run_server "$server")
done
bash "$HERE/keyclick_table.sh" "$OUT"
