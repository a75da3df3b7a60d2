#!/usr/bin/env bash
# The real program with a StatusNotifierItem tray host (a standalone one from Debian, on a private session
# bus): such hosts report a click but never a double click, so a single click on the icon restores.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
status-notifier-watcher >/dev/null 2>&1 &
PIDS+=($!)
sleep 0.5
gtk-sni-tray-standalone --bottom --beginning >/dev/null 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true' && break
    sleep 0.1
done
APP="$(printf '[Security]\r\nStartPasswd=0\r\nRestorePasswd=0\r\n' | make_app_dir sni)"
(cd "$APP" && exec ./varnholt) >"$WORK/out.txt" 2>&1 &
VH=$!
PIDS+=($VH)

# The window goes to the tray; the icon is the host's first, in the bottom-left corner.
sleep 2
xdotool search --onlyvisible --name 'Varnholt--' >/dev/null 2>&1 && fail "main window not in the tray"
shot e2e-sni-tray.png
xdotool mousemove 15 785 click 1
wait_window 'Varnholt--' 50 >/dev/null || fail "a click on the StatusNotifierItem icon did not restore"
kill -0 $VH || fail "program ended"
echo "PASS"
