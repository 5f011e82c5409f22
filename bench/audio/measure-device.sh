#!/usr/bin/env bash
# Measures the click latency and the audio server's idle cost on a private
# PulseAudio null sink (root is fine), for the SDL2 output and for the
# PulseAudio output (QUIB_AUDIO_OUTPUT=pulse), which corks a silent stream.
# Usage: [CLICKS=20] [FRAMES=256] [OUTPUTS="sdl pulse"] measure-device.sh <build dir>
set -euo pipefail
BUILD=${1:-build}
BENCH="$BUILD/bench/bench_audio_device"
RUN=$(mktemp -d)
export HOME=$RUN XDG_RUNTIME_DIR=$RUN PULSE_SERVER=unix:$RUN/pulse.sock
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$RUN"
}
trap cleanup EXIT

pulseaudio --daemonize=no --system=false -n --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --load="module-null-sink sink_name=ci rate=48000 format=float32le channels=2" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$RUN/pulse.sock" >"$RUN/pa.log" 2>&1 &
PA=$!
pids+=("$PA")
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
# An idle null sink stalls new streams; a keep-alive stream keeps it running.
pacat --playback --latency-msec=10 --format=float32le --rate=48000 --channels=2 --raw /dev/zero &
pids+=("$!")
sleep 1

ticks() { awk '{print $14 + $15}' "/proc/$PA/stat"; }
cpu_over() {  # percent of one core used by the server over $1 seconds
    local before after
    before=$(ticks); sleep "$1"; after=$(ticks)
    echo "scale=1; ($after - $before) * 100 / ($(getconf CLK_TCK) * $1)" | bc
}

echo "== audio server CPU with the keep-alive stream only: $(cpu_over 10) % of one core"
for output in ${OUTPUTS:-sdl pulse}; do
    export QUIB_AUDIO_OUTPUT=$output
    echo "== $output: latency"
    SDL_AUDIODRIVER=pulseaudio "$BENCH" latency "${CLICKS:-20}" "${FRAMES:-256}"
    echo "== $output: audio server CPU (percent of one core)"
    SDL_AUDIODRIVER=pulseaudio "$BENCH" idle 45 "${FRAMES:-256}" >"$RUN/idle.log" 2>&1 &
    idle=$!
    sleep 2
    echo "the first 10 s after a click:      $(cpu_over 10)"
    sleep 14
    echo "10 s from 26 s after it:           $(cpu_over 10)"
    wait "$idle" || true
    grep -E 't=(1|5|25)s' "$RUN/idle.log" || true
done
