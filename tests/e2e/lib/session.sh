# shellcheck shell=bash source-path=SCRIPTDIR
# A private headless desktop session for end-to-end tests of QUIB.
#
# Source this file from a bash test script, then call start_session. It starts,
# in a fresh temporary directory, everything a desktop program expects:
#   a private session D-Bus; a display: Xvfb (a free display picked with
#   -displayfd), or on request weston or sway with waybar (lib/wayland.sh),
#   GNOME Shell (lib/gnome.sh) or KDE Plasma (lib/plasma.sh), each with its
#   XWayland; PulseAudio, or on request PipeWire
#   (lib/pipewire.sh), with the null sink "ci" plus a keep-alive stream; the
#   dunst notification daemon (GNOME Shell and Plasma are their own) and, on request, the
#   trayer XEmbed tray.
# Every service is waited for until it answers, and stop_session (installed as
# an EXIT trap) stops them one by one in reverse order: TERM, up to 3 s of
# grace, then KILL. Nothing leaks into the caller's desktop: DISPLAY,
# DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER, HOME and XDG_RUNTIME_DIR all point into
# the session directory, and DBUS_SYSTEM_BUS_ADDRESS at nothing.
#
# Functions:
#   start_session [--tray] [--weston|--sway|--gnome [--appindicator]|--plasma]
#                 [--pipewire]
#                                 start the services; exports SESSION_DIR, DISPLAY,
#                                 DBUS_SESSION_BUS_ADDRESS, PULSE_SERVER, HOME,
#                                 XDG_RUNTIME_DIR, QUIB_HOME (= $SESSION_DIR/quib),
#                                 and WAYLAND_DISPLAY under weston or sway
#   session_use_pipewire          swap a running session's PulseAudio for PipeWire
#                                 (no keep-alive stream)
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
#   session_signal NAME SIGNAL [SECONDS]
#                                 send SIGNAL to a spawned program's group, wait
#                                 for it (KILL after SECONDS, default 10) and
#                                 return its exit status
#   session_autorepeat_on         turn the X server's key auto-repeat on (xset r on)
#   session_prioritize            run this test and what it starts from now on
#                                 ahead of other work on the machine (when allowed)
#   session_focus_window          a small window that holds the keyboard focus
#                                 (the pointer is moved over it), so that the X
#                                 server delivers auto-repeat as it happens
#   session_restart_pulse         stop PulseAudio (and the recorder) and start it
#                                 again on the same socket
#   session_fail MESSAGE          print "FAIL: MESSAGE" and exit 1; the session
#                                 directory (logs, screenshots) is kept
#   session_fail_with_shot MESSAGE
#                                 the same, with a screenshot, QUIB's log and
#                                 the end of the desktop's log
#   session_bus_name_owned NAME   whether NAME has an owner on the session bus
#   session_letters COUNT         COUNT key names a, b, ... z, a, ... on one line
#   session_attempts "$@"         (first in a script) run the script again, up to
#                                 3 times in all, while it ends in session_busy
#   session_busy MESSAGE          end this attempt as "the machine was too busy
#                                 to judge" (exit 75)
#
#   Listening (the analyser is $QUIB_ONSETS, else quib-click-onsets next to
#   QUIB_BIN's tests/e2e folder):
#   session_record_start          record the null sink's monitor into
#                                 $SESSION_RECORDING; returns once data flows
#   session_record_seconds        seconds recorded so far
#   session_record_more [SECONDS] wait until SECONDS (0.4) more have been recorded:
#                                 what played until now is in the recording then
#   session_record_stop           stop the recorder
#   session_onsets [FROM [TO]]    click onset times (s) in the recording
#   session_onset_count [FROM [TO]]
#   session_level FROM TO         RMS level of the recording in dBFS
#   session_onsets_regular FROM TO SPACING
#                                 whether those onsets came SPACING s apart (±50 %)
#
#   Windows (for scenarios that drive QUIB's own windows):
#   session_wait_window REGEX [SECONDS]
#                                 print the id of a visible window whose name
#                                 matches, waiting for it (default 10 s)
#   session_click_window WID X Y [BUTTON]
#                                 click at X,Y relative to the window
#   session_screenshot FILE [WID] the whole screen, or one window, as PNG
#   session_pixel FILE X Y        "R G B" (0..255) of one pixel of an image
#   session_shot [WID]            the screen, or one window, into $SESSION_DIR/shot.png
#   session_shot_pixel X Y        "R G B" of one pixel of that picture
#   session_close_window WID      ask the window to close, as a window manager
#                                 would (needs $QUIB_CLOSE_WINDOW)
#   quib_tray_icon_geometry       "W H X Y" of QUIB's tray icon (absolute); fails
#                                 while none is shown
#   quib_panel_window             the window id of QUIB's panel while it is shown
#
#   QUIB:
#   quib_start [ARGS...]          spawn "quib" with --home $QUIB_HOME
#   quib_wait_started [SECONDS]   wait for the click QUIB plays once it listens
#                                 (needs the recorder); fails after SECONDS (20)
#   quib_seed_preference KEY TYPE VALUE [HOME]
#                                 store one typed value (an SQL literal) in QUIB's
#                                 database
#   quib_seed_unlocked ID...      store these achievements as unlocked
#   quib_seed_quiet               onboarded, and the typing-speed achievements
#                                 unlocked: fast typing then plays only its clicks
#   quib_stored KEY [HOME]        the stored value of one key, as sqlite3 prints it
#   quib_keystrokes               totalKeystrokes of `quib stats --json`
#   quib_keystrokes_at_least N    whether it is N or more
#   quib_log                      QUIB's output so far
#   quib_logged TEXT              whether QUIB's output holds TEXT
#   quib_feed FIFO [SECONDS] TYPE:CODE:VALUE...
#                                 write input_event records into the FIFO QUIB
#                                 reads (--input-device) and wait until it has
#                                 read them all: counted or dropped by then
#                                 ("pause:SECONDS" between records paces them)
#
# Requires: Xvfb, xdpyinfo, dbus-daemon, dbus-send, pulseaudio, pactl, pacat,
# parec, dunst, sqlite3, jq, xdotool, xev, imagemagick, python3 (and trayer
# for --tray; weston, sway, waybar, grim for the Wayland desktops; pipewire,
# wireplumber, pipewire-pulse for --pipewire; gnome-shell and
# gnome-shell-extension-appindicator for --gnome; kwin-wayland, kded5,
# plasma-workspace, plasma-desktop, kactivitymanagerd, qtwayland5 for
# --plasma).

