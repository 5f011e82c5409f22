# shellcheck shell=bash
# KDE Plasma: part of session.sh (start_session --plasma).
# kwin_wayland 5.27 runs on its virtual backend (--virtual) as the Wayland
# compositor, with its XWayland for QUIB's windows; kded5 owns
# org.kde.StatusNotifierWatcher (its statusnotifierwatcher module) and
# plasmashell draws the default layout: a light panel along the bottom with
# the system tray at its right, the StatusNotifierItem host. plasmashell is
# the session's notification server (no dunst).
#
# What it needs on these machines:
#   - a kwin_wayland without its file capability (cap_sys_resource, outside
#     the bounding set of a container, so the kernel refuses to run it): a
#     plain copy in the session folder, under the same name;
#   - KWIN_WAYLAND_NO_PERMISSION_CHECKS, so that any client may use KWin's
#     fake input (the test's pointer, quib-virtual-pointer), and
#     KWIN_SCREENSHOT_NO_PERMISSION_CHECKS, so that any caller may use
#     ScreenShot2 (quib-kwin-screenshot);
#   - the activity manager (kactivitymanagerd), started here beside the rest:
#     without it plasmashell loads no shell. kded5, plasmashell and it run on
#     Qt 5's Wayland platform; QUIB (Qt 6, without Wayland support) on xcb.
#
# Functions:
#   session_plasma_missing        the programs the Plasma session needs that
#                                 are not installed (empty when all are)
#   session_plasma_panel_geometry "X Y W H" of the panel, as plasmashell's
#                                 scripting tells
#   (session_pointer_move and session_pointer_click go through KWin's fake
#   input; session_screenshot of the whole screen through ScreenShot2)

SESSION_PLASMA_WAYLAND=quib-e2e
SESSION_PLASMA_PROGRAMS=(kwin_wayland kded5 plasmashell
    /usr/lib/x86_64-linux-gnu/libexec/kactivitymanagerd)

session_plasma_missing() {
    local program missing=()
    for program in "${SESSION_PLASMA_PROGRAMS[@]}"; do
        command -v "$program" >/dev/null || missing+=("$program")
    done
    [[ -d /usr/share/plasma/shells/org.kde.plasma.desktop ]] || missing+=(plasma-desktop)
    echo "${missing[*]}"
}

_session_plasma_tool() {
    local tool=${QUIB_KWIN_SCREENSHOT:-$(dirname "${QUIB_BIN:-.}")/tests/e2e/quib-kwin-screenshot}
    [[ -x $tool ]] || session_fail "$tool is missing (set QUIB_KWIN_SCREENSHOT)"
    echo "$tool"
}

_session_plasma_x_display() {
    grep -q . "$SESSION_DIR/kwin-display" 2>/dev/null
}

_session_plasma_shell_answers() {
    # The desktop scripting answers once the shell has loaded its layout.
    [[ $(session_plasma_script "print(panels().length)") -ge 1 ]]
}

# The value printed by a plasmashell script (its scripting D-Bus interface).
session_plasma_script() {
    dbus-send --session --print-reply --dest=org.kde.plasmashell /PlasmaShell \
        org.kde.PlasmaShell.evaluateScript "string:$1" 2>/dev/null |
        sed -n 's/^   string "\(.*\)"$/\1/p'
}

session_plasma_panel_geometry() {
    local geometry
    geometry=$(session_plasma_script "var p = panels()[0], g = screenGeometry(p.screen);
print([p.location, p.height, g.x, g.y, g.width, g.height].join(' '))") || return 1
    local location height sx sy sw sh
    read -r location height sx sy sw sh <<<"$geometry"
    [[ $height =~ ^[0-9]+$ && $sw =~ ^[0-9]+$ && $sh =~ ^[0-9]+$ ]] || return 1
    case $location in
        bottom) echo "$sx $((sy + sh - height)) $sw $height" ;;
        top) echo "$sx $sy $sw $height" ;;
        *) return 1 ;;
    esac
}

