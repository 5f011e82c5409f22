#!/usr/bin/env bash
# The figures of the quiet, in a headless session (Xvfb, PulseAudio with a
# null sink and a null source "mic", X11 RECORD input):
#   the mute chord: whether keys typed 20 ms after the chord's second press
#     are heard, and how long the first press's click (a 150 ms one, "Mech
#     Deep") still rings when the chord follows it 20 ms later, on the
#     recording's own clock;
#   a call: from a recording stream on the microphone appearing at the server
#     (`pactl subscribe`) to QUIB's "Clicks muted" line, and from its end to
#     "Clicks back" (both stamped as they arrive, 2 ms apart at worst);
#   idle: QUIB's threads' wake-ups (voluntary context switches) and CPU over
#     IDLE_SECONDS with nothing happening, the call watcher's thread apart;
#   `quib stats --watch`: CPU and wake-ups over WATCH_SECONDS with nothing
#     written, then with the store written every 5 s (a flush that took keys),
#     both given per hour.
# Usage: bench/app/quiet_bench.sh PATH_TO_QUIB [ROUNDS] [IDLE_SECONDS] [WATCH_SECONDS]
set -euo pipefail

QUIB_BIN=${1:?usage: quiet_bench.sh PATH_TO_QUIB [ROUNDS] [IDLE_SECONDS] [WATCH_SECONDS]}
ROUNDS=${2:-10}
IDLE_SECONDS=${3:-60}
WATCH_SECONDS=${4:-120}
export QUIB_BIN
# shellcheck source=../../tests/e2e/lib/session.sh
source "$(dirname "$0")/../../tests/e2e/lib/session.sh"

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { sort -n | tail -1; }

start_session --tray # the panel closed: it refreshes every second while open
session_focus_window
quib_seed_quiet
quib_seed_preference keyProfile string "'Mech Deep'"
quib_seed_preference gs_unlockedKeyProfiles stringList "'[\"Mech Deep\"]'"
pactl load-module module-null-source source_name=mic >/dev/null
session_record_start
quib_start --input x11
quib_wait_started
QUIB_LOG=$SESSION_DIR/quib.log