SESSION_NAMES=()
SESSION_PIDS=()

session_fail() {
    echo "FAIL: $*" >&2
    SESSION_KEEP=1
    exit 1
}

# A scenario that can only be judged when the machine keeps time calls this
# first: it then runs again (up to 3 times in all) while it ends through
# session_busy. Any other ending, pass or fail, is final.
session_attempts() {
    [[ -z ${SESSION_ATTEMPT:-} ]] || return 0
    local attempt status
    for attempt in 1 2 3; do
        status=0
        SESSION_ATTEMPT=$attempt bash "$0" "$@" || status=$?
        ((status == 75)) || exit "$status"
    done
    session_fail "the machine stayed too busy to judge, 3 times"
}

session_busy() {
    echo "attempt ${SESSION_ATTEMPT:-1}: too busy to judge: $*" >&2
    exit 75
}

session_letters() {
    local alphabet=(a b c d e f g h i j k l m n o p q r s t u v w x y z) out=() i
    for ((i = 0; i < $1; i++)); do out+=("${alphabet[i % 26]}"); done
    echo "${out[*]}"
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

# Remembers a started process so that stop_session stops it, newest first. A
# name stopped before (a restarted server, a program started again) takes its
# old place, so the teardown order stays the start order reversed.
_session_track() {
    local i
    for i in "${!SESSION_NAMES[@]}"; do
        if [[ ${SESSION_NAMES[$i]} == "$1" && -z ${SESSION_PIDS[$i]} ]]; then
            SESSION_PIDS[i]=$2
            return 0
        fi
    done
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
    { wait "$pid"; } 2>/dev/null || true
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
    _session_keep_sink_awake
}

# An idle null sink stalls newly opened streams; a silent stream keeps it awake.
_session_keep_sink_awake() {
    pacat --playback --latency-msec=10 --format=float32le --rate=48000 --channels=2 --raw \
        /dev/zero >"$SESSION_DIR/pacat.log" 2>&1 &
    _session_track pacat $!
}

# Asks the bus, not the service itself: a call to the service would
# D-Bus-activate it.
session_bus_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q "boolean true"
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
    wait_until 10 session_bus_name_owned org.freedesktop.Notifications ||
        session_fail "dunst did not take the notification name"
}

