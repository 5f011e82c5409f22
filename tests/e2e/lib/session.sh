# shellcheck shell=bash
# A private headless desktop session for end-to-end tests of QUIB.
#
# Source this file from a bash test script, then call start_session. It starts,
# in a fresh temporary directory, everything a desktop program expects:
#   Xvfb (a free display picked with -displayfd), a private session D-Bus,
#   PulseAudio with the null sink "ci" plus a keep-alive stream, the dunst
#   notification daemon and, on request, the trayer XEmbed tray.
# Every service is waited for until it answers, and stop_session (installed as
# an EXIT trap) stops them one by one in reverse order: TERM, up to 3 s of
# grace, then KILL. Nothing leaks into the caller's desktop: DISPLAY,
# DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER, HOME and XDG_RUNTIME_DIR all point into
# the session directory, and DBUS_SYSTEM_BUS_ADDRESS at nothing.
#
# Functions:
#   start_session [--tray]        start the services; exports SESSION_DIR, DISPLAY,
#                                 DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER, HOME,
#                                 XDG_RUNTIME_DIR, QUIB_HOME (= $SESSION_DIR/quib)
#   stop_session                  stop everything started (idempotent)
#   session_spawn NAME CMD...     run CMD in the background, in its own process
#                                 group, logging to $SESSION_DIR/NAME.log; it is
#                                 stopped with the session (before the services)
#   session_stop NAME             stop one spawned program now (TERM to its group,
#                                 3 s grace, KILL) and wait for it
#   session_pid NAME              the pid of a spawned program
#   wait_until SECONDS CMD...     retry CMD every 0.1 s until it succeeds; fails
#                                 after SECONDS
#   quib_seed_onboarded [HOME]    mark onboarding as done in QUIB's database
#   quib_stats_json FIELD [HOME]  one field of `quib stats --json` (needs QUIB_BIN)
#   session_autorepeat_on         turn the X server's key auto-repeat on (xset r on)
#   session_fail MESSAGE          print "FAIL: MESSAGE" and exit 1
#
# Requires: Xvfb, xdpyinfo, dbus-daemon, dbus-send, pulseaudio, pactl, pacat,
# dunst, sqlite3, jq (and trayer for --tray).

SESSION_NAMES=()
SESSION_PIDS=()

session_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then
            return 1
        fi
        sleep 0.1
    done
}

# Remembers a started process so that stop_session stops it, newest first.
_session_track() {
    SESSION_NAMES+=("$1")
    SESSION_PIDS+=("$2")
}

# TERM, up to 3 s of grace, then KILL; the target may be a process group (-pid).
_session_terminate() {
    local target=$1 pid=${1#-}
    kill -TERM -- "$target" 2>/dev/null || return 0
    local tries=0
    while kill -0 "$pid" 2>/dev/null && ((tries < 30)); do
        sleep 0.1
        tries=$((tries + 1))
    done
    kill -KILL -- "$target" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 0
}

_session_start_x() {
    local display_file=$SESSION_DIR/display
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
        3>"$display_file" >"$SESSION_DIR/xvfb.log" 2>&1 &
    _session_track xvfb $!
    wait_until 10 grep -q . "$display_file" || session_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$display_file")"
    wait_until 10 xdpyinfo || session_fail "Xvfb on $DISPLAY does not answer"
}

_session_start_dbus() {
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
        >"$SESSION_DIR/dbus.log" 2>&1 &
    _session_track dbus $!
    wait_until 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.GetId ||
        session_fail "the session bus does not answer"
}

_session_start_pulse() {
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse.sock"
    pulseaudio --daemonize=no --system=false -n --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no \
        --load="module-null-sink sink_name=ci rate=48000 format=float32le channels=2" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse.sock" \
        >"$SESSION_DIR/pulse.log" 2>&1 &
    _session_track pulseaudio $!
    wait_until 10 pactl info || session_fail "PulseAudio does not answer"
    # An idle null sink stalls newly opened streams; a silent stream keeps it awake.
    pacat --playback --latency-msec=10 --format=float32le --rate=48000 --channels=2 --raw \
        /dev/zero >"$SESSION_DIR/pacat.log" 2>&1 &
    _session_track pacat $!
}

_notifications_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications |
        grep -q "boolean true"
}

