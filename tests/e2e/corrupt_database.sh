#!/usr/bin/env bash
# End to end: QUIB finds a damaged database. The file is moved aside byte for
# byte, QUIB starts (from the newest good backup when there is one, else
# empty), and what is typed next is stored in a healthy database.
#
# Usage: corrupt_database.sh PATH_TO_QUIB
set -euo pipefail

QUIB_BIN=${1:?usage: corrupt_database.sh PATH_TO_QUIB}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session

# A real database with enough rows for several pages, then garbage over one
# of its leaf pages: SQLite's own check finds it.
damaged_pages() {
    quib_seed_onboarded
    local rows="" day
    for day in $(seq 1 400); do rows+="('gs_daily_day$day', 'integer', $day),"; done
    sqlite3 "$QUIB_HOME/preferences.sqlite3" "INSERT INTO preferences VALUES ${rows%,};"
    head -c 4096 /dev/urandom | dd of="$QUIB_HOME/preferences.sqlite3" bs=4096 seek=3 \
        conv=notrunc status=none
}
not_a_database() {
    head -c 20000 /dev/urandom >"$QUIB_HOME/preferences.sqlite3"
}
stored_keys_are() {
    [[ $(quib_stats_json totalKeystrokes) == "$1" ]]
}
# case NAME DAMAGE BACKUP_KEYS: BACKUP_KEYS > 0 leaves a good backup holding
# that many keystrokes, which QUIB must start from.
check_case() {
    local name=$1 damage=$2 backup_keys=$3
    export QUIB_HOME=$SESSION_DIR/$name
    mkdir -p "$QUIB_HOME"
    if ((backup_keys > 0)); then
        local good=$QUIB_HOME/preferences.sqlite3.backup-2026-01-02
        quib_seed_onboarded "$SESSION_DIR/good"
        quib_seed_preference gs_totalKeystrokes integer "$backup_keys" "$SESSION_DIR/good"
        sqlite3 "$SESSION_DIR/good/preferences.sqlite3" "VACUUM INTO '$good'"
    fi
    "$damage"
    cp "$QUIB_HOME/preferences.sqlite3" "$SESSION_DIR/$name.damaged"

    : >"$SESSION_DIR/quib.log"
    quib_start --input x11
    wait_until 20 grep -q "No system tray found" "$SESSION_DIR/quib.log" ||
        session_fail "$name: quib did not start: $(cat "$SESSION_DIR/quib.log")"
    grep -q "Preferences database is damaged; moved aside to" "$SESSION_DIR/quib.log" ||
        session_fail "$name: no word of the damage in the log: $(cat "$SESSION_DIR/quib.log")"
    local aside
    aside=$(find "$QUIB_HOME" -name 'preferences.sqlite3.corrupt-*' ! -name '*-wal' ! -name '*-shm')
    cmp -s "$aside" "$SESSION_DIR/$name.damaged" ||
        session_fail "$name: the damaged file was not kept as it was (${aside:-nothing moved})"
    local keys expected=0
    ((backup_keys > 0)) && expected=$((backup_keys + 3))
    xdotool key --delay 50 a b c
    # The next flush (every 5 s) stores them; a SIGTERM sent at once could come
    # before QUIB has even read them from the X server.
    wait_until 12 stored_keys_are "$expected" ||
        session_fail "$name: $(quib_stats_json totalKeystrokes) keystrokes stored, expected $expected"
    session_signal quib TERM || session_fail "$name: quib did not quit cleanly"

    [[ $(sqlite3 "$QUIB_HOME/preferences.sqlite3" "PRAGMA integrity_check") == ok ]] ||
        session_fail "$name: the new database is not healthy"
    keys=$(quib_stats_json totalKeystrokes)
    echo "$name: moved aside to ${aside##*/}, $keys keystrokes"
    ((keys == expected)) || session_fail "$name: $keys keystrokes, expected $expected"
}

check_case not-a-database-with-backup not_a_database 1234
check_case damaged-pages-with-backup damaged_pages 77
check_case not-a-database-no-backup not_a_database 0
echo "PASS"
