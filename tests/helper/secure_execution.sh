#!/usr/bin/env bash
# The input helper's rules under secure execution, checked on setgid copies in
# a throwaway directory run by an unprivileged user: arguments and variables
# are ignored, the group is held only as the saved one, no descriptor of the
# caller's is kept, no FIFO is read, and the helper ends with its output.
# Needs root (to make the copies setgid); exits 77 (skipped) otherwise.
#
# Usage: secure_execution.sh HELPER TESTFEED_HELPER
set -euo pipefail
helper=${1:?usage: secure_execution.sh HELPER TESTFEED_HELPER}
testfeed=${2:?usage: secure_execution.sh HELPER TESTFEED_HELPER}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
if [[ $(id -u) != 0 ]] || ! command -v setpriv >/dev/null; then
    echo "SKIP: needs root and setpriv"
    exit 77
fi
group=4242 # any group the user is not in; it needs no name
user=65534 # nobody
root=$(mktemp -d "${TMPDIR:-/tmp}/quib-helper-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT
chmod 755 "$root"
install -o root -g "$group" -m 2755 "$helper" "$root/quib-input-helper"
install -o root -g "$group" -m 2755 "$testfeed" "$root/testfeed"
install -o root -g root -m 0755 "$testfeed" "$root/testfeed-plain"
mkfifo -m 666 "$root/events"
as_user=(setpriv --reuid=$user --regid=$user --clear-groups)

# Without secure execution the argument works: the control for what follows.
"${as_user[@]}" "$root/testfeed-plain" --version | grep -q '^quib-input-helper ' || fail "--version"

# Waits (bounded) for the helper's start line in FILE.
started() {
    for _ in $(seq 100); do
        grep -q 'Input helper: [0-9]* device' "$1" && return 0
        sleep 0.1
    done
    fail "no start line in $1: $(cat "$1")"
}
# Whether some process holds the FIFO open for reading (a writer can open it).
fifo_has_reader() {
    python3 -c 'import os,sys
try: os.close(os.open(sys.argv[1], os.O_WRONLY | os.O_NONBLOCK))
except OSError: sys.exit(1)' "$root/events"
}

# The control: the plain test build reads the FIFO named in its variable.
QUIB_INPUT_HELPER_FIFOS=$root/events "${as_user[@]}" "$root/testfeed-plain" >/dev/null 2>"$root/plain.err" &
pids+=($!)
started "$root/plain.err"
fifo_has_reader || fail "the plain test build did not open its FIFO"
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null || true
pids=()

# Secure execution: an argument, the variable and an extra descriptor given.
exec 5</etc/hostname
QUIB_INPUT_HELPER_FIFOS=$root/events "${as_user[@]}" "$root/testfeed" --version >/dev/null \
    2>"$root/secure.err" &
pid=$!
pids+=($pid)
started "$root/secure.err"
exec 5<&-
grep -q 'arguments ignored under secure execution' "$root/secure.err" || fail "argument not ignored"
! grep -q '^quib-input-helper ' "$root/secure.err" || fail "--version answered"
! fifo_has_reader || fail "the FIFO variable was read under secure execution"
gids=$(awk '/^Gid:/ {print $2, $3, $4, $5}' "/proc/$pid/status")
[[ $gids == "$user $user $group $user" ]] || fail "groups (real effective saved fs): $gids"
[[ $(awk '/^NoNewPrivs:/ {print $2}' "/proc/$pid/status") == 1 ]] || fail "no_new_privs not set"
for fd in "/proc/$pid/fd"/*; do
    number=${fd##*/}
    target=$(readlink "$fd")
    case $number:$target in
    1:* | 2:* | *:socket:*) ;;
    *) fail "descriptor $number kept: $target" ;;
    esac
done
echo "secure run: $(cat "$root/secure.err" | tr '\n' ' ')"

# The installed build ends as soon as its output has no reader.
status=0
"${as_user[@]}" timeout 10 "$root/quib-input-helper" 2>/dev/null | true
[[ ${PIPESTATUS[0]} != 124 ]] || fail "the helper outlived its reader"
echo "PASS"
