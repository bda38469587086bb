#!/usr/bin/env bash
# The real installer under Xvfb: started on a fresh platform root, ended with SIGTERM, its install
# log must hold the run header, the version and system-mode lines and "Exit app.", whatever the
# command line says.
set -uo pipefail
exe=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

work=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_xvfb "$work" || exit 1

title="Kelto Clipwave Converter Pro Installer"
failures=0

# run_case <name> <debug settings or empty> <expected lines file> [arguments...]
run_case() {
    local name=$1 config=$2 expected=$3
    shift 3
    local root="$work/$name"
    mkdir -p "$root"
    printf '[system]\nuser=tester\narchitecture=x64\nlanguage_id=0x0409\n' >"$root/platform.ini"
    local documents="$root/drive_c/Users/tester/Documents"
    if [ -n "$config" ]; then
        mkdir -p "$documents"
        printf '%s' "$config" >"$documents/QorDebugConfig.ini"
    fi
    # The display drivers that SDL loads and unloads leave allocations that LeakSanitizer cannot
    # attribute to any module; leaks of our own code are checked by the unit tests.
    KELTO_ROOT="$root" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$exe" "$@" \
        >"$work/$name.out" 2>&1 &
    local pid=$!
    local window
    if ! window=$(wait_for_window "$title" 40); then
        echo "FAIL $name: no window titled \"$title\""
        cat "$work/$name.out"
        kill -KILL "$pid" 2>/dev/null
        failures=$((failures + 1))
        return
    fi
    if ! xdotool getwindowgeometry "$window" | grep -q 'Geometry: 622x405'; then
        echo "FAIL $name: the setup window is not 622 x 405"
        xdotool getwindowgeometry "$window"
        failures=$((failures + 1))
    fi
    kill -TERM "$pid"
    wait_pid "$pid" 20
    local code=$?
    if [ "$code" -ne 0 ]; then
        echo "FAIL $name: exit code $code"
        cat "$work/$name.out"
        failures=$((failures + 1))
        return
    fi
    local log="$documents/Kelto Clipwave Converter Pro/Log/install.log"
    # Time stamps vary; compare the messages, with CR LF line ends checked separately.
    if grep -qv $'\r$' "$log"; then
        echo "FAIL $name: a line of the log does not end in CR LF"
        failures=$((failures + 1))
    fi
    if ! diff <(tr -d '\r' <"$log" | sed -E 's/^[0-9]{2,}:[0-9]{2}:[0-9]{2} : //') "$expected" \
        >"$work/$name.diff"; then
        echo "FAIL $name: unexpected log"
        cat "$work/$name.diff"
        failures=$((failures + 1))
        return
    fi
    echo "ok   $name"
}

# The window's start adds the language and the remembered option flags (a message that ends in a
# line break, so an empty line follows).
start_lines='Language is EN, id = 1033\nRead Setup Cfg Flag : -1, root(), key(cfg_flag).\n\n'
printf "\n\n%s\nInit Log OK.\nSetup Init. Version 1.0.6.0\nSystem Mode : x64\n${start_lines}Exit app.\n" \
    "----------------------------------------" >"$work/plain.expected"
printf "\n\n%s\nInit Log OK.\nSetup Init. Version 1.0.6.0\nSystem Mode : x64\nTest Mode : true\n\n${start_lines}Exit app.\n" \
    "----------------------------------------" >"$work/testmode.expected"

run_case plain "" "$work/plain.expected"
run_case arguments "" "$work/plain.expected" /uninstall /silent --help
run_case testmode $'[root]\r\nsetup_test_mode=1\r\n' "$work/testmode.expected"

[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "all cases passed"
