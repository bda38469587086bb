#!/usr/bin/env bash
# Installations end to end: the real installer under Xvfb, driven with xdotool, against the real
# download server and mirrors (nginx on loopback, port 80), with packages that kelto-pack makes
# from the test product. Each case checks the install log, the installed files, the registry, the
# shortcuts, what the test programs recorded and the pages handed to the browser; every page the
# window passed is saved as a PNG in <screens folder>.
#
#   install_test.sh <kelto-setup> <kelto-e2e-grab> <kelto-e2e-links> <kelto-testproduct>
#                   <kelto-pack> <screens folder> [case...]
set -uo pipefail
[ -n "${KELTO_PORT80_LOCKED:-}" ] ||
    exec env KELTO_PORT80_LOCKED=1 flock -w 1800 /tmp/kelto-port80.lock bash "$0" "$@"
exe=$1 grab=$2 links=$3 testproduct=$4 packer=$5 screens=$6
shift 6
only=" $* "
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
source "$here/../../scripts/serverfarm.sh"
source "$here/install_lib.sh"

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    [ -n "${SETUP_PID:-}" ] && kill -KILL "$SETUP_PID" 2>/dev/null
    farm_stop
    stop_xvfb
    remove_desktop_user
    if [ -n "${KELTO_E2E_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$screens"
ensure_desktop_user || { echo "no desktop user"; exit 1; }
farm_init "$work/farm"
start_xvfb "$work" || exit 1
shared="$work/shared"
browser=$(make_browser "$shared")

failures=0
fail() {
    echo "FAIL $CASE: $*"
    failures=$((failures + 1))
}
check() { # <description> <command...>
    local what=$1
    shift
    "$@" >"$work/check.out" 2>&1 || {
        fail "$what"
        sed 's/^/    /' "$work/check.out" | head -20
    }
}
wants() { [ "$only" = "  " ] || [[ "$only" == *" $1 "* ]]; }

# The packages (made once): the record file and the pages are shared with the desktop user.
record="$shared/record.txt"
ini="record=$record"
pack() { make_product_package "$testproduct" "$packer" "$@"; }
pack "$work/p32.exe" 32 "$ini" --root-name "Kelto Clipwave Converter"
pack "$work/p64.exe" 64 "$ini" --root-name "Kelto Clipwave Converter"

PROGRAMS32='C:\Program Files (x86)\Kelto'
UNINSTALL='SOFTWARE\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall'

# start_setup <root> [environment...]: starts the installer on a machine and waits for its window.
start_setup() {
    local root=$1
    shift
    LOG=$(machine_log "$root")
    # The log is appended per run: this run's lines start after the present ones.
    LOG_FROM=$(($( [ -f "$LOG" ] && wc -l <"$LOG" || echo 0) + 1))
    : >"$record"
    chmod 666 "$record"
    : >"$shared/browser.log"
    chmod 666 "$shared/browser.log"
    env KELTO_ROOT="$root" BROWSER="$browser" ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
        "$@" "$exe" >"$work/$CASE.out" 2>&1 &
    SETUP_PID=$!
    WINDOW=$(wait_for_window "$SETUP_TITLE" 40) || {
        fail "no setup window"
        cat "$work/$CASE.out"
        return 1
    }
    SHOT=0
    wait_log "$LOG" "Read Setup Cfg Flag" 20 "$LOG_FROM"
    sleep 0.5
}
screen() { # <name>
    SHOT=$((SHOT + 1))
    "$grab" "$WINDOW" "$screens/$CASE-$SHOT-$1.png" || fail "no screenshot $1"
}
# finish_setup <expected exit>: waits for the installer to end.
end_setup() {
    wait_pid "$SETUP_PID" 30
    local code=$?
    SETUP_PID=
    [ "$code" -eq 0 ] || fail "exit code $code"
    wait_log "$LOG" "Exit app." 5 "$LOG_FROM" || fail "no \"Exit app.\""
    log_messages "$LOG" "$LOG_FROM" >"$work/$CASE.log"
}
close_window() {
    click "$WINDOW" 608 10
    end_setup
}
messages() { log_messages "$LOG" "$LOG_FROM" >"$work/$CASE.log"; }
# Records of the test programs: "<program>|<user>|<command line>" per start.
records() {
    awk -F= '/^program=/{p=$2} /^user=/{u=$2} /^command_line=/{sub(/^command_line=/, ""); c=$0}
             /^end$/{print p "|" u "|" c}' "$record"
}
hand_over_re='/install /add_plan /ID:[0-9a-f]{32} /new  /time:[0-9]+ $'

install_and_wait() { # <seconds>
    click "$WINDOW" $POINT_INSTALL
    wait_log "$LOG" "Url : " 20 "$LOG_FROM" || fail "the download did not start"
    screen installing
    wait_log "$LOG" "Finish(AfterInstall)" "$1" "$LOG_FROM" || { fail "no \"Finish(AfterInstall)\""; messages; tail -30 "$work/$CASE.log"; return 1; }
    sleep 0.5
    screen installed
}

# ---- a first installation, then again into the same folder and into another one ----
if wants first; then
    CASE=first
    root="$work/m-first"
    new_machine "$root"
    farm_publish "$work/p32.exe" "$work/p32.exe.cfg" 1.0.0.123
    farm_start_server && farm_start_mirrors
    start_setup "$root" && {
        screen ready
        install_and_wait 90
        messages
        check "log order" expect_in_order "$work/$CASE.log" \
            "OnBtnInstall(OnInstall)" \
            "Url : http://127.0.0.1/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg" \
            "Download Finish Result : succeed(5)." "Begin install..." \
            'Do Install File : C:\Users\tester\Downloads\Kelto Clipwave Converter\KeltoClipwaveConverter_x86(1.0.0.12).exe' \
            "Install Path : $PROGRAMS32\\" "Begin IsNewInstall : bHasOldVersion (0)" \
            "Don't find install path for old version." "Begin depack file." \
            "Begin delete file.($PROGRAMS32\\)" "End delete file." "Install File Result 0" \
            "Create Icons for x86" "Create DESKTOP Icons Finish." "Create START_MENU Icons Finish." \
            "Create DESKTOP Icons Finish." "Create START_MENU Icons Finish." \
            "Create COMMON_MENU Icons Finish." "Refresh Icons Finish." \
            "ShowFinishWebPage bHasOldVersion(0), bNewFlag(1), g_updateOldVersion(0)" \
            "New flag : New New New, OldVersion : FALSE" "ShowFinishWebPage : bNewFlag." \
            "New : 1, Has old version : 0, MiniMode : 0" "Run MainExe.exe /install" \
            "Run MainExe.exe /install" "UpdateCtrlStatus(AfterInstall)" \
            "Write Setup Cfg Flag : 3, root(Kelto Clipwave Converter), key(cfg_flag)." \
            "Write Setup Cfg Flag : 3, root(Kelto Clipwave Downloader), key(cfg_flag)." \
            "Finish(AfterInstall)"
        # The programs end at once; the first poll or one of the next few finds them gone.
        check "both hand-overs awaited" test "$(grep -cE \
            '^Run main exe install : ExitCode\(0\), nWaitCount\((9[0-9]|100)\)\.$' "$work/$CASE.log")" -eq 2
        drive="$root/drive_c"
        downloads="$drive/Users/tester/Downloads/Kelto Clipwave Converter"
        check "package kept, description deleted" test -f \
            "$downloads/KeltoClipwaveConverter_x86(1.0.0.12).exe" -a ! -e \
            "$downloads/KeltoClipwaveConverter_x86(1.0.0.12).exe.cfg"
        for f in "Kelto Clipwave Converter/Kelto Clipwave Converter.exe" \
            "Kelto Clipwave Converter/uninstall.exe" "Kelto Clipwave Downloader/Kelto Clipwave Downloader.exe" \
            "Kelto Clipwave Downloader/uninstall.exe" "uninstall.exe"; do
            check "installed $f" cmp "$drive/Program Files (x86)/Kelto/$f" "$testproduct"
        done
        hive="$root/registry/HKLM.reg"
        expected_types="DisplayIcon:sz Version:sz DisplayVersion:sz DisplayName:sz EstimatedSize:dword HelpLink:sz InstallDate:sz InstallLocation:sz NoModify:dword NoRepair:dword Publisher:sz QuietUninstallString:sz sEstimatedSize2:dword UninstallString:sz URLInfoAbout:sz URLUpdateInfo:sz cfg_flag:dword"
        for program in Converter Downloader; do
            key="$UNINSTALL\\Kelto Clipwave $program"
            check "17 values of $program" test "$(value_names_and_types "$hive" "$key" | tr '\n' ' ')" = "$expected_types "
            check "InstallLocation of $program" test "$(registry_value "$hive" "$key" InstallLocation)" = \
                "sz:$PROGRAMS32\\Kelto Clipwave $program"
            check "DisplayName of $program" test "$(registry_value "$hive" "$key" DisplayName)" = \
                "sz:Kelto Clipwave $program (2021-03-09)"
            check "cfg_flag of $program" test "$(registry_value "$hive" "$key" cfg_flag)" = "dword:00000003"
        done
        find "$drive" -name '*.lnk' -print0 | xargs -0 -r "$links" >"$work/links.txt"
        check "7 + 7 shortcuts" test "$(wc -l <"$work/links.txt")" -eq 14
        check "desktop shortcut target" grep -qF \
            "Desktop/Kelto Clipwave Converter.lnk|$PROGRAMS32\\Kelto Clipwave Converter\\Kelto Clipwave Converter.exe|" "$work/links.txt"
        check "common menu uninstaller" grep -qF \
            "ProgramData/Microsoft/Windows/Start Menu/Programs/Kelto Clipwave Downloader/Uninstall Kelto Clipwave Converter Pro.lnk|$PROGRAMS32\\Kelto Clipwave Downloader\\uninstall.exe|" "$work/links.txt"
        records >"$work/records.txt"
        check "two hand-overs as root" test "$(grep -cE "^Kelto Clipwave (Converter|Downloader)\.exe\|root\|.*$hand_over_re" "$work/records.txt")" -eq 2
        id1=$(grep -oE '/ID:[0-9a-f]{32}' "$work/records.txt" | sort -u | wc -l)
        check "one identifier for both" test "$id1" -eq 1
        check "welcome page for the desktop user" grep -qxF \
            "user=$DESKTOP_USER address=https://www.kelto.example/?install=converter_pro&source=channel.kelto.example&status=install_complete" \
            "$shared/browser.log"
        click "$WINDOW" $POINT_FINISH
        end_setup
        records >"$work/records.txt"
        check "Finish started both as the desktop user" test "$(grep -cE "^Kelto Clipwave (Converter|Downloader)\.exe\|$DESKTOP_USER\|\".*\"  --installmode$" "$work/records.txt")" -eq 2
        check "Exit app. last" test "$(tail -n1 "$work/$CASE.log")" = "Exit app."
        check "finish lines" expect_in_order "$work/$CASE.log" "OnBtnInstall(AfterInstall)" \
            "Run Converter!!! $PROGRAMS32\\Kelto Clipwave Converter\\Kelto Clipwave Converter.exe" \
            "Run Downloader!!! $PROGRAMS32\\Kelto Clipwave Downloader\\Kelto Clipwave Downloader.exe" \
            "Finish and Close Setup!" "Exit app."
    }

    # Again into the same folder: the uninstaller is there, the package is complete on disk.
    CASE=same-folder
    start_setup "$root" && {
        install_and_wait 90
        messages
        check "not new, reused" expect_in_order "$work/$CASE.log" "Begin IsNewInstall : bHasOldVersion (1)" \
            "IsNewInstall : bHasOldVersion(1)." \
            "ShowFinishWebPage bHasOldVersion(1), bNewFlag(0), g_updateOldVersion(0)" "Finish(AfterInstall)"
        records >"$work/records.txt"
        check "hand-over without /new, time 1" test "$(grep -cE '\|root\|.*/install /add_plan /ID:[0-9a-f]{32} /time:1 $' "$work/records.txt")" -eq 2
        check "no page" test ! -s "$shared/browser.log"
        close_window
    }

    # Into another folder, desktop box cleared: an update found through InstallLocation.
    CASE=other-folder
    start_setup "$root" && {
        click "$WINDOW" $POINT_CUSTOM
        wait_until 5 bash -c "xdotool getwindowgeometry $WINDOW | grep -q 'Geometry: 622x580'" ||
            fail "Custom did not open the panel"
        click "$WINDOW" $POINT_DESKTOP_BOX
        click "$WINDOW" $POINT_PATH_EDIT
        xdotool key --window "$WINDOW" ctrl+a BackSpace
        xdotool type --window "$WINDOW" --delay 20 'C:\Apps\Kelto'
        sleep 0.3
        screen custom
        install_and_wait 90
        messages
        check "update" expect_in_order "$work/$CASE.log" 'Install Path : C:\Apps\Kelto' \
            "Begin IsNewInstall : bHasOldVersion (0)" \
            "Find install path: ($PROGRAMS32\\Kelto Clipwave Converter)" "IsNewInstall : bHasOldVersion(0)." \
            "ShowFinishWebPage bHasOldVersion(0), bNewFlag(0), g_updateOldVersion(1)" \
            "New flag : friend, OldVersion : TRUE" "Finish(AfterInstall)"
        check "no desktop shortcut" bash -c "! grep -q 'Create DESKTOP Icons Finish.' '$work/$CASE.log'"
        find "$root/drive_c" -name '*.lnk' -print0 | xargs -0 -r "$links" >"$work/links.txt"
        # The menus' 6 + 6 now lead into the new folder (programs, uninstallers) or to the home
        # pages; the desktop keeps the first installation's two.
        check "6 + 6 shortcuts to the new folder" test "$(grep -v '/Desktop/' "$work/links.txt" |
            grep -c -e '|C:\\Apps\\Kelto\\Kelto Clipwave [A-Za-z]*\\[a-zA-Z .]*exe|' -e '|https://')" -eq 12
        check "cfg_flag 2" test "$(registry_value "$root/registry/HKLM.reg" "$UNINSTALL\\Kelto Clipwave Converter" cfg_flag)" = "dword:00000002"
        check "no page" test ! -s "$shared/browser.log"
        close_window
    }
    farm_stop
