#!/usr/bin/env bash
# The setup window's drop shadow under Xvfb: with a compositing manager (xcompmgr -n, which paints
# the root grey itself) the screen around the real setup window darkens as the shadow's picture
# says over the measured background, follows a move, goes with a minimise and comes back with a
# restore; without one the same run shows no shadow and the install log holds nothing about it.
#   setup_shadow_test.sh <kelto-setup> <kelto-e2e-shadow> <screens folder>
set -uo pipefail
exe=$1 check=$2 screens=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
mkdir -p "$screens"

work=$(mktemp -d)
compositor=
setup=
cleanup() {
    [ -n "$setup" ] && kill -KILL "$setup" 2>/dev/null
    [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
title="Kelto Clipwave Converter Pro Installer"
failures=0
fail() {
    echo "FAIL $case: $*"
    failures=$((failures + 1))
}

# start_setup <name>: the installer on a fresh platform root; sets window.
start_setup() {
    local root="$work/$1"
    mkdir -p "$root"
    printf '[system]\nuser=tester\narchitecture=x64\nlanguage_id=0x0409\n' >"$root/platform.ini"
    KELTO_ROOT="$root" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$exe" >"$work/$1.out" 2>&1 &
    setup=$!
    window=$(wait_for_window "$title" 40) || { fail "no setup window"; return 1; }
    LOG="$root/drive_c/Users/tester/Documents/Kelto Clipwave Converter Pro/Log/install.log"
}

end_setup() {
    kill -TERM "$setup"
    wait_pid "$setup" 20 || fail "exit code $?"
    setup=
}

case=compositing
start_xvfb "$work" || exit 1
xcompmgr -n >"$work/xcompmgr.log" 2>&1 &
compositor=$!
# xcompmgr names its selection window once it has taken the compositing manager's selection.
wait_for_window xcompmgr 10 >/dev/null || fail "xcompmgr did not start"
if start_setup "$case"; then
    "$check" "$window" shadow "$screens/setup-shadow-desktop.png" || fail "no shadow at the start"
    xdotool windowmove --sync "$window" 200 150
    "$check" "$window" shadow "$screens/setup-shadow-moved.png" || fail "the shadow did not follow"
    # The window's own minimise button (top right, left of the close button).
    click "$window" 588 10
    "$check" "$window" none || fail "the shadow stayed with the window minimised"
    # No window manager runs to restore it from a task bar: unmapping and mapping the window
    # again is what the host reports as a restore.
    xdotool windowunmap --sync "$window" windowmap --sync "$window"
    "$check" "$window" shadow "$screens/setup-shadow-restored.png" ||
        fail "the shadow did not come back with the restore"
    end_setup
    # The shadow's status changes are logged; nothing may have failed.
    grep -i 'shadow' "$LOG" | grep -vq 'CWndShadow status : ' &&
        fail "unexpected shadow lines: $(grep -i shadow "$LOG")"
fi
kill "$compositor" 2>/dev/null
wait "$compositor" 2>/dev/null
compositor=
stop_xvfb

case=plain
start_xvfb "$work" || exit 1
if start_setup "$case"; then
    "$check" "$window" none "$screens/setup-no-shadow-desktop.png" ||
        fail "a shadow without a compositing manager"
    end_setup
    grep -qi 'shadow' "$LOG" && fail "the log mentions the shadow: $(grep -i shadow "$LOG")"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all cases passed"
