#!/usr/bin/env bash
# End to end: keys typed while the screen saver reports the screen locked are
# not counted; after the unlock they are again. The lock comes from a fake
# screen saver that owns org.freedesktop.ScreenSaver on the session bus and
# sends ActiveChanged, as the desktop's locker does. The keys come through the
# evdev backend from a FIFO: each batch is read (and judged) by QUIB before
# the next lock or unlock is sent, so the counts are exact.
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
wait_until 10 session_bus_name_owned org.freedesktop.ScreenSaver ||
    session_fail "the fake screen saver did not take its name"

keyboard=$SESSION_DIR/event0
mkfifo "$keyboard"
quib_start --input evdev --input-device "$keyboard"
# keys COUNT: COUNT presses and releases of A, read by QUIB on return.
keys() {
    local records=() i
    for ((i = 0; i < $1; i++)); do records+=(1:30:1 0:0:0 1:30:0 0:0:0); done
    quib_feed "$keyboard" 20 "${records[@]}" || session_fail "quib does not read its keyboard: $(quib_log)"
}

keys 3 # heard before the lock
echo lock >&3
wait_until 10 quib_logged "Screen locked: paused" || session_fail "quib did not see the lock: $(quib_log)"
keys 22 # typed at the lock screen
echo unlock >&3
wait_until 10 quib_logged "Screen unlocked: resumed" ||
    session_fail "quib did not see the unlock: $(quib_log)"
keys 18

session_stop quib # SIGTERM: the store flushes what it counted.
exec 3>&-
counted=$(quib_keystrokes)
echo "keystrokes counted: $counted (3 before the lock, 22 at the lock screen, 18 after)"
((counted == 3 + 18)) || session_fail "expected only the 21 keys typed while unlocked, got $counted"
quib_logged "cannot be followed" &&
    session_fail "the screen saver was there, yet quib says the lock cannot be followed"
echo "PASS"