fi

# ---- mirrors down, then Try Again; no version file; test mode; a folder holding foreign files ----
if wants retry; then
    CASE=retry
    root="$work/m-retry"
    new_machine "$root"
    foreign="$root/drive_c/Program Files (x86)/Kelto"
    mkdir -p "$foreign"
    echo "my notes" >"$foreign/notes.txt"
    # Test mode: the description is fetched with ".test" appended.
    mkdir -p "$(machine_documents "$root")"
    printf '[root]\r\nsetup_test_mode=1\r\n' >"$(machine_documents "$root")/QorDebugConfig.ini"
    farm_publish "$work/p32.exe" "$work/p32.exe.cfg" ""
    farm_start_server
    start_setup "$root" && {
        click "$WINDOW" $POINT_INSTALL
        wait_log "$LOG" "Download Failed. Show retry." 120 "$LOG_FROM" || fail "no failed download"
        sleep 0.5
        screen failed
        messages
        check "failed outcome" grep -qE '^Download Finish Result : failed\([0-9]+\)\.$' "$work/$CASE.log"
        farm_start_mirrors
        install_and_wait 120
        messages
        check "test mode description" grep -qxF \
            "Url : http://127.0.0.1/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg.test" "$work/$CASE.log"
        check "package named without version" grep -qxF \
            'Do Install File : C:\Users\tester\Downloads\Kelto Clipwave Converter\KeltoClipwaveConverter_x86.exe' "$work/$CASE.log"
        check "wipe refused" grep -qF "DeleteTree refused ($PROGRAMS32\\)" "$work/$CASE.log"
        check "foreign file kept" grep -qx "my notes" "$foreign/notes.txt"
        check "installed beside it" test -f "$foreign/Kelto Clipwave Converter/Kelto Clipwave Converter.exe"
        close_window
    }
    farm_stop