_session_start_plasma() {
    local missing
    missing=$(session_plasma_missing)
    [[ -z $missing ]] || session_fail "Plasma needs $missing"
    mkdir -p "$SESSION_DIR/bin" "$HOME/.config"
    cp "$(command -v kwin_wayland)" "$SESSION_DIR/bin/kwin_wayland"
    # No animations: what a click opens is there at once.
    printf '[KDE]\nAnimationDurationFactor=0\n' >"$HOME/.config/kdeglobals"
    export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland KDE_FULL_SESSION=true \
        KDE_SESSION_VERSION=5 KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1
    # KWin starts the command once its XWayland is up, with the X display
    # and authority its X clients need.
    session_spawn kwin "$SESSION_DIR/bin/kwin_wayland" --virtual --xwayland --no-lockscreen \
        --width "$SESSION_WIDTH" --height "$SESSION_HEIGHT" --socket "$SESSION_PLASMA_WAYLAND" \
        "sh -c 'printenv XAUTHORITY >\"$SESSION_DIR/kwin-xauthority\";
            printenv DISPLAY >\"$SESSION_DIR/kwin-display\"'"
    SESSION_DESKTOP=plasma
    wait_until 30 _session_plasma_x_display ||
        session_fail "KWin has no XWayland: $(tail -n 20 "$SESSION_DIR/kwin.log")"
    export WAYLAND_DISPLAY=$SESSION_PLASMA_WAYLAND DISPLAY XAUTHORITY
    DISPLAY=$(cat "$SESSION_DIR/kwin-display")
    XAUTHORITY=$(cat "$SESSION_DIR/kwin-xauthority")
    [[ -n $XAUTHORITY ]] || unset XAUTHORITY
    wait_until 20 xdpyinfo || session_fail "KWin's XWayland on $DISPLAY does not answer"
    # What D-Bus starts on demand runs on Wayland in this session too.
    dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR HOME XDG_CURRENT_DESKTOP \
        XDG_SESSION_TYPE KDE_FULL_SESSION KDE_SESSION_VERSION QT_QPA_PLATFORM=wayland ||
        session_fail "the session bus took no environment"
    session_spawn kded env QT_QPA_PLATFORM=wayland kded5
    wait_until 20 session_bus_name_owned org.kde.kded5 ||
        session_fail "kded5 did not start: $(tail -n 20 "$SESSION_DIR/kded.log")"
    if ! wait_until 5 session_bus_name_owned org.kde.StatusNotifierWatcher; then
        dbus-send --session --print-reply --dest=org.kde.kded5 /kded org.kde.kded5.loadModule \
            string:statusnotifierwatcher >/dev/null
        wait_until 10 session_bus_name_owned org.kde.StatusNotifierWatcher ||
            session_fail "kded5 has no StatusNotifierWatcher: $(tail -n 20 "$SESSION_DIR/kded.log")"
    fi
    session_spawn activities env QT_QPA_PLATFORM=wayland \
        /usr/lib/x86_64-linux-gnu/libexec/kactivitymanagerd
    wait_until 20 session_bus_name_owned org.kde.ActivityManager ||
        session_fail "kactivitymanagerd did not start: $(tail -n 20 "$SESSION_DIR/activities.log")"
    session_spawn plasmashell env QT_QPA_PLATFORM=wayland plasmashell
    wait_until 60 _session_plasma_shell_answers ||
        session_fail_with_shot "plasmashell shows no panel: $(tail -n 20 "$SESSION_DIR/plasmashell.log")"
    wait_until 20 _session_watcher_host_registered ||
        session_fail_with_shot "plasmashell's system tray is no StatusNotifierItem host"
    _session_start_pointer
}

_session_watcher_host_registered() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered | grep -q "boolean true"
}

_session_plasma_screenshot() {
    local tool
    tool=$(_session_plasma_tool)
    timeout 20 "$tool" "$1"
}

# What D-Bus started for the session (and what those started) outlives its
# bus: every process left that runs in this session's runtime folder, by id.
_session_plasma_sweep() {
    local pid environ
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        ((pid != $$)) || continue
        { tr '\0' '\n' <"$environ"; } 2>/dev/null |
            grep -qxF "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" && _session_terminate "$pid"
    done
    return 0
}

# The panel as it is now, into FILE (the panel alone).
session_plasma_panel_shot() {
    local x y w h
    read -r x y w h <<<"$(session_plasma_panel_geometry)" || return 1
    session_screenshot "$SESSION_DIR/panel-screen.png" || return 1
    convert "$SESSION_DIR/panel-screen.png" -crop "${w}x$h+$x+$y" +repage "$1"
}

# "W H X Y" of an item that the panel shows now and did not show in BEFORE (a
# panel shot): the tray grows to the left, so a new item is the leftmost run
# of changed columns (items right of it move by a pixel or two, apart from it).
session_plasma_new_item_geometry() {
    local before=$1 x y w h
    read -r x y w h <<<"$(session_plasma_panel_geometry)" || return 1
    session_plasma_panel_shot "$SESSION_DIR/panel-now.png" || return 1
    convert "$before" "$SESSION_DIR/panel-now.png" -compose difference -composite \
        -colorspace Gray -threshold 8% "$SESSION_DIR/panel-changed.png" || return 1
    local run
    run=$(convert "$SESSION_DIR/panel-changed.png" -scale "${w}x1!" -depth 8 txt:- |
        awk -F'[,:]' 'NR > 1 && $0 !~ /gray\(0\)|#000000/ {
            if (start == "") start = $1
            else if ($1 > last + 2) exit
            last = $1 }
        END { if (start == "") exit 1; print start, last - start + 1 }') || return 1
    local left width
    read -r left width <<<"$run"
    ((width >= 8 && width <= 48)) || return 1
    local rows
    rows=$(convert "$SESSION_DIR/panel-changed.png" -crop "${width}x$h+$left+0" +repage \
        -format '%@' info:) || return 1
    [[ $rows =~ ^[0-9]+x([0-9]+)\+[0-9]+\+([0-9]+)$ ]] || return 1
    echo "$width ${BASH_REMATCH[1]} $((x + left)) $((y + BASH_REMATCH[2]))"
}
