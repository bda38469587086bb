# Helpers of the installation runs (end-to-end tests and the demo): packages of the test product,
# a fresh emulated machine, a desktop user, a recording browser, and driving the setup window.
# Needs lib.sh and scripts/serverfarm.sh sourced first.

SETUP_TITLE="Kelto Clipwave Converter Pro Installer"
# Points on the setup window (window coordinates): the install button ("Click to Install", "Try
# Again"), the Finish button, the custom check box and the desktop-shortcut check box of the
# custom panel, the launch check boxes of the installed page, the path edit box.
POINT_INSTALL="311 371"
POINT_FINISH="457 371"
POINT_CUSTOM="541 372"
POINT_DESKTOP_BOX="51 511"
POINT_LAUNCH_CONVERTER="33 356"
POINT_LAUNCH_DOWNLOADER="33 386"
POINT_PATH_EDIT="300 473"

# make_product_package <test product> <kelto-pack> <out package> <32|64> <ini text> [options...]:
# a package of the test product whose description lists the farm's three mirrors.
make_product_package() {
    local program=$1 packer=$2 out=$3 edition=$4 ini=$5
    shift 5
    "$(dirname "${BASH_SOURCE[0]}")/../../tools/testproduct/make-test-package.sh" \
        "$program" "$packer" "$out" "$edition" "$ini" \
        --mirror "$(farm_mirror_url 1)" --mirror "$(farm_mirror_url 2)" \
        --mirror "$(farm_mirror_url 3)" "$@" >/dev/null
}

# A non-root desktop user for the launches and the browser; made when missing and removed again
# by remove_desktop_user when this script made it.
DESKTOP_USER=kelto-desk
ensure_desktop_user() {
    if ! id -u "$DESKTOP_USER" >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$DESKTOP_USER" || return 1
        DESKTOP_USER_MADE=1
    fi
    DESKTOP_UID=$(id -u "$DESKTOP_USER")
}
remove_desktop_user() {
    [ -n "${DESKTOP_USER_MADE:-}" ] && userdel "$DESKTOP_USER" 2>/dev/null
    DESKTOP_USER_MADE=
}

# new_machine <root folder> [extra platform.ini lines]: a fresh emulated machine whose Windows
# user is "tester" and whose desktop user is DESKTOP_UID.
new_machine() {
    local root=$1 extra=${2:-}
    rm -rf "$root"
    mkdir -p "$root"
    chmod 755 "$root"
    printf '[system]\nuser=tester\narchitecture=x64\ndesktop_user_uid=%s\n%s\n' \
        "$DESKTOP_UID" "$extra" >"$root/platform.ini"
}
machine_documents() { echo "$1/drive_c/Users/tester/Documents"; }
machine_log() { echo "$(machine_documents "$1")/Kelto Clipwave Converter Pro/Log/install.log"; }

# make_browser <folder>: a browser that records each address it is handed, and as whom, into
# <folder>/browser.log (the folder is writable for the desktop user). Prints the program path.
make_browser() {
    local folder=$1
    mkdir -p "$folder"
    chmod 1777 "$folder"
    cat >"$folder/browser.sh" <<SCRIPT
#!/bin/sh
printf 'user=%s address=%s\n' "\$(id -un)" "\$1" >>"$folder/browser.log"
SCRIPT
    chmod 755 "$folder/browser.sh"
    echo "$folder/browser.sh"
}

# wait_log <log file> <text> <seconds> [first line]: waits until a line of the log (from the
# first line on, default 1) contains the text.
wait_log() {
    local log=$1 text=$2 seconds=$3 from=${4:-1} i
    for i in $(seq 1 $((seconds * 10))); do
        [ -f "$log" ] && tail -n +"$from" "$log" | grep -qF -- "$text" && return 0
        sleep 0.1
    done
    return 1
}

# log_messages <log file> [first line]: the log's messages (from the first line on, default 1)
# without time stamps and CR.
log_messages() {
    tail -n +"${2:-1}" "$1" | tr -d '\r' | sed -E 's/^[0-9]{2,}:[0-9]{2}:[0-9]{2} : //'
}

# describe_package <package> <description>: writes the description of a package changed after
# kelto-pack made it (size, the farm's mirrors, whole and per-MiB MD5 digests in upper case).
describe_package() {
    local package=$1 description=$2 size blocks n
    size=$(stat -c %s "$package")
    blocks=$(((size + 1048575) / 1048576))
    {
        echo '<?xml version="1.0" encoding="utf-8"?>'
        echo "<download version=\"1\" size=\"$size\">"
        echo '	<url size="3">'
        for n in 1 2 3; do
            echo "		<item_$((n - 1)) value=\"$(farm_mirror_url $n)\"/>"
        done
        echo '	</url>'
        echo "	<hash size=\"$((blocks + 1))\">"
        echo "		<item_0 value=\"$(md5sum <"$package" | cut -c1-32 | tr a-f A-F)\"/>"
        for n in $(seq 0 $((blocks - 1))); do
            echo "		<item_$((n + 1)) value=\"$(dd if="$package" bs=1048576 skip="$n" count=1 \
                2>/dev/null | md5sum | cut -c1-32 | tr a-f A-F)\"/>"
        done
        echo '	</hash>'
        echo '</download>'
    } >"$description"
}

# overwrite_bytes <file> <offset> <text>: replaces bytes in place.
overwrite_bytes() {
    printf '%s' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# header_offset <kelto-pack> <package>: where the package's header starts.
header_offset() {
    "$1" inspect "$2" | sed -n 's/^header offset H: \([0-9]*\)$/\1/p'
}

# archive_span <kelto-pack> <package>: the archive's offset and size inside the package.
archive_span() {
    "$1" inspect "$2" | sed -n 's/^archive: offset \([0-9]*\), size \([0-9]*\)$/\1 \2/p'
}

# registry_section <hive file> <key path below HKLM>: the value lines of one key.
registry_section() {
    [ -f "$1" ] || return 0
    awk -v key="[$2]" '$0 == key {on = 1; next} /^\[/ {on = 0} on && NF' "$1"
}

# registry_value <hive file> <key path> <value name>: "sz:<text>" or "dword:<hex>".
registry_value() {
    registry_section "$1" "$2" | awk -v name="\"$3\"" '
        index($0, name "=") == 1 {
            v = substr($0, length(name) + 2)
            if (v ~ /^sz:/) { sub(/^sz:[0-9]+:"/, "", v); sub(/\\0"$/, "", v); gsub(/\\\\/, "\\", v); gsub(/\\"/, "\"", v); print "sz:" v }
            else print v
        }'
}

# value_names_and_types <hive file> <key path>: "name:type" per value, in stored order.
value_names_and_types() {
    registry_section "$1" "$2" | sed -E 's/^"([^"]*)"=([a-z]+).*/\1:\2/'
}

# expect_in_order <file> <line>...: true when the lines occur in the file in this order (each
# a whole message); names the first one missing.
expect_in_order() {
    local file=$1 from=1 line found
    shift
    for line in "$@"; do
        found=$(tail -n +"$from" "$file" | grep -nxF -- "$line" | head -n1 | cut -d: -f1)
        if [ -z "$found" ]; then
            echo "missing after line $from: \"$line\""
            return 1
        fi
        from=$((from + found))
    done
}
