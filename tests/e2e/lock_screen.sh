#!/usr/bin/env bash
# End to end: keys typed while the screen saver reports the screen locked are
# neither counted nor clicked; after the unlock they are again. The lock comes
# from a fake screen saver that owns org.freedesktop.ScreenSaver on the
# session bus and sends ActiveChanged, as the desktop's locker does.
#
# Usage: lock_screen.sh PATH_TO_QUIB PATH_TO_FAKE_SCREENSAVER
set -euo pipefail

QUIB_BIN=${1:?usage: lock_screen.sh PATH_TO_QUIB PATH_TO_FAKE_SCREENSAVER}
SAVER_BIN=${2:?usage: lock_screen.sh PATH_TO_QUIB PATH_TO_FAKE_SCREENSAVER}
export QUIB_BIN
# shellcheck source=lib/session.sh
source "$(dirname "$0")/lib/session.sh"

start_session
quib_seed_onboarded

# The screen saver reads its commands from a FIFO held open on fd 3; closing
# fd 3 ends it.
mkfifo "$SESSION_DIR/saver.in"
session_spawn saver bash -c 'exec "$0" <"$1"' "$SAVER_BIN" "$SESSION_DIR/saver.in"
exec 3>"$SESSION_DIR/saver.in"
saver_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.ScreenSaver | grep -q "boolean true"
}
wait_until 10 saver_owned || session_fail "the fake screen saver did not take its name"

session_spawn quib "$QUIB_BIN" --home "$QUIB_HOME" --input x11
quib_log() { cat "$SESSION_DIR/quib.log"; }
logged() { grep -qF "$1" "$SESSION_DIR/quib.log"; }

# Probe until a key is counted (the flush runs every 5 s): that is the baseline.
keystrokes() { quib_stats_json totalKeystrokes; }
baseline=0
for attempt in $(seq 1 6); do
    kill -0 "$(session_pid quib)" 2>/dev/null || session_fail "quib exited: $(quib_log)"
    xdotool key a
    sleep 6
    baseline=$(keystrokes)
    ((baseline > 0)) && break
done
((baseline > 0)) || session_fail "no probe key was counted; quib log: $(quib_log)"

echo lock >&3
wait_until 10 logged "Screen locked: paused" || session_fail "quib did not see the lock: $(quib_log)"
xdotool type --delay 20 "hunter2 correct horse"
xdotool key Return
sleep 0.5
echo unlock >&3
wait_until 10 logged "Screen unlocked: resumed" || session_fail "quib did not see the unlock: $(quib_log)"
xdotool type --delay 20 "typed after unlock"
sleep 0.3

session_stop quib # SIGTERM: the store flushes what it counted.
exec 3>&-
counted=$(($(keystrokes) - baseline))
echo "keystrokes counted after the baseline: $counted (21 + 1 at the lock screen, 18 after)"
((counted == 18)) || session_fail "expected only the 18 keys typed after the unlock, got $counted"
grep -q "cannot be followed" "$SESSION_DIR/quib.log" &&
    session_fail "the screen saver was there, yet quib says the lock cannot be followed"
echo "PASS"
