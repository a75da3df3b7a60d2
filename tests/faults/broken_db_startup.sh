#!/usr/bin/env bash
# The real program started with a broken ABC.GDB: it shows the error box and keeps running, also after
# the box is answered. Usage: broken_db_startup.sh <first display> <varnholt>
set -euo pipefail
FIRST="${1:?display}"
EXE="${2:?varnholt}"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
WORK="$(mktemp -d)"
# The engine's lock folder of our own: a killed program must not leave locks behind for anybody else.
export FIREBIRD_LOCK="$WORK/fblock"
mkdir -p "$FIREBIRD_LOCK"
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK" "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A free display in the range given to these tests (:190 to :199).
n="${FIRST#:}"
for d in $(seq "$n" 199); do
    if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then n=$d; break; fi
done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $DISPLAY"
# A session bus of our own: without one the program autolaunches a bus daemon that nobody ends.
bus="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)" || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS="${bus%%$'\n'*}"
PIDS+=("${bus##*$'\n'}")

for kind in random empty; do
    app="$WORK/$kind"
    mkdir -p "$app"
    cp "$EXE" "$app/varnholt"
    case $kind in
    random) head -c 200000 /dev/urandom > "$app/ABC.GDB" ;;
    empty) : > "$app/ABC.GDB" ;;
    esac
    printf '[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=1\r\nAutoTask=0\r\n[OtherSettings]\r\nAutoUpdate=0\r\n' > "$app/Config.ini"
    (cd "$app" && exec ./varnholt) >"$app/out.log" 2>&1 &
    pid=$!
    PIDS+=($pid)

    box=""
    for _ in $(seq 100); do
        box="$(xdotool search --onlyvisible --name '^Varnholt$' 2>/dev/null | head -1 || true)"
        [ -n "$box" ] && break
        kill -0 "$pid" 2>/dev/null || fail "$kind: the program ended at start-up: $(cat "$app/out.log")"
        sleep 0.1
    done
    [ -n "$box" ] || fail "$kind: no error box"
    sleep 3
    kill -0 "$pid" 2>/dev/null || fail "$kind: the program died while showing the error box"
    # Answer the box; start-up goes on without a connection.
    xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
    xdotool key --window "$box" Return >/dev/null 2>&1 || true
    gone=0
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name '^Varnholt$' >/dev/null 2>&1 || { gone=1; break; }
        sleep 0.1
    done
    [ "$gone" = 1 ] || fail "$kind: the error box did not take its answer"
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "$kind: the program died after the error box: $(cat "$app/out.log")"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "ok: $kind ABC.GDB"
done