fi

# ---- an archive beyond the file's end, an archive the engine cannot read, a header that cannot
# be read ----
if wants badpackage; then
    for variant in archive engine header; do
        CASE=bad-$variant
        root="$work/m-$CASE"
        new_machine "$root"
        cp "$work/p32.exe" "$work/bad.exe"
        if [ "$variant" = archive ]; then
            # The header names an archive reaching beyond the end of the file.
            overwrite_bytes "$work/bad.exe" "$(($(header_offset "$packer" "$work/bad.exe") + 20))" \
                $'\xff\xff\xff\x7f'
        elif [ "$variant" = engine ]; then
            # The container is sound; the archive's packed data is damaged in its middle.
            read -r archive_offset archive_size < <(archive_span "$packer" "$work/bad.exe")
            overwrite_bytes "$work/bad.exe" "$((archive_offset + archive_size / 2))" \
                "$(printf '%0256d' 0)"
        else
            overwrite_bytes "$work/bad.exe" 32 $'\xff\xff\xff\x7f'
        fi
        describe_package "$work/bad.exe" "$work/bad.exe.cfg"
        farm_publish "$work/bad.exe" "$work/bad.exe.cfg" 1.0.0.123
        farm_start_server && farm_start_mirrors
        start_setup "$root" && {
            click "$WINDOW" $POINT_INSTALL
            # The unpacker reports the failure before it returns: the native box holds the
            # sequence until it is answered.
            if box=$(wait_for_window "ERROR" 90); then
                "$grab" "$box" "$screens/$CASE-box.png" || fail "no screenshot of the box"
                check "the box belongs to the setup window" bash -c \
                    "xprop -id $box WM_TRANSIENT_FOR | grep -q '# $(printf '0x%x' "$WINDOW")\$'"
                # GTK takes no synthetic key events: focus the box and press through XTEST.
                xdotool windowfocus --sync "$box"
                xdotool key Return
                wait_until 10 bash -c "! xdotool getwindowname $box" || fail "the box did not close"
            else
                fail "no native \"Install Failed!\" box"
            fi
            wait_log "$LOG" "Install File Result 80004005" 10 "$LOG_FROM" || fail "no failed unpack"
            status=$([ "$variant" = engine ] && echo 4 || echo 2)
            wait_log "$LOG" "Install File FAILED error code = 80004005, last error = $status." 30 \
                "$LOG_FROM" || fail "no failure line"
            screen installed-without-finish
            messages
            [ "$variant" = engine ] && check "the engine's failure logged" grep -qxF \
                "Failed unpack file." "$work/$CASE.log"
            [ "$variant" = header ] && check "record kept (empty root name)" grep -qxF \
                "Install Path : $PROGRAMS32\\" "$work/$CASE.log"
            check "no shortcut" test -z "$(find "$root/drive_c" -name '*.lnk')"
            # The lookups of the earlier installation may leave the root key, empty.
            check "nothing registered" test -z "$(value_names_and_types "$root/registry/HKLM.reg" \
                "$UNINSTALL\\Kelto Clipwave Converter")$(value_names_and_types \
                "$root/registry/HKLM.reg" "$UNINSTALL\\Kelto Clipwave Downloader")"
            check "no hand-over" test ! -s "$record"
            check "no Finish line" bash -c "! grep -q 'Finish(AfterInstall)' '$work/$CASE.log'"
            close_window
        }
        farm_stop
    done
