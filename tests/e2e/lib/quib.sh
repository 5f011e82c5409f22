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
            sleep 0.3 # let it ring out
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

# quib_evdev_write FIFO ITEM...: writes input_event records (x86-64 layout) to
# a FIFO that QUIB reads as an event device (--input-device). An item is
# "TYPE:CODE:VALUE", or "pause:SECONDS" between records. Waits at most 10 s
# (and the pauses) for QUIB to read.
quib_evdev_write() {
    local fifo=$1 limit
    shift
    limit=$(printf '%s\n' "$@" | awk -F: '$1 == "pause" { t += $2 } END { print 10 + t }')
    timeout "$limit" python3 - "$fifo" "$@" <<'PY'
import struct, sys, time
with open(sys.argv[1], "wb", buffering=0) as fifo:
    for item in sys.argv[2:]:
        if item.startswith("pause:"):
            time.sleep(float(item[len("pause:"):]))
            continue
        kind, code, value = (int(part) for part in item.split(":"))
        fifo.write(struct.pack("qqHHi", 0, 0, kind, code, value))
PY
}
