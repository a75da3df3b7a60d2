#!/usr/bin/env bash
# The signals of a session's end (SIGTERM, SIGINT, SIGHUP) end the sampling program through its own exit:
# exit code 0 within a few seconds, every sample it traced is committed, and the single-instance lock is
# given up, so the next start is not refused.
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
echo "PASS"
