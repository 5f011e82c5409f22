# shellcheck shell=bash
# GNOME Shell: part of session.sh (start_session --gnome [--appindicator]).
# GNOME Shell 43 runs headless (--headless --virtual-monitor) as the Wayland
# compositor, with its XWayland for QUIB's windows. It is the session's
# notification server (no dunst). With --appindicator the AppIndicator
# extension is on: it owns org.kde.StatusNotifierWatcher and shows items in
# the top bar.
#
# What it needs on these machines:
#   - a mount namespace of its own (session_own_mounts, first in the script, as
#     root): a tmpfs over /run/systemd, or a stale seat there makes the shell
#     ask logind, which is not there, and abort; and a private, world-writable
#     /tmp/.X11-unix, which mutter insists on for XWayland's sockets;
#   - a bus of its own as the system bus (the quick settings open it);
#   - GSETTINGS_BACKEND=keyfile, so that settings reach the shell without
#     dconf (with dconf's backend the extension list is lost);
#   - --unsafe-mode, so that the test may use org.gnome.Shell.Eval (clicks
#     through a Clutter virtual pointer, the top bar's items) and
#     org.gnome.Shell.Screenshot.
#
# Functions:
#   session_own_mounts "$@"       (first in a script) run the script again in a
#                                 mount namespace of its own; otherwise nothing
#   session_gnome_eval JS         the value of JS in the shell (a string without
#                                 quotes: numbers and words), fails on an error
#   session_gnome_indicator_geometry
#                                 "W H X Y" of the one AppIndicator item shown
#                                 in the top bar; fails while none is
#   session_gnome_menu_open       whether that item's menu is open
#   session_gnome_menu_entry_geometry TEXT
#                                 "X Y W H" of the open menu's entry TEXT
#   session_gnome_notifications   the notifications the shell holds or queues, as
#                                 "title: body | title: body ..." 
#   (session_pointer_move, session_pointer_click and session_screenshot of the
#   whole screen go through the shell)

SESSION_GNOME_WAYLAND=quib-e2e

session_own_mounts() {
    [[ -z ${SESSION_OWN_MOUNTS:-} ]] || return 0
    ((EUID == 0)) || session_fail "GNOME Shell runs here as root only, in a mount namespace of its own"
    mkdir -p /tmp/.X11-unix
    SESSION_OWN_MOUNTS=1 exec unshare --mount --propagation private bash -c '
        if [[ -d /run/systemd ]]; then mount -t tmpfs tmpfs /run/systemd || exit 1; fi
        mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix || exit 1
        exec bash "$@"' quib-e2e "$0" "$@"
}

_session_start_system_bus() {
    cat >"$SESSION_DIR/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_type="method_return"/>
    <allow send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="signal"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$SESSION_DIR/system-bus.conf" --nofork --nopidfile \
        >"$SESSION_DIR/system-bus.log" 2>&1 &
    _session_track system-bus $!
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system-bus"
    wait_until 10 dbus-send --system --print-reply --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.GetId ||
        session_fail "the private system bus does not answer"
}

# The reply is "boolean true" and the result as JSON; JS strings are the only
# results used here. (dbus-send: gdbus would read the code as a GVariant.)
session_gnome_eval() {
    local reply
    reply=$(dbus-send --session --print-reply --dest=org.gnome.Shell /org/gnome/Shell \
        org.gnome.Shell.Eval "string:$1" 2>/dev/null) || return 1
    grep -qx '   boolean true' <<<"$reply" || return 1
    sed -n 's/^   string ""\(.*\)""$/\1/p' <<<"$reply"
}

_session_gnome_answers() {
    [[ $(session_gnome_eval "'ok'") == ok ]]
}

