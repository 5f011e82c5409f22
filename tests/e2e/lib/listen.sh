# shellcheck shell=bash
# Listening to what the audio server played: part of session.sh (see there).
# The recorder writes the null sink's monitor as 48 kHz stereo float; the
# click analyser (tests/e2e/tools) finds the click onsets in it.

SESSION_BYTES_PER_SECOND=384000

_session_onsets_tool() {
    local tool=${QUIB_ONSETS:-$(dirname "${QUIB_BIN:-.}")/tests/e2e/quib-click-onsets}
    [[ -x $tool ]] || session_fail "the click analyser $tool is missing (set QUIB_ONSETS)"
    echo "$tool"
}

_session_recording_grows() {
    [[ $(stat -c %s "$SESSION_RECORDING" 2>/dev/null || echo 0) -gt 0 ]]
}

session_record_start() {
    SESSION_RECORDING=$SESSION_DIR/sink-$SECONDS-$RANDOM.raw
    export SESSION_RECORDING
    : >"$SESSION_RECORDING"
    # A small latency: without it most of the buffer is lost when parec stops.
    session_spawn recorder parec -d ci.monitor --latency-msec=10 --format=float32le \
        --rate=48000 --channels=2 --raw "$SESSION_RECORDING"
    # A freshly started server takes about 2 s before the monitor delivers.
    wait_until 10 _session_recording_grows || session_fail "the recorder gets no data"
}

session_record_seconds() {
    local bytes
    bytes=$(stat -c %s "$SESSION_RECORDING")
    awk -v b="$bytes" -v r="$SESSION_BYTES_PER_SECOND" 'BEGIN { printf "%.3f\n", b / r }'
}

_session_recorded_to() {
    awk -v now="$(session_record_seconds)" -v t="$1" 'BEGIN { exit !(now >= t) }'
}

session_record_more() {
    local target
    target=$(awk -v t="$(session_record_seconds)" -v s="${1:-0.4}" 'BEGIN { print t + s }')
    wait_until 10 _session_recorded_to "$target"
}

session_record_stop() {
    session_stop recorder
}

session_onsets() {
    local from=${1:-0} to=${2:-1e9} tool
    tool=$(_session_onsets_tool)
    "$tool" "$SESSION_RECORDING" | awk -v f="$from" -v t="$to" '$1 >= f && $1 < t'
}

session_onset_count() {
    session_onsets "$@" | wc -l
}

session_level() {
    local tool
    tool=$(_session_onsets_tool)
    "$tool" --level "$1" "$2" "$SESSION_RECORDING"
}


# Whether the onsets in [FROM, TO) came SPACING seconds apart, give or take
# half of it. When they did not, the machine delayed some clicks (or the X
# server some auto-repeats), and clicks bunched into the same few milliseconds
# sound as one: a count that misses then says nothing about QUIB.
session_onsets_regular() {
    local from=$1 to=$2 spacing=$3
    session_onsets "$from" "$to" | awk -v s="$spacing" '
        NR > 1 && ($1 - last < 0.5 * s || $1 - last > 1.5 * s) { irregular = 1 }
        { last = $1 }
        END { exit irregular }'
}