# --- the chord: second press to silence -------------------------------------
# The end of sound after FROM: the first 1 ms window from which every window
# stays below -60 dBFS (peak) for 50 ms.
sound_end() {
    python3 - "$SESSION_RECORDING" "$1" <<'PY'
import array, sys
data = array.array("f")
with open(sys.argv[1], "rb") as f:
    data.frombytes(f.read())
rate, start = 48000, int(float(sys.argv[2]) * 48000)
window = 48
quiet = 0
for w in range(start, len(data) // 2 - window, window):
    peak = max(abs(data[2 * i]) for i in range(w, w + window))
    if peak < 0.001:
        quiet += 1
        if quiet == 50:
            print((w - 49 * window) / rate)
            break
    else:
        quiet = 0
PY
}
natural=() cut=() leaked=0 keys=0
for round in $(seq 1 "$ROUNDS"); do
    from=$(session_record_seconds)
    xdotool key a
    sleep 0.5
    onset=$(session_onsets "$from" | head -1)
    [[ -n $onset ]] && natural+=("$(awk -v e="$(sound_end "$onset")" -v o="$onset" 'BEGIN { print (e - o) * 1000 }')")
    # Muting: the first press's click sounds; the keys from 20 ms after the
    # second press on may not.
    from=$(session_record_seconds)
    xdotool key --delay 20 Scroll_Lock Scroll_Lock a s d f g
    sleep 0.5
    onset=$(session_onsets "$from" | head -1)
    [[ -n $onset ]] && cut+=("$(awk -v e="$(sound_end "$onset")" -v o="$onset" 'BEGIN { print (e - o) * 1000 }')")
    leaked=$((leaked + $(session_onset_count "$from") - 1))
    [[ -n ${QUIB_BENCH_DEBUG:-} ]] && echo "round $round: $(session_onsets "$from" | tr "\n" " ")"
    keys=$((keys + 5))
    xdotool key --delay 40 Scroll_Lock Scroll_Lock # unmutes
    sleep 0.6
done
ring=$(printf '%s\n' "${cut[@]}" | median)
echo "chord: keys typed from 20 ms after the second press: $leaked of $keys heard;" \
    "the first press's click (\"Mech Deep\") rings $ring ms (max" \
    "$(printf '%s\n' "${cut[@]}" | maximum)) when the chord follows 20 ms after it, against" \
    "$(printf '%s\n' "${natural[@]}" | median) ms alone: silence about $(awk -v r="$ring" \
        'BEGIN { print r - 20 }') ms after the second press (${#cut[@]} chords)"

# --- a call: recording start and end to muted and back ----------------------
# shellcheck disable=SC2016 # the inner shell expands them
session_spawn events bash -c 'stdbuf -oL pactl subscribe | while IFS= read -r l; do printf "%s %s\n" "$EPOCHREALTIME" "$l"; done'
sleep 0.5
# line_time TEXT COUNT: when QUIB's log first held COUNT lines with TEXT.
line_time() {
    until (($(grep -cF "$1" "$QUIB_LOG") >= $2)); do sleep 0.002; done
    echo "$EPOCHREALTIME"
}
event_time() { # KIND COUNT: the COUNT-th such source-output event
    grep "Event '$1' on source-output" "$SESSION_DIR/events.log" | sed -n "$2p" | cut -d' ' -f1
}
to_mute=() to_back=()
for round in $(seq 1 "$ROUNDS"); do
    session_spawn caller parec -d mic --raw --latency-msec=20 /dev/null
    muted_at=$(line_time "Clicks muted: a program records" "$round")
    sleep 0.3
    # Stopping waits for parec to end: the line is looked for meanwhile.
    line_time "Clicks back" "$round" >"$SESSION_DIR/back_at" &
    poller=$!
    session_stop caller
    wait "$poller"
    back_at=$(cat "$SESSION_DIR/back_at")
    sleep 0.3
    to_mute+=("$(awk -v a="$(event_time new "$round")" -v b="$muted_at" 'BEGIN { print (b - a) * 1000 }')")
    to_back+=("$(awk -v a="$(event_time remove "$round")" -v b="$back_at" 'BEGIN { print (b - a) * 1000 }')")
done
session_stop events
echo "call: recording stream at the server to muted: median $(printf '%s\n' "${to_mute[@]}" | median) ms," \
    "max $(printf '%s\n' "${to_mute[@]}" | maximum) ms; its end to clicks back: median" \
    "$(printf '%s\n' "${to_back[@]}" | median) ms, max $(printf '%s\n' "${to_back[@]}" | maximum) ms ($ROUNDS calls)"

# --- idle: wake-ups per thread ----------------------------------------------
pid=$(session_pid quib)
sleep 2
switches() { # NAME: voluntary context switches of QUIB's threads with that name
    for task in /proc/"$pid"/task/*; do
        [[ $(cat "$task/comm") == "$1" ]] && awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status"
    done | awk '{ s += $1 } END { print s + 0 }'
}
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
calls_before=$(switches quib-calls) main_before=$(switches quib) cpu_before=$(cpu "$pid")
sleep "$IDLE_SECONDS"
echo "idle ${IDLE_SECONDS} s: call watcher thread $(($(switches quib-calls) - calls_before)) wake-ups," \
    "main thread $(($(switches quib) - main_before)) wake-ups, $(($(cpu "$pid") - cpu_before)) CPU ticks in all"
session_signal quib TERM >/dev/null || true

# --- quib stats --watch -----------------------------------------------------
session_spawn watch "$QUIB_BIN" stats --home "$QUIB_HOME" --watch --format "{todayKeystrokes} {level}"
wait_until 5 test -s "$SESSION_DIR/watch.log" || session_fail "the watch printed nothing"
wpid=$(session_pid watch)
hz=$(getconf CLK_TCK)
wakes() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$wpid/status"; }
per_hour() { awk -v t="$1" -v s="$WATCH_SECONDS" -v hz="$hz" 'BEGIN { printf "%.2f s", t / hz * 3600 / s }'; }
before=$(cpu "$wpid") wakes_before=$(wakes)
sleep "$WATCH_SECONDS"
idle_ticks=$(($(cpu "$wpid") - before)) idle_wakes=$(($(wakes) - wakes_before))
before=$(cpu "$wpid") wakes_before=$(wakes) lines_before=$(wc -l <"$SESSION_DIR/watch.log")
today=$(date +%F)
end=$((SECONDS + WATCH_SECONDS)) n=0
while ((SECONDS < end)); do
    n=$((n + 1))
    sqlite3 "$QUIB_HOME/preferences.sqlite3" \
        "INSERT OR REPLACE INTO preferences VALUES('gs_daily_${today}_keys', 'integer', $((n * 40)));"
    sleep 5
done
busy_ticks=$(($(cpu "$wpid") - before)) busy_wakes=$(($(wakes) - wakes_before))
lines=$(($(wc -l <"$SESSION_DIR/watch.log") - lines_before))
echo "stats --watch: idle ${WATCH_SECONDS} s: $idle_ticks ticks, $idle_wakes wake-ups" \
    "($(per_hour "$idle_ticks") CPU an hour); a store write every 5 s: $busy_ticks ticks," \
    "$busy_wakes wake-ups, $lines lines ($(per_hour "$busy_ticks") CPU an hour)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
