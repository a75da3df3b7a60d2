#!/usr/bin/env bash
# Away detection in the real program on a real X server, the idle time read through its MIT-SCREEN-SAVER
# extension: with AwayMinutes=1 and a one-minute interval, a first tick after a minute without input stores
# nothing and traces that the user was away; after input (xdotool) the next tick samples again.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
export FIREBIRD_LOCK="$WORK/fblock"
mkdir -p "$FIREBIRD_LOCK"
APP="$(printf '%s\r\n' '[Security]' 'Passwd=3b8a85011e78b14c132c6044318a20e4' 'StartPasswd=0' \
    '[System]' 'AutoMinimize=0' 'AutoTask=1' 'AwayMinutes=1' 'unwork=9' '[OtherSettings]' 'AutoUpdate=0' \
    '[TimeConfig]' 'Taskexecutype=0' 'TimeFrom=0:00:00' 'TimeEnd=23:59:59' 'MonitorInterval=1' | make_app_dir away)"
traced() { # $1: the line's start
    local n
    n="$(grep -c "^$1" "$APP/logd.txt" 2>/dev/null)" || true
    echo "${n:-0}"
}

# Nobody touches the keyboard or the mouse from the server's start on.
(cd "$APP" && exec ./varnholt) >"$WORK/out.txt" 2>&1 &
PID=$!
PIDS+=($PID)
wait_window 'Varnholt--' 150 >/dev/null || fail "the program did not show its window"
for _ in $(seq 900); do [ "$(traced user_away:)" -ge 1 ] && break; sleep 0.1; done
[ "$(traced user_away:)" -ge 1 ] || fail "the first tick did not find the user away"
[ "$(traced current_caption:)" = 0 ] || fail "a sample was taken while the user was away"
grep -q '^user_away:no input for [0-9]* s$' "$APP/logd.txt" || fail "the away line does not say why"

# Back at the keyboard: the next tick, a minute later, samples.
xdotool mousemove 200 200
for _ in $(seq 900); do [ "$(traced current_caption:)" -ge 1 ] && break; sleep 0.1; done
[ "$(traced current_caption:)" -ge 1 ] || fail "no sample after the user came back"
[ "$(traced user_away:)" = 1 ] || fail "the user was found away after the input"

kill -TERM "$PID"
for _ in $(seq 50); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
rows="$(printf 'SELECT COUNT(*) FROM TIMEINFO;\n' |
    isql-fb -q -user ADMIN -password k4rv9tbe "$APP/ABC.GDB" | tr -dc '0-9')"
[ "$rows" = 1 ] || fail "$rows samples stored, one expected"
echo PASS
