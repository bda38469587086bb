# Shared helpers of the end-to-end scripts: a private Xvfb display and bounded waits.

# start_xvfb <work folder>: starts Xvfb on a free display and exports DISPLAY. -noreset: the
# server stays as it is when its last client leaves.
start_xvfb() {
    local work=$1
    : >"$work/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$work/display" 2>"$work/xvfb.log" &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; return 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}

# wait_for_window <title> <seconds>: prints the window id once a window with that title exists.
wait_for_window() {
    local title=$1 seconds=$2 i id
    for i in $(seq 1 $((seconds * 10))); do
        id=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_pid <pid> <seconds>: waits for a child to end; its exit code, or 124 when it did not end.
wait_pid() {
    local pid=$1 seconds=$2 i
    for i in $(seq 1 $((seconds * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            return $?
        fi
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 124
}

# wait_until <seconds> <command...>: runs the command every 0.1 s until it succeeds.
wait_until() {
    local seconds=$1 i
    shift
    for i in $(seq 1 $((seconds * 10))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# click <window> <x> <y>: a left click at window coordinates; the button is held for 0.1 s, as a
# hand holds it, so that press and release arrive as two moments. The window handles the click
# before any input sent after it (the X server keeps the order).
click() {
    xdotool mousemove --window "$1" "$2" "$3" mousedown 1 sleep 0.1 mouseup 1
}
