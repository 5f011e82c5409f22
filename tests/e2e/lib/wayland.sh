# shellcheck shell=bash
# The Wayland desktops: part of session.sh (start_session --weston or --sway).
# Each compositor runs headless in the session's runtime folder with its
# XWayland, whose display is exported as DISPLAY: QUIB's windows go through it.
#
#   weston (start_session --weston): no tray; WAYLAND_DISPLAY=quib-e2e.
#   sway with waybar (start_session --sway): waybar's tray is a
#     StatusNotifierItem host. sway refuses to run as root: a script that
#     uses it calls session_unprivileged first. The headless backend has no
#     input device, so a virtual pointer ($QUIB_VIRTUAL_POINTER, else
#     quib-virtual-pointer beside the click analyser) gives the seat a mouse.
#
# Functions:
#   session_unprivileged "$@"     (first in a script) when run as root, run the
#                                 script again as the user quib-e2e (made when
#                                 missing); otherwise nothing
#   session_pointer_move X Y      the sway seat's pointer to X,Y
#   session_pointer_click [BUTTON]
#                                 a click (left, right) where the pointer is
#   session_pointer_double_click  a double click of the left button (GNOME)
#   session_tray_icon_geometry    "W H X Y" of the one icon in waybar's tray
#   session_x_window_geometry REGEX
#                                 "X Y W H" of a visible X window by name

SESSION_WIDTH=1280
SESSION_HEIGHT=800
SESSION_USER=quib-e2e

session_unprivileged() {
    ((EUID == 0)) || return 0
    # One user for every run; two tests making it at once take turns.
    if ! id -u "$SESSION_USER" >/dev/null 2>&1; then
        flock /tmp/quib-e2e-user.lock sh -c "id -u $SESSION_USER >/dev/null 2>&1 ||
            useradd --system --user-group --no-create-home --home-dir /nonexistent \
                --shell /usr/sbin/nologin $SESSION_USER" ||
            session_fail "cannot make the user $SESSION_USER"
    fi
    exec setpriv --reuid="$SESSION_USER" --regid="$SESSION_USER" --clear-groups \
        --inh-caps=-all bash "$0" "$@"
}

_session_x_from_log() {
    sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$SESSION_DIR/weston.log" | grep .
}

_session_start_weston() {
    weston --backend=headless-backend.so --xwayland --socket=quib-e2e --width=$SESSION_WIDTH \
        --height=$SESSION_HEIGHT --idle-time=0 >"$SESSION_DIR/weston.log" 2>&1 &
    _session_track weston $!
    export WAYLAND_DISPLAY=quib-e2e
    wait_until 20 _session_x_from_log || session_fail "weston's XWayland does not listen"
    export DISPLAY
    DISPLAY=$(_session_x_from_log)
    # XWayland starts on the first connection.
    wait_until 20 xdpyinfo || session_fail "weston's XWayland on $DISPLAY does not answer"
}

_session_wayland_socket() {
    find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'wayland-*' -type s -printf '%f\n' | head -n1 | grep .
}

_session_start_sway() {
    printf 'output HEADLESS-1 resolution %sx%s\nxwayland enable\n' $SESSION_WIDTH \
        $SESSION_HEIGHT >"$SESSION_DIR/sway.conf"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$SESSION_DIR/sway.conf" >"$SESSION_DIR/sway.log" 2>&1 &
    _session_track sway $!
    wait_until 20 _session_wayland_socket || session_fail "sway did not start"
    export WAYLAND_DISPLAY SWAYSOCK
    WAYLAND_DISPLAY=$(_session_wayland_socket)
    wait_until 10 compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || session_fail "no sway IPC"
    SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n1)
    # The X display sway gives its clients.
    swaymsg exec "printenv DISPLAY > '$SESSION_DIR/display'" >/dev/null
    wait_until 10 grep -q . "$SESSION_DIR/display" || session_fail "sway has no XWayland"
    export DISPLAY
    DISPLAY=$(cat "$SESSION_DIR/display")
    _session_start_pointer
    _session_start_waybar
}

_session_pointer_tool() {
    local tool=${QUIB_VIRTUAL_POINTER:-$(dirname "${QUIB_BIN:-.}")/tests/e2e/quib-virtual-pointer}
    [[ -x $tool ]] || session_fail "$tool is missing (set QUIB_VIRTUAL_POINTER)"
    echo "$tool"
}

_session_pointer_answers() {
    [[ $(grep -c "^${2:-ok}$" "$SESSION_DIR/pointer.log") -ge $1 ]]
}

_session_start_pointer() {
    local tool
    tool=$(_session_pointer_tool)
    mkfifo "$SESSION_DIR/pointer.in"
    session_spawn pointer sh -c "exec '$tool' $SESSION_WIDTH $SESSION_HEIGHT <'$SESSION_DIR/pointer.in'"
    # Held open by this shell: the device lives as long as the session.
    exec {SESSION_POINTER_FD}>"$SESSION_DIR/pointer.in"
    SESSION_POINTER_COMMANDS=0
    wait_until 10 _session_pointer_answers 1 ready ||
        session_fail "no virtual pointer: $(cat "$SESSION_DIR/pointer.log")"
}

_session_pointer() {
    if [[ ${SESSION_DESKTOP:-} == gnome ]]; then
        _session_gnome_pointer "$@"
        return
    fi
    echo "$*" >&"$SESSION_POINTER_FD"
    SESSION_POINTER_COMMANDS=$((SESSION_POINTER_COMMANDS + 1))
    wait_until 5 _session_pointer_answers "$SESSION_POINTER_COMMANDS" ||
        session_fail "the virtual pointer did not do: $*"
}

session_pointer_move() { _session_pointer move "$1" "$2"; }
session_pointer_click() { _session_pointer click "${1:-left}"; }
session_pointer_double_click() { _session_pointer double-click left; }

_session_watcher_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher |
        grep -q "boolean true"
}

# A black bar with the tray alone at its right: an icon is whatever is not black.
_session_start_waybar() {
    cat >"$SESSION_DIR/waybar.json" <<'JSON'
{ "position": "top", "height": 24, "modules-right": ["tray"],
  "tray": { "icon-size": 16, "spacing": 4 } }
JSON
    cat >"$SESSION_DIR/waybar.css" <<'CSS'
* { border: none; margin: 0; padding: 0; min-height: 0; }
window#waybar, #tray { background: #000000; }
#tray { padding: 0 8px; }
CSS
    session_spawn waybar waybar -c "$SESSION_DIR/waybar.json" -s "$SESSION_DIR/waybar.css"
    wait_until 20 _session_watcher_owned || session_fail "waybar's tray did not start"
}

session_tray_icon_geometry() {
    grim -g "0,0 ${SESSION_WIDTH}x24" "$SESSION_DIR/bar.png" || return 1
    convert "$SESSION_DIR/bar.png" -fuzz 10% -trim -format '%w %h %X %Y\n' info: 2>/dev/null |
        tr -d + | awk '$1 < 40 && $2 < 40 { print; found = 1 } END { exit !found }'
}

session_x_window_geometry() {
    local window
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || return 1
    [[ -n $window ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    echo "$X $Y $WIDTH $HEIGHT"
}