_session_start_trayer() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false >"$SESSION_DIR/trayer.log" 2>&1 &
    _session_track trayer $!
    wait_until 10 xdotool search --limit 1 --classname trayer || session_fail "trayer did not start"
}

start_session() {
    local with_tray=0 display=xvfb audio=pulse appindicator=0
    while (($#)); do
        case $1 in
            --tray) with_tray=1 ;;
            --weston | --sway | --gnome | --plasma) display=${1#--} ;;
            --appindicator) appindicator=1 ;;
            --pipewire) audio=pipewire ;;
            *) session_fail "start_session: unknown option $1" ;;
        esac
        shift
    done
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
    # A test stopped by a signal (ctest's timeout, ^C) still tears down.
    trap 'exit 130' INT
    trap 'exit 143' TERM
    _session_start_dbus
    case $display in
        xvfb) _session_start_x ;;
        weston) _session_start_weston ;;
        sway) _session_start_sway ;;
        gnome) _session_start_gnome $appindicator ;;
        plasma) _session_start_plasma ;;
    esac
    case $audio in
        pulse) _session_start_pulse ;;
        pipewire) _session_start_pipewire ;;
    esac
    [[ $display == gnome || $display == plasma ]] || _session_start_dunst
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

session_signal() {
    local name=$1 signal=$2 seconds=${3:-10} i pid status
    for i in "${!SESSION_NAMES[@]}"; do
        [[ ${SESSION_NAMES[$i]} == "$name" && -n ${SESSION_PIDS[$i]} ]] || continue
        pid=${SESSION_PIDS[$i]#-}
        kill "-$signal" -- "${SESSION_PIDS[$i]}" 2>/dev/null
        local deadline=$((SECONDS + seconds))
        while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
            sleep 0.05
        done
        kill -KILL -- "${SESSION_PIDS[$i]}" 2>/dev/null
        status=0
        { wait "$pid"; } 2>/dev/null || status=$? # no "Killed" notice
        SESSION_PIDS[i]=""
        return "$status"
    done
    return 127
}

stop_session() {
    local i
    set +e # Teardown must go on whatever fails: a leaked server outlives the test.
    for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
        [[ -n ${SESSION_PIDS[$i]} ]] && _session_terminate "${SESSION_PIDS[$i]}"
        SESSION_PIDS[$i]=""
    done
    [[ ${SESSION_DESKTOP:-} == plasma ]] && _session_plasma_sweep
    if [[ -n ${SESSION_DIR:-} ]]; then
        if [[ -z ${QUIB_E2E_KEEP:-}${SESSION_KEEP:-} ]]; then
            rm -rf "$SESSION_DIR"
        else
            echo "session kept in $SESSION_DIR" >&2
        fi
    fi
}

# Whether each click is heard once depends on when it is played: two clicks
# delayed into the same few milliseconds by a busy machine sound as one. Where
# allowed (root, as in CI), the test and everything it starts from now on run
# ahead of the machine's other work; elsewhere nothing changes.
session_prioritize() {
    renice -n -10 -p $$ >/dev/null 2>&1 || true
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

session_focus_window() {
    session_spawn focus xev -event keyboard -geometry 320x200+200+300 -name quib-e2e-focus
    local window
    window=$(session_wait_window '^quib-e2e-focus$') || session_fail "the focus window did not appear"
    # Without a window manager the focus follows the pointer.
    xdotool mousemove --window "$window" 160 100
}

session_restart_pulse() {
    session_stop recorder
    session_stop pacat
    session_stop pulseaudio
    _session_start_pulse
}

# The listening, window and QUIB helpers live beside this file.
# shellcheck source=listen.sh
source "$(dirname "${BASH_SOURCE[0]}")/listen.sh"
# shellcheck source=windows.sh
source "$(dirname "${BASH_SOURCE[0]}")/windows.sh"
# shellcheck source=quib.sh
source "$(dirname "${BASH_SOURCE[0]}")/quib.sh"
# The Wayland desktops and PipeWire, beside Xvfb and PulseAudio.
# shellcheck source=wayland.sh
source "$(dirname "${BASH_SOURCE[0]}")/wayland.sh"
# shellcheck source=pipewire.sh
source "$(dirname "${BASH_SOURCE[0]}")/pipewire.sh"
# shellcheck source=gnome.sh
source "$(dirname "${BASH_SOURCE[0]}")/gnome.sh"
# shellcheck source=plasma.sh
source "$(dirname "${BASH_SOURCE[0]}")/plasma.sh"
