#!/usr/bin/env bash
# The main job: builds the installer and runs it on a fresh emulated machine, then prints its
# install log. With a display the window stays until it is closed; without one the run happens
# on a private Xvfb display and ends by itself after $KELTO_DEMO_SECONDS seconds (default 5).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/install-deps.sh"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kelto-setup

export KELTO_ROOT=${KELTO_ROOT:-$top/out/demo-root}
rm -rf "$KELTO_ROOT"
mkdir -p "$KELTO_ROOT"
echo "platform root: $KELTO_ROOT"

source "$top/tests/e2e/lib.sh"
work=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$work"' EXIT

if [ -z "${DISPLAY:-}" ]; then
    start_xvfb "$work"
    echo "no display: running on Xvfb $DISPLAY for ${KELTO_DEMO_SECONDS:-5} s"
    build/setup/main/kelto-setup &
    pid=$!
    wait_for_window "Kelto Clipwave Converter Pro Installer" 20 >/dev/null ||
        echo "the installer window did not appear"
    sleep "${KELTO_DEMO_SECONDS:-5}"
    kill -TERM "$pid" 2>/dev/null || true
    wait_pid "$pid" 20 || true
else
    build/setup/main/kelto-setup
fi

log=$(find "$KELTO_ROOT/drive_c/Users" -path '*/Documents/Kelto Clipwave Converter Pro/Log/install.log' | head -n1)
echo "== install log: $log"
tr -d '\r' <"$log"
