# Shared by the shell's X11 tests: a private Xvfb with openbox and a tray host, and a temporary
# application folder holding a copy of the program, the template database and a Config.ini.
set -euo pipefail
VH_DISPLAY="${1:?display}"
VH_EXE="${2:?varnholt}"
VH_DB="${3:?template database}"
export DISPLAY="$VH_DISPLAY"
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
WORK="$(mktemp -d)"
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK" "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A session bus of our own for everything started here: without one the program autolaunches a bus
# daemon that nobody ends.
start_session_bus() {
    local out
    out="$(dbus-daemon --session --fork --print-address=1 --print-pid=1)" || fail "no session bus"
    export DBUS_SESSION_BUS_ADDRESS="${out%%$'\n'*}"
    PIDS+=("${out##*$'\n'}")
}

start_x() {
    local xvfb="" try
    start_session_bus
    # Our own server, not one that an earlier run is still taking down on the same display: retry while
    # the display is busy.
    for try in 1 2 3; do
        Xvfb "$VH_DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb=$!
        PIDS+=($xvfb)
        for _ in $(seq 100); do
            kill -0 "$xvfb" 2>/dev/null || break
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        kill -0 "$xvfb" 2>/dev/null && xdpyinfo >/dev/null 2>&1 && break
        sleep 1
    done
    kill -0 "$xvfb" 2>/dev/null && xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $VH_DISPLAY"
    openbox >/dev/null 2>&1 &
    PIDS+=($!)
    sleep 0.5
}

start_tray() {
    trayer --edge bottom --align right --widthtype pixel --width 100 --heighttype pixel --height 32 \
        --transparent false >/dev/null 2>&1 &
    PIDS+=($!)
    sleep 0.8
}

make_app_dir() { # $1: name; Config.ini content on stdin
    local dir="$WORK/$1"
    mkdir -p "$dir"
    cp "$VH_EXE" "$dir/varnholt"
    cp "$VH_DB" "$dir/ABC.GDB"
    cat > "$dir/Config.ini"
    echo "$dir"
}

# Waits for a visible window whose name matches; prints its id.
wait_window() { # $1 name regex, $2 tries of 0.1 s
    local id=""
    for _ in $(seq "${2:-100}"); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

wait_gone() { # $1 name regex
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

type_into() { # $1 window id, $2 text
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    sleep 0.2
    xdotool type --delay 30 "$2"
    xdotool key Return
}

shot() { # $1 file name
    if [ -n "${VH_ARTIFACTS:-}" ]; then
        mkdir -p "$VH_ARTIFACTS"
        import -window root "$VH_ARTIFACTS/$1" 2>/dev/null || true
    fi
}
