#!/usr/bin/env bash
# The real program under Xvfb and openbox: first without a tray (the window waits in the taskbar and comes
# back through the restore gate), then with a tray host that appears later: to the tray, restore through the
# tray menu behind the password, a refused exit with its notice, and the exit with the password.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
APP="$(printf '[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n' | make_app_dir e2e)"
(cd "$APP" && exec ./varnholt) >"$WORK/out.txt" 2>&1 &
VH=$!
PIDS+=($VH)

tray_menu() { # $1 item index 0..2
    local ix iy
    # The tray host sits in the bottom-right corner; our icon is its only one, at its right end.
    eval "$(xdotool search --name '^panel$' getwindowgeometry --shell 2>/dev/null | head -5)"
    ix=$((X + WIDTH - 12)); iy=$((Y + HEIGHT / 2))
    xdotool mousemove "$ix" "$iy" click 3
    sleep 0.8
    # The pop-up opens upwards from the pointer: three rows of 20 pixels.
    xdotool mousemove $((ix - 40)) $((iy - 51 + 20 * $1)) click 1
}

# Iconic (in the taskbar), Shown, or Hidden (unmapped and not iconic: in the tray).
where() { # $1 window id
    if xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; then
        echo Iconic
    elif xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        echo Shown
    else
        echo Hidden
    fi
}

LOGIN="$(wait_window '^系统登录$' 150)" || fail "no login dialog at start"
shot e2e-login-dialog.png
type_into "$LOGIN" qwhmzt
wait_gone '^系统登录$' || fail "login did not accept qwhmzt"
MAIN=""
for _ in $(seq 50); do
    MAIN="$(xdotool search --name 'Varnholt--' 2>/dev/null | head -1 || true)"
    [ -n "$MAIN" ] && break
    sleep 0.1
done
[ -n "$MAIN" ] || fail "no main window"
for _ in $(seq 50); do [ "$(where "$MAIN")" = Iconic ] && break; sleep 0.1; done
[ "$(where "$MAIN")" = Iconic ] || fail "without a tray the window is not in the taskbar: $(where "$MAIN") of $(xdotool search --name Varnholt-- | tr "\n" " ")"

# Back from the taskbar: the restore gate asks before any page shows.
xdotool windowactivate "$MAIN"
LOGIN="$(wait_window '^系统登录$' 50)" || fail "restoring from the taskbar did not ask the password"
shot e2e-no-tray-gate.png
type_into "$LOGIN" qwhmzt
wait_gone '^系统登录$' || fail "restore gate did not accept qwhmzt"
[ "$(where "$MAIN")" = Shown ] || fail "main window not restored"

# A tray that appears later is used from then on.
start_tray
xdotool windowminimize "$MAIN"
for _ in $(seq 50); do [ "$(where "$MAIN")" = Hidden ] && break; sleep 0.1; done
[ "$(where "$MAIN")" = Hidden ] || fail "with a tray the window did not go to it: $(where "$MAIN")"
kill -0 $VH || fail "program ended after minimising"

tray_menu 0 # 显示主界面
LOGIN="$(wait_window '^系统登录$' 50)" || fail "restore did not ask the password"
type_into "$LOGIN" qwhmzt
wait_window 'Varnholt--' 50 >/dev/null || fail "main window not restored"
shot e2e-main-window.png

tray_menu 2 # 退出系统, wrong password
LOGIN="$(wait_window '^系统登录$' 50)" || fail "exit did not ask the password"
type_into "$LOGIN" wrong
sleep 0.3
xdotool key Escape
NOTICE="$(wait_window '^提示$' 50)" || fail "no notice after a refused exit"
shot e2e-notice-dialog.png
xdotool windowactivate --sync "$NOTICE" 2>/dev/null || true
xdotool key Return
wait_gone '^提示$' || fail "notice did not close"
kill -0 $VH || fail "program ended although the exit was refused"

tray_menu 2
LOGIN="$(wait_window '^系统登录$' 50)" || fail "exit did not ask the password"
type_into "$LOGIN" qwhmzt
for _ in $(seq 50); do kill -0 $VH 2>/dev/null || break; sleep 0.1; done
kill -0 $VH 2>/dev/null && fail "program still running after the exit"
wait $VH && rc=0 || rc=$?
[ "$rc" = 0 ] || fail "exit code $rc"
echo "PASS"