_session_gnome_leave_overview() {
    [[ $(session_gnome_eval "Main.layoutManager._startingUp ? 'starting'
        : (Main.overview.hide(), Main.overview.visible ? 'overview' : 'desktop')") == desktop ]]
}

_session_gnome_x_display() {
    sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$SESSION_DIR/gnome-shell.log" | grep .
}

_session_start_gnome() {
    local appindicator=$1
    _session_start_system_bus
    export GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
    gsettings set org.gnome.desktop.interface enable-animations false
    if ((appindicator)); then
        gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
    fi
    session_spawn gnome-shell gnome-shell --wayland --headless \
        --virtual-monitor "${SESSION_WIDTH}x$SESSION_HEIGHT" \
        --wayland-display="$SESSION_GNOME_WAYLAND" --unsafe-mode
    SESSION_DESKTOP=gnome
    export WAYLAND_DISPLAY=$SESSION_GNOME_WAYLAND
    wait_until 30 _session_gnome_x_display ||
        session_fail "GNOME Shell has no XWayland: $(tail -n 20 "$SESSION_DIR/gnome-shell.log")"
    export DISPLAY XAUTHORITY
    DISPLAY=$(_session_gnome_x_display)
    wait_until 10 compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" ||
        session_fail "no XWayland authority file"
    XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1)
    wait_until 30 _session_gnome_answers ||
        session_fail "GNOME Shell does not answer: $(tail -n 20 "$SESSION_DIR/gnome-shell.log")"
    # It starts in the overview, which it leaves once started up.
    wait_until 20 _session_gnome_leave_overview ||
        session_fail "GNOME Shell stays in the overview: $(tail -n 20 "$SESSION_DIR/gnome-shell.log")"
    wait_until 20 xdpyinfo || session_fail "GNOME Shell's XWayland on $DISPLAY does not answer"
    if ((appindicator)); then
        wait_until 20 session_bus_name_owned org.kde.StatusNotifierWatcher ||
            session_fail "the AppIndicator extension did not start: $(tail -n 20 \
                "$SESSION_DIR/gnome-shell.log")"
    fi
}

# A Clutter virtual pointer moves and clicks as a mouse would: the shell
# routes its events to its own chrome or to the window under it. It lives in a
# global of the shell, as long as the shell.
_session_gnome_pointer() {
    local js="const C = imports.gi.Clutter, G = imports.gi.GLib;
globalThis.quibPointer ??= C.get_default_backend().get_default_seat()
    .create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
const p = globalThis.quibPointer;"
    case $1 in
        move) js+="p.notify_absolute_motion(G.get_monotonic_time(), $2, $3);" ;;
        click | double-click)
            local button=1 count=1
            [[ ${2:-left} == right ]] && button=3
            [[ $1 == double-click ]] && count=2
            js+="for (let i = 0; i < $count; i++) {
    p.notify_button(G.get_monotonic_time(), $button, C.ButtonState.PRESSED);
    p.notify_button(G.get_monotonic_time(), $button, C.ButtonState.RELEASED);
}"
            ;;
    esac
    session_gnome_eval "$js 'ok'" >/dev/null || session_fail "the shell's pointer did not do: $*"
}

session_gnome_indicator_geometry() {
    local geometry
    geometry=$(session_gnome_eval "Object.keys(Main.panel.statusArea)
    .filter(k => k.startsWith('appindicator-'))
    .map(k => Main.panel.statusArea[k])
    .filter(a => a.visible && a.mapped && a.width > 0)
    .map(a => { const [x, y] = a.get_transformed_position();
        return [Math.round(a.width), Math.round(a.height), Math.round(x), Math.round(y)].join(' '); })
    .join(',')") || return 1
    [[ $geometry =~ ^[0-9]+\ [0-9]+\ -?[0-9]+\ -?[0-9]+$ ]] || return 1
    echo "$geometry"
}

session_gnome_menu_open() {
    [[ $(session_gnome_eval "Object.keys(Main.panel.statusArea)
    .filter(k => k.startsWith('appindicator-'))
    .some(k => Main.panel.statusArea[k].menu.isOpen) ? 'open' : 'closed'") == open ]]
}

# "X Y W H" of the entry of the open menu whose label is TEXT.
session_gnome_menu_entry_geometry() {
    local geometry
    geometry=$(session_gnome_eval "Object.keys(Main.panel.statusArea)
    .filter(k => k.startsWith('appindicator-'))
    .map(k => Main.panel.statusArea[k].menu).filter(m => m.isOpen)
    .flatMap(m => m._getMenuItems())
    .filter(i => i.label && i.label.text === '$1' && i.mapped)
    .map(i => { const [x, y] = i.get_transformed_position();
        return [Math.round(x), Math.round(y), Math.round(i.width), Math.round(i.height)].join(' '); })
    .join(',')") || return 1
    [[ $geometry =~ ^-?[0-9]+\ -?[0-9]+\ [0-9]+\ [0-9]+$ ]] || return 1
    echo "$geometry"
}

session_gnome_notifications() {
    # Banners wait in a queue while the one shown waits for the user to act.
    session_gnome_eval "Main.messageTray.getSources().flatMap(s => s.notifications)
    .concat(Main.messageTray._notificationQueue)
    .map(n => n.title + ': ' + n.bannerBodyText).join(' | ')"
}

_session_gnome_screenshot() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell/Screenshot \
        --method org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null
}
