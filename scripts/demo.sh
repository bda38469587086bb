#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes a demo package of the test product with
# kelto-pack (both programs, each with its uninstaller), starts the maker's download server and
# three mirrors (nginx on 127.0.0.1 to 127.0.0.4, port 80) with the description and the version
# file, and runs the real installer against them on a fresh emulated machine.
#
# With a display you drive the window yourself. Without one it runs on a private Xvfb display:
# it presses Install, waits for the Installed page (at most $KELTO_DEMO_SECONDS, default 180),
# presses Finish, saves a screenshot of every page it passed into out/screens/, and prints the
# install log and a summary: the installed files, the registry values of both programs, the
# shortcuts with their targets, what the test programs recorded and the web pages handed to the
# browser. Every server it started is ended, also when it is interrupted.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/install-deps.sh"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kelto-setup kelto-pack kelto-testproduct \
    kelto-e2e-grab kelto-e2e-links

source "$top/tests/e2e/lib.sh"
source "$top/scripts/serverfarm.sh"
source "$top/tests/e2e/install_lib.sh"

out="$top/out"
seconds=${KELTO_DEMO_SECONDS:-180}
# The machine and the files the programs and the browser write must be reachable for the
# desktop user, which a checkout below a private home folder is not: they live below /tmp while
# the demo runs and move into out/ at the end.
work=$(mktemp -d /tmp/kelto-demo.XXXXXX)
chmod 755 "$work"
setup_pid=
cleanup() {
    [ -n "$setup_pid" ] && kill -KILL "$setup_pid" 2>/dev/null
    farm_stop
    stop_xvfb
    remove_desktop_user
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "demo: interrupted"; exit 130' INT TERM

rm -rf "$out/screens" "$out/demo-root"
mkdir -p "$out/screens"
shared="$work/shared"
browser=$(make_browser "$shared")
record="$shared/record.txt"
: >"$record"
chmod 666 "$record"
: >"$shared/browser.log"
chmod 666 "$shared/browser.log"

echo "== making the demo package of the test product"
make_product_package build/tools/testproduct/kelto-testproduct build/tools/kelto-pack/kelto-pack \
    "$work/demo-package.exe" 32 "record=$record"
build/tools/kelto-pack/kelto-pack inspect "$work/demo-package.exe" | sed -n '1,12p'

echo "== waiting for port 80 of 127.0.0.1 to 127.0.0.4 (/tmp/kelto-port80.lock)"
exec 9>/tmp/kelto-port80.lock
flock -w 900 9 || { echo "demo: port 80 stayed busy for 900 s"; exit 1; }
# The end-to-end tests make and remove the same desktop user; they hold the lock meanwhile.
root="$work/root"
if [ -z "${DISPLAY:-}" ]; then
    ensure_desktop_user
else
    # On a desktop the installer finds the desktop user itself (the owner of the taskbar).
    DESKTOP_UID=
fi
new_machine "$root"
[ -n "${DESKTOP_UID:-}" ] || sed -i '/^desktop_user_uid=$/d' "$root/platform.ini"
echo "platform root: $root (moved to $out/demo-root at the end)"
farm_init "$work/farm"
farm_publish "$work/demo-package.exe" "$work/demo-package.exe.cfg" 1.0.0.123
farm_start_server
farm_start_mirrors
echo "download server http://127.0.0.1/, mirrors $(farm_mirror_url 1) and two more"

log=$(machine_log "$root")
exe=build/setup/main/kelto-setup
if [ -n "${DISPLAY:-}" ]; then
    echo "== the installer is on your display: press Install, then Finish"
    KELTO_ROOT="$root" BROWSER="$browser" "$exe" 9>&- || true
else
    start_xvfb "$work"
    echo "== no display: the installer runs on Xvfb $DISPLAY"
    KELTO_ROOT="$root" BROWSER="$browser" "$exe" 9>&- >"$work/setup.out" 2>&1 &
    setup_pid=$!
    window=$(wait_for_window "$SETUP_TITLE" 40) || { echo "demo: no setup window"; exit 1; }
    wait_log "$log" "Read Setup Cfg Flag" 20 || true
    sleep 1
    build/tests/e2e/kelto-e2e-grab "$window" "$out/screens/1-ready.png"
    click "$window" $POINT_INSTALL
    sleep 1.5
    build/tests/e2e/kelto-e2e-grab "$window" "$out/screens/2-installing.png"
    if wait_log "$log" "Finish(AfterInstall)" "$seconds"; then
        sleep 0.5
        build/tests/e2e/kelto-e2e-grab "$window" "$out/screens/3-installed.png"
        click "$window" $POINT_FINISH
    else
        echo "demo: no Installed page within $seconds s; the page it stopped at is saved"
        build/tests/e2e/kelto-e2e-grab "$window" "$out/screens/3-stopped.png" || true
        click "$window" 608 10
    fi
    wait_pid "$setup_pid" 30 || echo "demo: the installer did not end by itself"
    setup_pid=
    # The programs started on Finish record themselves a moment later.
    for _ in $(seq 1 50); do
        [ "$(grep -c '^end$' "$record")" -ge 4 ] && break
        sleep 0.1
    done
fi
farm_stop

echo "== install log: Documents\\Kelto Clipwave Converter Pro\\Log\\install.log"
log_messages "$log" | sed '/^$/d'

echo
echo "== summary"
drive="$root/drive_c"
echo "-- installed files"
(cd "$drive" && find "Program Files (x86)/Kelto" -type f -printf '%p  %s bytes\n' 2>/dev/null | sort)
echo "-- registry (HKLM\\SOFTWARE\\WOW6432Node\\...\\Uninstall)"
for program in Converter Downloader; do
    key="SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelto Clipwave $program"
    echo "[Kelto Clipwave $program]"
    registry_section "$root/registry/HKLM.reg" "$key" | sed 's/^/  /'
done
echo "-- shortcuts (file -> target | arguments | working folder)"
find "$drive" -name '*.lnk' -print0 | sort -z | xargs -0 -r build/tests/e2e/kelto-e2e-links |
    sed -e "s|^$drive/||" -e 's/|/ -> /'
echo "-- what the test programs recorded (program, user, command line)"
awk -F= '/^program=/{p=$2} /^user=/{u=$2} /^command_line=/{sub(/^command_line=/, ""); c=$0}
         /^end$/{print "  " p " as " u ": " c}' "$record"
echo "-- web pages handed to the browser"
sed 's/^/  /' "$shared/browser.log"
echo "-- screenshots"
ls -1 "$out/screens" | sed "s|^|  out/screens/|"
mv "$root" "$out/demo-root"
remove_desktop_user
flock -u 9
