#!/usr/bin/env bash
# The real installer's setup window under Xvfb, driven with xdotool the way a user drives it:
# the window appears 622 x 405 and centred; Custom makes it 580 tall; a path on an unmapped drive
# and Install raise the skin message box, whose OK closes it while the window stays Ready; Browse
# opens zenity and a folder typed there comes back into the path box; SIGTERM ends the run with
# "Exit app.". Last, a start as an ordinary user without pkexec shows that administrator rights
# are needed and writes nothing into the platform root.
set -uo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

work=$(mktemp -d)
chmod 755 "$work"
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; stop_xvfb; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"; echo "work: $work"' EXIT
start_xvfb "$work" || exit 1

title="Kelto Clipwave Converter Pro Installer"
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

geometry_is() { # <window> <width>x<height>
    xdotool getwindowgeometry "$1" | grep -q "Geometry: $2\$"
}

log_has() { # <text>: a line of the install log contains the text
    tr -d '\r' <"$log" | grep -qF -- "$1"
}

# A window of the installer's process with the given size (the skin message box has no title).
window_of_size() { # <size>
    local id
    for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        if geometry_is "$id" "$1"; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

root="$work/root"
mkdir -p "$root/drive_c/Chosen"
printf '[system]\nuser=tester\narchitecture=x64\nlanguage_id=0x0409\n' >"$root/platform.ini"
documents="$root/drive_c/Users/tester/Documents"
log="$documents/Kelto Clipwave Converter Pro/Log/install.log"

KELTO_ROOT="$root" KELTO_DEBUG_OUTPUT=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    "$exe" >"$work/setup.out" 2>&1 &
pid=$!
if ! window=$(wait_for_window "$title" 40); then
    fail "no window titled \"$title\""
    cat "$work/setup.out"
    exit 1
fi
wait_until 10 geometry_is "$window" 622x405 || fail "the setup window is not 622 x 405"
# Centred on the 1280 x 800 screen (the move may land a moment after the map).
if wait_until 10 bash -c "xdotool getwindowgeometry $window | grep -q 'Position: 329,197'"; then
    echo "ok   window 622 x 405, centred"
else
    fail "the setup window is not centred: $(xdotool getwindowgeometry "$window" | tr '\n' ' ')"
fi

# Custom: the panel opens and the window grows to 580.
click "$window" 560 372
wait_until 5 geometry_is "$window" 622x580 && echo "ok   Custom makes the window 580 tall" ||
    fail "Custom did not make the window 580 tall"

# A path on an unmapped drive, then Install: the message box, whose OK closes it.
click "$window" 300 473
xdotool key --window "$window" ctrl+a
xdotool type --window "$window" --delay 20 'Q:\Apps\Kelto'
click "$window" 311 371
if box=$(wait_until 10 window_of_size 420x210 && window_of_size 420x210); then
    grep -qF "ShowSkinMessageBox : Kelto Clipwave Converter : The installation path is invalid." \
        "$work/setup.out" || fail "the box does not say that the path is invalid"
    click "$box" 210 183
    wait_until 10 bash -c "! xdotool getwindowname $box" && echo "ok   the box says the path is invalid; OK closes it" ||
        fail "OK did not close the box"
else
    fail "no skin message box after Install with Q:\\Apps\\Kelto"
fi
log_has 'Install Path Info : Q:\Apps\Kelto .' || fail "the log does not name the refused path"
if log_has "OnBtnInstall(OnInstall)"; then fail "the installation started on an unmapped drive"; fi
geometry_is "$window" 622x580 && echo "ok   the window stays Ready" || fail "the window changed"

# Browse: zenity opens; a folder typed into its location box comes back into the path box.
click "$window" 563 473
if chooser=$(wait_for_window "Select a folder from the list below, and then click OK." 30); then
    # GTK takes no synthetic key events: focus the chooser and type through XTEST.
    sleep 1
    xdotool windowfocus --sync "$chooser"
    xdotool key ctrl+l
    sleep 0.3
    xdotool type --delay 20 "$root/drive_c/Chosen/"
    sleep 0.5
    xdotool key Return
    sleep 0.5
    if xdotool getwindowname "$chooser" >/dev/null 2>&1; then
        xdotool key Return
    fi
    wait_until 10 bash -c "! xdotool getwindowname $chooser" || fail "zenity did not close"
    # The chosen folder is the install path now: the next Browse starts from it (cancelled).
    click "$window" 563 473
    if chooser=$(wait_for_window "Select a folder from the list below, and then click OK." 30); then
        xdotool windowfocus --sync "$chooser"
        xdotool key Escape
        wait_until 10 bash -c "! xdotool getwindowname $chooser" || fail "Escape did not close zenity"
    fi
    log_has 'OnBtnBrower() path = C:\Chosen' || fail "the chosen folder is not the install path"
    # The path box holds it too: Install checks it and starts.
    click "$window" 311 371
    wait_until 10 log_has 'Install Path Info : C:\Chosen .' &&
        echo "ok   Browse brings the chosen folder back as C:\\Chosen" ||
        fail "the folder chosen in zenity did not come back: $(tr -d '\r' <"$log" | grep -F 'Install Path Info' | tail -n1)"
else
    fail "Browse did not open zenity"
fi

kill -TERM "$pid"
wait_pid "$pid" 20
code=$?
pid=
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
tail -n1 "$log" | tr -d '\r' | grep -qE ' : Exit app\.$' && echo "ok   SIGTERM ends with \"Exit app.\"" ||
    fail "the log does not end with \"Exit app.\": $(tail -n1 "$log")"

# SIGTERM while the chooser is open: the chooser goes and the run ends as usual.
rm -f "$log"
KELTO_ROOT="$root" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$exe" >"$work/setup2.out" 2>&1 &
pid=$!
if window=$(wait_for_window "$title" 40); then
    click "$window" 560 372
    wait_until 5 geometry_is "$window" 622x580
    click "$window" 563 473
    if chooser=$(wait_for_window "Select a folder from the list below, and then click OK." 30); then
        kill -TERM "$pid"
        wait_pid "$pid" 20
        code=$?
        pid=
        [ "$code" -eq 0 ] || fail "exit code $code after SIGTERM with zenity open"
        wait_until 5 bash -c "! xdotool getwindowname $chooser" || fail "zenity outlived the installer"
        tail -n1 "$log" | tr -d '\r' | grep -qE ' : Exit app\.$' &&
            echo "ok   SIGTERM with zenity open ends zenity and the run" ||
            fail "no \"Exit app.\" after SIGTERM with zenity open"
    else
        fail "the second run's Browse did not open zenity"
    fi
else
    fail "the second run showed no window"
fi
[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
pid=

# An ordinary user, once without pkexec (a PATH that holds only zenity, through which the native
# message box shows) and once with the real pkexec, which refuses here (no authority to ask: exit
# code 127): a message, a reason on standard error, nothing written.
cp "$exe" "$work/kelto-setup"
chmod 755 "$work/kelto-setup"
for elevation in missing refused; do
    userroot="$work/userroot-$elevation"
    bin="$work/bin-$elevation"
    mkdir -p "$userroot" "$bin"
    ln -s "$(command -v zenity)" "$bin/zenity"
    if [ "$elevation" = refused ]; then
        ln -s "$(command -v pkexec)" "$bin/pkexec"
        reason="pkexec refused the rights (exit code 127)"
    else
        reason="pkexec is not installed"
    fi
    setpriv --reuid=65534 --regid=65534 --clear-groups env PATH="$bin" HOME=/nonexistent \
        KELTO_ROOT="$userroot" DISPLAY="$DISPLAY" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
        "$work/kelto-setup" >"$work/user.out" 2>&1 &
    pid=$!
    if message=$(wait_for_window "$title" 30); then
        echo "ok   $elevation pkexec: the unelevated start shows a message"
        xdotool windowfocus --sync "$message"
        xdotool key Return
        wait_until 10 bash -c "! xdotool getwindowname $message" ||
            fail "Return did not close the message"
    else
        fail "$elevation pkexec: the unelevated start showed no message"
    fi
    wait_pid "$pid" 20
    pid=
    grep -qF "administrator rights are needed and were not obtained: $reason" "$work/user.out" &&
        echo "ok   $elevation pkexec: the reason is logged" ||
        { fail "$elevation pkexec: no reason given"; cat "$work/user.out"; }
    if [ -n "$(ls -A "$userroot")" ]; then
        fail "$elevation pkexec: the unelevated start wrote into the platform root: $(ls -A "$userroot")"
    else
        echo "ok   $elevation pkexec: nothing written in the platform root"
    fi
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