fi

# ---- the 64-bit edition, with programs that never end ----
if wants x64; then
    CASE=x64
    root="$work/m-x64"
    new_machine "$root"
    farm_publish "$work/p64.exe" "$work/p64.exe.cfg" 1.0.0.123
    farm_start_server && farm_start_mirrors
    start_setup "$root" KELTO_TESTPRODUCT_SLEEP_MS=120000 && {
        install_and_wait 150
        messages
        check "x64 lines" expect_in_order "$work/$CASE.log" "Create Icons for x64" \
            "Run main exe install : ExitCode(0), nWaitCount(-2)." \
            "Run main exe install : ExitCode(0), nWaitCount(-2)." \
            "Write Setup Cfg Flag : 3, root(Kelto Clipwave Converter (x64)), key(cfg_flag)." \
            "Write Setup Cfg Flag : 3, root(Kelto Clipwave Downloader(x64)), key(cfg_flag)." \
            "Finish(AfterInstall)"
        check "64-bit programs installed" test -f \
            "$root/drive_c/Program Files (x86)/Kelto/Kelto Clipwave Converter/Kelto Clipwave Converter64.exe"
        hive="$root/registry/HKLM.reg"
        check "(x64) keys" test "$(value_names_and_types "$hive" "$UNINSTALL\\Kelto Clipwave Converter (x64)" | wc -l)" -eq 17 -a \
            "$(value_names_and_types "$hive" "$UNINSTALL\\Kelto Clipwave Downloader(x64)" | wc -l)" -eq 17
        check "(x64) shortcuts" test -f "$root/drive_c/Users/tester/Desktop/Kelto Clipwave Downloader (x64).lnk"
        records >"$work/records.txt"
        for pid in $(sed -n 's/^pid=//p' "$record"); do
            check "terminated hand-over $pid" test ! -e "/proc/$pid"
        done
        click "$WINDOW" $POINT_FINISH
        end_setup
        check "64-bit programs started" expect_in_order "$work/$CASE.log" \
            "Run Converter!!! $PROGRAMS32\\Kelto Clipwave Converter\\Kelto Clipwave Converter64.exe" \
            "Run Downloader!!! $PROGRAMS32\\Kelto Clipwave Downloader\\Kelto Clipwave Downloader64.exe"
    }
    farm_stop
