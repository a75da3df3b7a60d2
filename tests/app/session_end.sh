#!/usr/bin/env bash
# The end of a session ends the program through its own exit. The signals (SIGTERM, SIGINT, SIGHUP): exit
# code 0 within a few seconds, every sample it traced is committed, and the single-instance lock is given
# up, so the next start is not refused. A real XSMP session manager (xsm): a checkpoint leaves the program
# running, a shutdown ends it with exit code 0.
source "$(dirname "$0")/x11_support.sh" "$@"
start_x
export FIREBIRD_LOCK="$WORK/fblock"
mkdir -p "$FIREBIRD_LOCK"
APP="$(printf '%s\r\n' '[Security]' 'Passwd=3b8a85011e78b14c132c6044318a20e4' 'StartPasswd=0' \
    '[System]' 'AutoMinimize=0' 'AutoTask=1' '[OtherSettings]' 'AutoUpdate=0' \
    '[TimeConfig]' 'Taskexecutype=0' 'TimeFrom=0:00:00' 'TimeEnd=23:59:59' 'MonitorInterval=1' | make_app_dir se)"

start_app() { # $1: output file; sets PID
    (cd "$APP" && exec ./varnholt) >"$WORK/$1" 2>&1 &
    PID=$!
    PIDS+=($PID)
}
# Sends $2 to $1 and waits at most 5 s for it to end with exit code 0.
end_with() { # $1 pid, $2 signal name
    kill -s "$2" "$1"
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && fail "$2 did not end the program"
    local rc=0
    wait "$1" || rc=$?
    [ "$rc" = 0 ] || fail "exit code $rc after $2"
}
samples_traced() {
    local n
    n="$(grep -c '^current_caption:' "$APP/logd.txt" 2>/dev/null)" || true
    echo "${n:-0}"
}

# The first sample comes one interval (a minute) after the schedule starts sampling.
start_app first.txt
wait_window 'Varnholt--' 150 >/dev/null || fail "the program did not show its window"
for _ in $(seq 900); do [ "$(samples_traced)" -ge 1 ] && break; sleep 0.1; done
[ "$(samples_traced)" -ge 1 ] || fail "no sample was taken"
end_with "$PID" TERM
traced="$(samples_traced)"

# The database is free again once the program has ended; every traced sample was stored.
rows="$(printf 'SELECT COUNT(*) FROM TIMEINFO;\n' |
    isql-fb -q -user ADMIN -password k4rv9tbe "$APP/ABC.GDB" | tr -dc '0-9')"
[ "$rows" = "$traced" ] || fail "$traced samples traced, $rows stored"

# The lock is free: the next copies start (no "only one copy" message) and end the same way.
for sig in INT HUP; do
    start_app "$sig.txt"
    wait_window 'Varnholt--' 150 >/dev/null || fail "a start after the signal was refused"
    xdotool search --onlyvisible --name '^信息$' >/dev/null 2>&1 && fail "a start after the signal was refused"
    end_with "$PID" "$sig"
done

# xsm starts the program as a client of its session; its buttons are pressed where they are drawn.
HOME="$WORK/xsm-home"
mkdir -p "$HOME"
printf '#!/bin/sh\ncd "%s" && ./varnholt\necho $? >"%s"\n' "$APP" "$WORK/xsm-rc" >"$WORK/xsm-client"
chmod +x "$WORK/xsm-client"
echo "$WORK/xsm-client" >"$HOME/.xsmstartup"
xsm >"$WORK/xsm.txt" 2>&1 &
PIDS+=($!)
wait_window 'Varnholt--' 150 >/dev/null || fail "the program did not start in the xsm session"
SM="$(wait_window '^xsm: ' 50)" || fail "xsm shows no window"
# Out from under the program's window.
xdotool windowmove --sync "$SM" 0 0
xdotool windowraise "$SM"
PROGRAM="$(pgrep -f "^./varnholt$" -P "$(pgrep -f "$WORK/xsm-client" | head -1)" | head -1)" || true
[ -n "$PROGRAM" ] || fail "no program process under xsm"
press() { # $1 window, $2 x, $3 y
    xdotool windowraise "$1"
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}
press "$SM" 46 49 # Checkpoint
POPUP="$(wait_window '^Checkpoint$' 50)" || fail "no checkpoint dialog"
press "$POPUP" 174 18
xdotool type "vh"
press "$POPUP" 56 136
for _ in $(seq 100); do [ -f "$HOME/.XSM-vh" ] && break; sleep 0.1; done
[ -f "$HOME/.XSM-vh" ] || fail "the checkpoint did not complete"
sleep 1
kill -0 "$PROGRAM" 2>/dev/null || fail "a checkpoint ended the program"
# Shutdown is a menu button: held, its entry "With Checkpoint" is chosen on release.
xdotool mousemove --window "$SM" 139 49 mousedown 1
sleep 0.5
xdotool mousemove --window "$SM" 165 77 mouseup 1
POPUP="$(wait_window '^Shutdown$' 50)" || fail "no shutdown dialog"
press "$POPUP" 56 136
for _ in $(seq 50); do kill -0 "$PROGRAM" 2>/dev/null || break; sleep 0.1; done
kill -0 "$PROGRAM" 2>/dev/null && fail "the session's end did not end the program"
for _ in $(seq 20); do [ -s "$WORK/xsm-rc" ] && break; sleep 0.1; done
[ "$(cat "$WORK/xsm-rc" 2>/dev/null)" = 0 ] || fail "exit code $(cat "$WORK/xsm-rc" 2>/dev/null) at the session's end"
echo "PASS"
