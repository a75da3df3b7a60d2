#!/usr/bin/env bash
# A second copy shows only its message and ends, touching neither Config.ini nor the database, while the
# first copy keeps running.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
APP="$(printf '[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=0\r\n' | make_app_dir si)"
(cd "$APP" && exec ./varnholt) >"$WORK/first.txt" 2>&1 &
FIRST=$!
PIDS+=($FIRST)
wait_window 'Varnholt--' 150 >/dev/null || fail "first copy did not show its window"
sleep 1
fingerprint() { stat -c '%s %Y' "$APP/Config.ini" "$APP/ABC.GDB"; md5sum "$APP/Config.ini" "$APP/ABC.GDB"; }
before="$(fingerprint)"
sleep 1.1 # a write now would show in the seconds of the modification time

(cd "$APP" && exec ./varnholt) >"$WORK/second.txt" 2>&1 &
SECOND=$!
PIDS+=($SECOND)
BOX="$(wait_window '^信息$' 100)" || fail "second copy showed no message"
shot single-instance-message.png
# The message box shows the text as a label.
xdotool search --onlyvisible --name 'Varnholt--' | grep -q . || fail "first window gone"
[ "$(xdotool search --onlyvisible --name '^信息$' | wc -l)" = 1 ] || fail "more than one message"
xdotool search --onlyvisible --name '系统登录' >/dev/null 2>&1 && fail "second copy opened a login"
xdotool windowactivate --sync "$BOX" 2>/dev/null || true
xdotool key Return
for _ in $(seq 50); do kill -0 $SECOND 2>/dev/null || break; sleep 0.1; done
kill -0 $SECOND 2>/dev/null && fail "second copy still running"
wait $SECOND && rc=0 || rc=$?
[ "$rc" = 0 ] || fail "second copy exit code $rc"
after="$(fingerprint)"
[ "$before" = "$after" ] || fail "files changed: $before / $after"
kill -0 $FIRST || fail "first copy ended"
wait_window 'Varnholt--' 10 >/dev/null || fail "first window no longer shown"
echo "PASS"