fi

# ---- a package without the downloader's program ----
if wants missing; then
    CASE=missing
    root="$work/m-missing"
    new_machine "$root"
    stage="$work/stage-missing"
    rm -rf "$stage"
    mkdir -p "$stage/Kelto Clipwave Converter" "$stage/Kelto Clipwave Downloader"
    install -m 0755 "$testproduct" "$stage/Kelto Clipwave Converter/Kelto Clipwave Converter.exe"
    install -m 0755 "$testproduct" "$stage/Kelto Clipwave Converter/uninstall.exe"
    install -m 0755 "$testproduct" "$stage/Kelto Clipwave Downloader/uninstall.exe"
    printf '%s\n' "$ini" >"$stage/Kelto Clipwave Converter/testproduct.ini"
    "$packer" build --from "$stage" --out "$work/missing.exe" --root-name "Kelto Clipwave Converter" \
        --version 1.0.0.123 --release-date 2021-03-09 --mirror "$(farm_mirror_url 1)" \
        --mirror "$(farm_mirror_url 2)" --mirror "$(farm_mirror_url 3)" >/dev/null
    farm_publish "$work/missing.exe" "$work/missing.exe.cfg" 1.0.0.123
    farm_start_server && farm_start_mirrors
    start_setup "$root" && {
        install_and_wait 90
        messages
        check "missing program logged, the sequence goes on" expect_in_order "$work/$CASE.log" \
            "Run MainExe.exe /install" "Run MainExe.exe /install" "Run exe failed. main exe con't found" "." \
            "UpdateCtrlStatus(AfterInstall)" "Finish(AfterInstall)"
        records >"$work/records.txt"
        check "one hand-over" test "$(wc -l <"$work/records.txt")" -eq 1
        close_window
    }
    farm_stop
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all installation cases passed (screens in $screens)"
