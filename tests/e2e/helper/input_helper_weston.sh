#!/usr/bin/env bash
# End to end on weston through the input helper: QUIB started without
# --input in a Wayland session where no device is readable takes the helper
# (its test build, reading a FIFO that stands in for the devices). 20 keys
# and 10 left/right presses are heard once and counted once; with a pack
# whose space bar has a tone of its own (3 kHz) and whose letters another
# (5 kHz), the 5 spaces are told apart from the 15 other keys in the
# recording, the others playing a letter's sound. A second reader of the
# helper sees only kinds and classes: two different letters give the same bytes.
#
# Usage: input_helper_weston.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: input_helper_weston.sh PATH_TO_QUIB}
export QUIB_BIN
helper=$(dirname "$QUIB_BIN")/quib-input-helper-testfeed
# shellcheck source=../lib/session.sh
source "$(dirname "$0")/../lib/session.sh"
session_attempts "$@"
[[ -x $helper ]] || session_fail "no $helper"

session_prioritize
start_session --weston --pipewire
quib_seed_quiet
quib() { "$QUIB_BIN" "$@" --home "$QUIB_HOME"; }

pack="$SESSION_DIR/src/E2E Space"
mkdir -p "$pack/sounds"
sox -n -r 44100 -c 1 -b 16 "$pack/sounds/letter.wav" synth 0.04 sine 5000 gain -6
sox -n -r 44100 -c 1 -b 16 "$pack/sounds/space.wav" synth 0.04 sine 3000 gain -6
cat >"$pack/config.json" <<'JSON'
{"version": 2, "name": "E2E Space", "key_define_type": "multi", "includes_numpad": false,
 "sound": "letter.wav", "defines": {"30": "letter.wav", "31": "letter.wav", "57": "space.wav"}}
JSON
(cd "$SESSION_DIR/src" && python3 -c 'import shutil; shutil.make_archive("../space", "zip", ".")')
quib packs import "$SESSION_DIR/space.zip" >/dev/null
quib packs use e2e-space >/dev/null

fifo=$SESSION_DIR/event0
mkfifo "$fifo"
export QUIB_INPUT_HELPER=$helper QUIB_INPUT_HELPER_FIFOS=$fifo
session_record_start
quib_start
quib_wait_started
log() { cat "$SESSION_DIR/quib.log"; }
grep -q '^\[QUIB\] Input: the input helper' "$SESSION_DIR/quib.log" ||
    session_fail "auto did not take the input helper: $(log)"

KEY_A=30 KEY_Q=16 KEY_SPACE=57 BTN_LEFT=272 BTN_RIGHT=273
quib_feed_presses "$fifo" $KEY_A:10 $KEY_SPACE:5 $KEY_Q:5 $BTN_LEFT:5 $BTN_RIGHT:5
from=$QUIB_FED_FROM
tool=$(_session_onsets_tool)
# The presses are 200 ms apart: an onset within 100 ms of the one before is
# the same tone read twice (PipeWire's monitor delivers it in pieces).
tones() {
    "$tool" --describe "$SESSION_RECORDING" | awk -v f="$from" -v hz="$1" '
        $1 >= f && $1 - last >= 0.1 { last = $1; if ($2 > hz - 100 && $2 < hz + 100 && $3 > 0.5) n++ }
        END { print n + 0 }'
}
heard=$("$tool" --describe "$SESSION_RECORDING" |
    awk -v f="$from" '$1 >= f && $1 - last >= 0.1 { last = $1; n++ } END { print n + 0 }')
spaces=$(tones 3000)
letters=$(tones 5000)

echo "$spaces space tones, $letters letter tones"
quib_quit_and_check_counts 20 10 "$heard"
((spaces == 5 && letters == 15)) ||
    session_fail "$spaces space tones and $letters letter tones, not 5 and 15:" \
        "$("$tool" --describe "$SESSION_RECORDING" | awk -v f="$from" '$1 >= f' | tr '\n' ';')"

# A second reader: what any program of the user gets by running the helper.
second=$SESSION_DIR/event1
mkfifo "$second"
bytes=$(QUIB_INPUT_HELPER_FIFOS=$second python3 - "$helper" "$second" <<'PY'
import os, struct, subprocess, sys
helper, fifo = sys.argv[1], sys.argv[2]
child = subprocess.Popen([helper], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
writer = os.open(fifo, os.O_WRONLY)
record = lambda code, value: struct.pack("qqHHi", 0, 0, 1, code, value) + struct.pack("qqHHi", 0, 0, 0, 0, 0)
os.write(writer, record(30, 1) + record(30, 0) + record(48, 1) + record(48, 0) + record(272, 1) + record(272, 0))
out = b""
while len(out) < 10:
    out += os.read(child.stdout.fileno(), 64)
child.kill()
print(" ".join(str(b) for b in out))
PY
)
[[ $bytes == "1 9 2 9 1 9 2 9 3 0" ]] || session_fail "the helper's output for A, B and a left press: $bytes"
echo "second reader: $bytes"
echo "PASS"
