#!/usr/bin/env bash
# What the Ogg Vorbis encoding changes in each ambience and track: the
# generator's 16-bit WAV reference against the shipped file as decoded, as a
# signal-to-noise ratio over the whole loop, and the largest difference in
# level over the octave bands from 63 Hz to 16 kHz (the spectrum a listener
# hears; a perceptual codec keeps it while it does not keep the waveform of
# noise). Also the sizes of both.
#
# Usage: loop_codec.sh BUILD_DIR   (after the build generated BUILD_DIR/resources)
set -euo pipefail

build=${1:?usage: loop_codec.sh BUILD_DIR}
generator=$build/tools/assetgen/quib-assetgen
reference=$(mktemp -d)
trap 'rm -rf "$reference"' EXIT
QT_QPA_PLATFORM=offscreen "$generator" "$reference" --wav-loops \
    $(for f in "$build"/resources/{Ambient,Tracks}/*.ogg; do printf -- '--only %s ' "$(basename "$f" .ogg)"; done)

rms_db() { sox "$@" -n stats 2>&1 | awk '/^RMS lev dB/ { print $4 }'; }
bands="63 125 250 500 1000 2000 4000 8000 16000"
printf '%-26s %8s %8s %9s %12s\n' file "WAV KB" "Ogg KB" "SNR dB" "band max dB"
for ogg in "$build"/resources/{Ambient,Tracks}/*.ogg; do
    name=${ogg#"$build"/resources/}
    wav=$reference/${name%.ogg}.wav
    signal=$(rms_db "$wav")
    noise=$(rms_db -m -v 1 "$wav" -v -1 "$ogg")
    worst=0
    for centre in $bands; do
        low=$(awk -v c="$centre" 'BEGIN { print c / 1.414 }')
        high=$(awk -v c="$centre" 'BEGIN { print c * 1.414 }')
        a=$(sox "$wav" -n sinc "$low-$high" stats 2>&1 | awk '/^RMS lev dB/ { print $4 }')
        b=$(sox "$ogg" -n sinc "$low-$high" stats 2>&1 | awk '/^RMS lev dB/ { print $4 }')
        worst=$(awk -v a="$a" -v b="$b" -v w="$worst" 'BEGIN { d = a - b; if (d < 0) d = -d; print (d > w ? d : w) }')
    done
    printf '%-26s %8d %8d %9.1f %12.2f\n' "$name" $(($(stat -c %s "$wav") / 1024)) \
        $(($(stat -c %s "$ogg") / 1024)) "$(awk -v s="$signal" -v n="$noise" 'BEGIN { print s - n }')" "$worst"
done
