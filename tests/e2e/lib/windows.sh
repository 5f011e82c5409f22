# shellcheck shell=bash
# Finding, clicking and photographing windows: part of session.sh (see there).
# Without a window manager, coordinates relative to a window are exact.

_session_visible_window() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 | grep .
}

session_wait_window() {
    local regex=$1 seconds=${2:-10}
    wait_until "$seconds" _session_visible_window "$regex" || return 1
    _session_visible_window "$regex"
}

session_click_window() {
    local window=$1 x=$2 y=$3 button=${4:-1}
    xdotool mousemove --window "$window" "$x" "$y" click "$button"
}

session_screenshot() {
    local file=$1 window=${2:-root}
    if [[ ${SESSION_DESKTOP:-} == gnome && $window == root ]]; then
        _session_gnome_screenshot "$file"
        return
    fi
    if [[ ${SESSION_DESKTOP:-} == plasma && $window == root ]]; then
        _session_plasma_screenshot "$file"
        return
    fi
    import -window "$window" "$file"
}

session_pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]\n" info:
}

session_shot() {
    session_screenshot "$SESSION_DIR/shot.png" "${1:-root}"
}

session_shot_pixel() {
    session_pixel "$SESSION_DIR/shot.png" "$1" "$2"
}

session_fail_with_shot() {
    session_screenshot "$SESSION_DIR/screen.png" || true
    local log= desktop
    [[ -f $SESSION_DIR/quib.log ]] && log="; quib log: $(cat "$SESSION_DIR/quib.log")"
    for desktop in gnome-shell sway weston kwin plasmashell; do
        [[ -f $SESSION_DIR/$desktop.log ]] &&
            log+="; end of $desktop's log: $(tail -n 15 "$SESSION_DIR/$desktop.log")"
    done
    session_fail "$* (screen: $SESSION_DIR/screen.png$log)"
}

# The close button of a window manager: a WM_DELETE_WINDOW request.
session_close_window() {
    local tool=${QUIB_CLOSE_WINDOW:-$(dirname "${QUIB_BIN:-.}")/tests/e2e/quib-close-window}
    [[ -x $tool ]] || session_fail "$tool is missing (set QUIB_CLOSE_WINDOW)"
    "$tool" "$1"
}

# QUIB's one window smaller than 100 pixels is its tray icon.
quib_tray_icon_geometry() {
    xwininfo -root -tree | grep '("quib" "quib")' |
        sed -nE 's/.* ([0-9]+)x([0-9]+)[-+][0-9]+[-+][0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/p' |
        awk '$1 < 100 && $2 < 100 { print; found = 1; exit } END { exit !found }'
}

quib_panel_window() {
    _session_visible_window '^QUIB$'
}
