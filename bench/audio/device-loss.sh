#!/usr/bin/env bash
# Restarts a private PulseAudio server under a looping sound and prints the
# engine's device counters every 250 ms: the loss, the failed reopen while
# the server is down, and the reopen once it is back.
# Usage: device-loss.sh <build dir>
set -u
BENCH="${1:-build}/bench/bench_audio_device"
RUN=$(mktemp -d)
export HOME=$RUN XDG_RUNTIME_DIR=$RUN PULSE_SERVER=unix:$RUN/pulse.sock
start_server() {
    pulseaudio --daemonize=no --system=false -n --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
        --load="module-null-sink sink_name=ci rate=48000 format=float32le channels=2" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$RUN/pulse.sock" >>"$RUN/pa.log" 2>&1 &
    PA=$!
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pacat --playback --latency-msec=10 --format=float32le --rate=48000 --channels=2 --raw /dev/zero &
    KEEPALIVE=$!
}
start_server
SDL_AUDIODRIVER=pulseaudio "$BENCH" loop 10 >"$RUN/loop.log" 2>&1 &
LOOP=$!
sleep 4
echo "server stopped at t~4s"
kill "$KEEPALIVE" "$PA"
wait "$PA" 2>/dev/null
sleep 0.5
start_server
echo "server back at t~4.6s"
wait "$LOOP"
cat "$RUN/loop.log"
kill "$KEEPALIVE"; wait "$KEEPALIVE" 2>/dev/null
kill "$PA"; wait "$PA" 2>/dev/null
rm -rf "$RUN"
