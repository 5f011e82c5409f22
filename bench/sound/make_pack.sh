#!/usr/bin/env bash
# Writes a "multi" sound pack of the kind the community shares into DIR (for
# the benchmarks: keyclick_bench.sh's QUIB_PACK): a press and a release for
# each of the 88 first keys, short clicks of band-passed noise made by sox,
# 16-bit WAV at 44.1 kHz, SECONDS long each (default 0.04), fading out over
# all of it as a click does (a sound loud to its end blurs the onsets of the
# next keys at 20 keys/s).
# Usage: bench/sound/make_pack.sh DIR [SECONDS]
set -euo pipefail
DIR=${1:?usage: make_pack.sh DIR [SECONDS]}
SECONDS_EACH=${2:-0.04}
FADE=$(awk -v s="$SECONDS_EACH" 'BEGIN { print s - 0.002 }')
mkdir -p "$DIR"
defines=""
for key in $(seq 1 88); do
    sox -V1 -n -r 44100 -c 1 -b 16 "$DIR/k$key.wav" synth "$SECONDS_EACH" whitenoise gain -12 \
        sinc $((1200 + 10 * key))-$((4000 + 20 * key)) fade q 0.001 "$SECONDS_EACH" "$FADE"
    sox -V1 -n -r 44100 -c 1 -b 16 "$DIR/k$key-up.wav" synth "$SECONDS_EACH" whitenoise gain -18 \
        sinc $((2500 + 10 * key))-$((7000 + 20 * key)) fade q 0.001 "$SECONDS_EACH" "$FADE"
    defines+="${defines:+,}\"$key\":\"k$key.wav\",\"$key-up\":\"k$key-up.wav\""
done
printf '{"version":2,"name":"Bench Pack","key_define_type":"multi","defines":{%s}}\n' \
    "$defines" >"$DIR/config.json"
