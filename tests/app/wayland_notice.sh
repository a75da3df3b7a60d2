#!/usr/bin/env bash
# On a Wayland desktop that shows no program the windows of others (one that is neither sway, KDE Plasma nor
# GNOME), the program says so once after start-up, as its own X11 client through XWayland (Xvfb stands in for
# it). On X11 it says nothing.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
CONFIG='[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=0\r\n'

APP="$(printf "$CONFIG" | make_app_dir other)"
(cd "$APP" && WAYLAND_DISPLAY=wayland-vh-none XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=X-Other \
    exec ./varnholt) >"$WORK/other.txt" 2>&1 &
OTHER=$!
PIDS+=($OTHER)
wait_window 'Varnholt--' 150 >/dev/null || fail "no main window on the Wayland desktop"
NOTICE="$(wait_window '^提示$' 100)" || fail "no notice on a desktop that hides other windows"
shot wayland-notice.png
[ "$(xdotool search --onlyvisible --name '^提示$' | wc -l)" = 1 ] || fail "more than one notice"
xdotool windowactivate --sync "$NOTICE" 2>/dev/null || true
xdotool key Return
wait_gone '^提示$' || fail "the notice did not close"
sleep 2
xdotool search --onlyvisible --name '^提示$' >/dev/null 2>&1 && fail "the notice came back"
kill "$OTHER"
wait "$OTHER" 2>/dev/null || true

APP="$(printf "$CONFIG" | make_app_dir x11)"
(cd "$APP" && env -u XDG_SESSION_TYPE -u XDG_CURRENT_DESKTOP ./varnholt) >"$WORK/x11.txt" 2>&1 &
X11=$!
PIDS+=($X11)
wait_window 'Varnholt--' 150 >/dev/null || fail "no main window on X11"
sleep 2
xdotool search --onlyvisible --name '^提示$' >/dev/null 2>&1 && fail "a notice on X11"
# Ended while its X server is still there: a program that sees its display go first exits from inside Qt,
# and the database engine's exit handler then never returns.
kill "$X11"
wait "$X11" 2>/dev/null || true
echo "PASS"
