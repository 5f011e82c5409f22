#!/usr/bin/env bash
# End to end: a sound pack made here (a 3 kHz tone for presses, a 5 kHz one
# for releases, files of one name in press/ and release/) is imported from a .zip and chosen while QUIB runs; from then
# on the recording holds the pack's tones, told apart from the built-in click
# by their pitch, each key's press and its release, placed by the key (A on
# the left, Enter on the right). `quib set release-sounds off` silences the
# releases, and removing the pack in use brings the built-in click back; each
# change is heard within a second. Presses are counted, releases are not.
#
# Usage: sound_packs.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: sound_packs.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"
session_attempts "$@"

session_prioritize
start_session
quib_seed_quiet
session_record_start
quib_start --input x11
quib_wait_started

quib() { "$QUIB_BIN" "$@" --home "$QUIB_HOME"; }

# The onsets of [FROM, TO) as "time hz purity balance" lines (strongest
# frequency, share of the energy near it, left over right in dB).
described() {
    local tool
    tool=$(_session_onsets_tool)
    "$tool" --describe "$SESSION_RECORDING" | awk -v f="$1" -v t="${2:-1e9}" '$1 >= f && $1 < t'
}
# How many of those lines are a tone near HZ (and, with SIDE left or right,
# sound on that side).
tones() {
    described "$1" "$2" | awk -v hz="$3" -v side="${4:-}" '
        $2 > hz - 100 && $2 < hz + 100 && $3 > 0.5 &&
        (side == "" || (side == "left" && $4 > 1.5) || (side == "right" && $4 < -1.5)) { n++ }
        END { print n + 0 }'
}
# The time of the first (or, with "last", the last) onset near HZ, or nothing.
tone_time() {
    described "$1" 1e9 | awk -v hz="$2" -v which="${3:-first}" '
        $2 > hz - 100 && $2 < hz + 100 && $3 > 0.5 { t = $1; if (which == "first") { print t; exit } }
        END { if (which == "last" && t != "") print t }'
}
# Fails unless every tone near HZ from SINCE on came within a second of it:
# a change made at SINCE must be heard within a second.
stopped_within_a_second() {
    local since=$1 hz=$2 what=$3 last
    last=$(tone_time "$since" "$hz" last)
    [[ -z $last ]] || awk -v a="$since" -v b="$last" 'BEGIN { exit !(b - a < 1.0) }' ||
        session_fail "$what sounded at $last s, changed at $since s"
}
# N taps of KEY, each held 0.12 s, 0.25 s apart, from one xdotool process.
taps() {
    local key=$1 count=$2 args=() i
    for ((i = 0; i < count; i++)); do
        args+=(keydown "$key" sleep 0.12 keyup "$key" sleep 0.13)
    done
    xdotool "${args[@]}"
    session_record_more 0.3 # the last release rings out
}

# The built-in click is told apart by its pitch (its strongest frequency is
# well below the pack's tones).
builtin_clicks() { described "$1" | awk '$2 < 2500 || ($2 > 3500 && $2 < 4500) || $2 > 5500' | wc -l; }
(($(builtin_clicks 0) == 1)) ||
    session_fail "the start-up click does not read as the built-in one: $(described 0)"

# The pack, zipped inside a folder as packs are shared; its press and its
# release are files of one name in press/ and release/, told apart only by
# their paths (the pitch tells them apart in the recording).
pack="$SESSION_DIR/src/E2E Tones"
mkdir -p "$pack/press" "$pack/release"
sox -n -r 44100 -c 1 -b 16 "$pack/press/GENERIC.wav" synth 0.04 sine 3000 gain -6
sox -n -r 44100 -c 1 -b 16 "$pack/release/GENERIC.wav" synth 0.03 sine 5000 gain -6
cat >"$pack/config.json" <<'JSON'
{"version": 2, "name": "E2E Tones", "key_define_type": "multi", "includes_numpad": false,
 "sound": "press/GENERIC.wav", "soundup": "release/GENERIC.wav",
 "defines": {"30": "Press/generic.wav", "30-up": "release/GENERIC.wav", "57": null}}
JSON
(cd "$SESSION_DIR/src" && python3 -c 'import shutil; shutil.make_archive("../tones", "zip", ".")')
imported=$(quib packs import "$SESSION_DIR/tones.zip")
[[ $imported == "imported e2e-tones: E2E Tones" ]] || session_fail "import said: $imported"
quib packs list --json | jq -e '.[0] | .id == "e2e-tones" and .valid and .release and .keys == 1' \
    >/dev/null || session_fail "list: $(quib packs list --json)"

# Chosen while QUIB runs: taps from the moment of choosing; the pack is heard
# within a second.
chosen=$(session_record_seconds)
quib packs use e2e-tones >/dev/null
taps a 8
first=$(tone_time "$chosen" 3000)
[[ -n $first ]] || session_fail "the pack's tone was never heard: $(described "$chosen")"
awk -v a="$chosen" -v b="$first" 'BEGIN { exit !(b - a < 1.0) }' ||
    session_busy "the pack was first heard $first s, chosen at $chosen s"

from=$(session_record_seconds)
taps a 5
taps Return 5
to=$(session_record_seconds)
left_presses=$(tones "$from" "$to" 3000 left)
left_releases=$(tones "$from" "$to" 5000 left)
right_presses=$(tones "$from" "$to" 3000 right)
right_releases=$(tones "$from" "$to" 5000 right)
all=$(described "$from" "$to" | wc -l)
echo "A: $left_presses presses, $left_releases releases on the left;" \
    "Enter: $right_presses presses, $right_releases releases on the right; $all onsets"
((left_presses == 5 && left_releases == 5 && right_presses == 5 && right_releases == 5 &&
    all == 20)) || session_busy "expected 5 of each and 20 in all: $(described "$from" "$to")"

# Release sounds off: from within a second on, presses only.
off=$(session_record_seconds)
quib set release-sounds off >/dev/null
taps a 8
stopped_within_a_second "$off" 5000 "a release"
after=$(awk -v a="$off" 'BEGIN { print a + 1.0 }')
(($(tones "$after" 1e9 3000) >= 3)) || session_busy "too few presses after release sounds went off"

# The pack in use removed: the built-in click again, within a second.
removed=$(session_record_seconds)
quib packs remove e2e-tones >/dev/null
taps a 10 # 2.5 s: six or more of them come after the first second
stopped_within_a_second "$removed" 3000 "the removed pack"
after=$(awk -v a="$removed" 'BEGIN { print a + 1.0 }')
(($(builtin_clicks "$after") >= 3)) ||
    session_busy "too few built-in clicks after the removal: $(described "$after")"

status=0
session_signal quib TERM || status=$?
((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
keys=$(quib_stats_json totalKeystrokes)
((keys == 8 + 10 + 8 + 10)) || session_fail "expected 36 key presses counted, got $keys"
[[ $(quib get release-sounds) == off ]] || session_fail "the option was not kept"
echo "PASS"