_session_start_dunst() {
    local config=$SESSION_DIR/dunstrc
    cat >"$config" <<'DUNST'
[global]
    mouse_left_click = do_action, close_current
    mouse_right_click = close_current
DUNST
    dunst -config "$config" >"$SESSION_DIR/dunst.log" 2>&1 &
    _session_track dunst $!
    # Asking NameHasOwner, not the service itself: a call to the service would
    # D-Bus-activate a second dunst.
    wait_until 10 _notifications_owned || session_fail "dunst did not take the notification name"
}

_session_start_trayer() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false >"$SESSION_DIR/trayer.log" 2>&1 &
    _session_track trayer $!
    wait_until 10 xdotool search --limit 1 --classname trayer || session_fail "trayer did not start"
}

start_session() {
    local with_tray=0
    [[ ${1:-} == --tray ]] && with_tray=1
    SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quib-e2e-XXXXXX")
    export SESSION_DIR
    export HOME=$SESSION_DIR/home XDG_RUNTIME_DIR=$SESSION_DIR/run QUIB_HOME=$SESSION_DIR/quib
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$QUIB_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    export NO_AT_BRIDGE=1
    # No system bus: the host's logind must not pause QUIB when the person
    # running the tests locks their own screen.
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/no-system-bus"
    unset WAYLAND_DISPLAY
    trap stop_session EXIT
    _session_start_x
    _session_start_dbus
    _session_start_pulse
    _session_start_dunst
    ((with_tray)) && _session_start_trayer
    return 0
}

session_spawn() {
    local name=$1
    shift
    setsid "$@" >"$SESSION_DIR/$name.log" 2>&1 &
    _session_track "$name" "-$!"
}

session_pid() {
    local i
    for i in "${!SESSION_NAMES[@]}"; do
        if [[ ${SESSION_NAMES[$i]} == "$1" && -n ${SESSION_PIDS[$i]} ]]; then
            echo "${SESSION_PIDS[$i]#-}"
            return 0
        fi
    done
    return 1
}

session_stop() {
    local i
    for i in "${!SESSION_NAMES[@]}"; do
        if [[ ${SESSION_NAMES[$i]} == "$1" && -n ${SESSION_PIDS[$i]} ]]; then
            _session_terminate "${SESSION_PIDS[$i]}"
            SESSION_PIDS[$i]=""
        fi
    done
}

stop_session() {
    local i
    set +e # Teardown must go on whatever fails: a leaked server outlives the test.
    for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
        [[ -n ${SESSION_PIDS[$i]} ]] && _session_terminate "${SESSION_PIDS[$i]}"
        SESSION_PIDS[$i]=""
    done
    if [[ -n ${SESSION_DIR:-} && -z ${QUIB_E2E_KEEP:-} ]]; then
        rm -rf "$SESSION_DIR"
    fi
}

session_autorepeat_on() {
    if command -v xset >/dev/null; then
        xset r on
        return
    fi
    # Without xset, the same request through Xlib.
    python3 - <<'PY'
import ctypes
xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XAutoRepeatOn.argtypes = [ctypes.c_void_p]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = xlib.XOpenDisplay(None)
if not display:
    raise SystemExit("cannot open the display")
xlib.XAutoRepeatOn(display)
xlib.XSync(display, 0)
xlib.XCloseDisplay(display)
PY
}

quib_seed_onboarded() {
    local home=${1:-$QUIB_HOME}
    mkdir -p "$home"
    sqlite3 "$home/preferences.sqlite3" \
        "PRAGMA user_version = 1;
         CREATE TABLE IF NOT EXISTS preferences (key TEXT PRIMARY KEY NOT NULL, type TEXT NOT NULL, value);
         INSERT OR REPLACE INTO preferences VALUES('onboardingComplete', 'bool', 1);"
}

quib_stats_json() {
    local field=$1 home=${2:-$QUIB_HOME}
    [[ -n ${QUIB_BIN:-} ]] || session_fail "QUIB_BIN is not set"
    "$QUIB_BIN" stats --json --home "$home" | jq -r --arg field "$field" '.[$field]'
}
