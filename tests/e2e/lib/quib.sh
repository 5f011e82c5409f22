# shellcheck shell=bash
# Starting QUIB in the session and seeding its database: part of session.sh
# (see there).

quib_start() {
    [[ -n ${QUIB_BIN:-} ]] || session_fail "QUIB_BIN is not set"
    QUIB_STARTED_AT=0
    [[ -n ${SESSION_RECORDING:-} ]] && QUIB_STARTED_AT=$(session_record_seconds)
    session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" "$@"
}

# QUIB plays one click 1.5 s after it starts listening, as a sign that it runs.
quib_wait_started() {
    local seconds=${1:-20} deadline
    deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        kill -0 "$(session_pid quib)" 2>/dev/null ||
            session_fail "quib exited: $(cat "$SESSION_DIR/quib.log")"
        if (($(session_onset_count "$QUIB_STARTED_AT") > 0)); then
            session_record_more 0.3 # it rings out
            return 0
        fi
        sleep 0.2
    done
    session_fail "no start-up click within $seconds s; quib log: $(cat "$SESSION_DIR/quib.log")"
}

quib_seed_preference() {
    local key=$1 type=$2 value=$3 home=${4:-$QUIB_HOME}
    mkdir -p "$home"
    sqlite3 "$home/preferences.sqlite3" \
        "PRAGMA user_version = 1;
         CREATE TABLE IF NOT EXISTS preferences (key TEXT PRIMARY KEY NOT NULL, type TEXT NOT NULL, value);
         INSERT OR REPLACE INTO preferences VALUES('$key', '$type', $value);"
}

quib_seed_unlocked() {
    local list
    list=$(printf '"%s",' "$@")
    quib_seed_preference gs_unlockedAchievements stringList "'[${list%,}]'"
}

# Onboarding done and the typing-speed achievements already unlocked: fast
# injected typing then unlocks nothing, so every click heard is an input's.
quib_seed_quiet() {
    quib_seed_onboarded
    quib_seed_unlocked wpm_80 wpm_100 wpm_120 wpm_140 wpm_160
}

quib_seed_onboarded() {
    quib_seed_preference onboardingComplete bool 1 "${1:-$QUIB_HOME}"
}

quib_stats_json() {
    local field=$1 home=${2:-$QUIB_HOME}
    [[ -n ${QUIB_BIN:-} ]] || session_fail "QUIB_BIN is not set"
    "$QUIB_BIN" stats --json --home "$home" | jq -r --arg field "$field" '.[$field]'
}

quib_keystrokes() {
    quib_stats_json totalKeystrokes
}

quib_keystrokes_at_least() {
    (($(quib_keystrokes) >= $1))
}

# Read while QUIB may be writing: wait for its lock rather than fail at once.
quib_stored() {
    local key=$1 home=${2:-$QUIB_HOME}
    sqlite3 -cmd ".timeout 5000" "$home/preferences.sqlite3" "SELECT value FROM preferences WHERE key = '$key'"
}

quib_log() {
    cat "$SESSION_DIR/quib.log"
}

quib_logged() {
    grep -qF "$1" "$SESSION_DIR/quib.log"
}

# Writes records "TYPE:CODE:VALUE ..." as struct input_event (x86-64 layout)
# into a FIFO that QUIB reads with --input-device ("pause:SECONDS" between
# records paces them), then waits until QUIB has
# read every byte. QUIB judges what it reads in the same step, so on return
# every record has been counted or dropped: the sync point of the checks that
# follow. Waits at most SECONDS (default 10) for a reader and for the reading.
quib_feed() {
    local fifo=$1 seconds=10
    shift
    [[ ${1:-} =~ ^[0-9]+$ ]] && seconds=$1 && shift
    python3 - "$fifo" "$seconds" "$@" <<'PY'
import errno, fcntl, os, struct, sys, termios, time
path, seconds, items = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
deadline = time.monotonic() + seconds
while True:
    try:
        fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
        break
    except OSError as error:
        if error.errno != errno.ENXIO or time.monotonic() > deadline:
            sys.exit(f"no reader on {path}")
        time.sleep(0.02)
os.set_blocking(fd, True)
for item in items:
    if item.startswith("pause:"):
        seconds = float(item[len("pause:"):])
        deadline += seconds
        time.sleep(seconds)
        continue
    data = struct.pack("qqHHi", 0, 0, *(int(p) for p in item.split(":")))
    while data:
        data = data[os.write(fd, data):]
unread = bytearray(4)
while True:
    fcntl.ioctl(fd, termios.FIONREAD, unread)
    if int.from_bytes(unread, sys.byteorder) == 0:
        break
    if time.monotonic() > deadline:
        sys.exit(f"QUIB did not read {path}")
    time.sleep(0.01)
os.close(fd)
PY
}

# Presses fed through a FIFO as quib_feed does, 200 ms apart: CODE:COUNT pairs
# of evdev key or button codes, in order. Then waits (with a deadline, as the
# monitor's data reach the recording in pieces) for one onset per press.
# Sets QUIB_FED_FROM (the recording's second the feed began), QUIB_FED (the
# presses) and QUIB_HEARD (the onsets since).
quib_feed_presses() { # FIFO CODE:COUNT...
    local fifo=$1 pair records=()
    shift
    QUIB_FED=0
    for pair in "$@"; do
        for _ in $(seq "${pair#*:}"); do
            records+=("1:${pair%:*}:1" "0:0:0" "1:${pair%:*}:0" "0:0:0" pause:0.2)
        done
        QUIB_FED=$((QUIB_FED + ${pair#*:}))
    done
    QUIB_FED_FROM=$(session_record_seconds)
    quib_feed "$fifo" 20 "${records[@]}" || session_fail "QUIB did not read $fifo"
    _quib_heard_all() { (($(session_onset_count "$QUIB_FED_FROM") >= QUIB_FED)); }
    wait_until 5 _quib_heard_all || true
    QUIB_HEARD=$(session_onset_count "$QUIB_FED_FROM")
}

# QUIB ended with SIGTERM (a clean quit), then its store must hold KEYS key
# presses and CLICKS clicks, and the recording one click per press fed by
# quib_feed_presses (HEARD, default QUIB_HEARD, of them). Too few onsets
# spaced unevenly are the machine's stalls, not QUIB's (session_busy).
quib_quit_and_check_counts() { # KEYS CLICKS [HEARD]
    local status=0 keys clicks heard=${3:-$QUIB_HEARD}
    session_signal quib TERM || status=$?
    ((status == 0)) || session_fail "quib did not quit cleanly on SIGTERM (status $status)"
    keys=$(quib_stats_json totalKeystrokes)
    clicks=$(quib_stats_json totalClicks)
    echo "heard $heard of $QUIB_FED; counted $keys keys, $clicks clicks"
    ((keys == $1 && clicks == $2)) || session_fail "counted $keys keys and $clicks clicks, not $1 and $2"
    if ((heard != QUIB_FED)); then
        session_onsets_regular "$QUIB_FED_FROM" 1e9 0.2 || session_busy "heard $heard of $QUIB_FED, unevenly"
        session_fail "heard $heard clicks for $QUIB_FED presses"
    fi
}
