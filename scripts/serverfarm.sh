#!/usr/bin/env bash
# The maker's download server and its mirrors on loopback, as private nginx instances on port 80:
# the download server on 127.0.0.1 serves the package description (also as ".cfg.test") and the
# version file; three mirrors on 127.0.0.2 to 127.0.0.4 serve the package under "/download/" and
# the load probe "/flag.php". Every wait is bounded; whatever was started is ended again.
#
# Sourced (end-to-end scripts, the demo):
#   farm_init <folder>                 served folders and instance state below <folder>
#   farm_publish <package> <description> [version text]
#                                      the description and package as they are to be served; an
#                                      empty version text leaves the version file out
#   farm_start_server | farm_start_mirrors   start an instance, wait until it answers
#   farm_stop_server  | farm_stop_mirrors    end it (also any instance that outlived its master)
#   farm_stop                          end everything started
#   farm_mirror_url <n>                the package address on mirror n (1 to 3)
# Run directly, it serves one package until interrupted:
#   scripts/serverfarm.sh <package> <description> [version text]
# The caller holds /tmp/kelto-port80.lock while the instances run (this file takes it when run
# directly).

FARM_PACKAGE_NAME=kelto-clipwave-converter-pro.exe
FARM_MIRRORS=(127.0.0.2 127.0.0.3 127.0.0.4)
FARM_WAIT_SECONDS=${FARM_WAIT_SECONDS:-15}

farm_mirror_url() {
    echo "http://${FARM_MIRRORS[$(($1 - 1))]}/download/$FARM_PACKAGE_NAME"
}

farm_init() {
    FARM_DIR=$1
    mkdir -p "$FARM_DIR/server/setup/converter_Pro_kelto" "$FARM_DIR/mirror/download" \
        "$FARM_DIR/state"
    # nginx's workers run as nobody: every served folder up to the root must be readable.
    chmod 755 "$FARM_DIR" "$FARM_DIR/server" "$FARM_DIR/server/setup" \
        "$FARM_DIR/server/setup/converter_Pro_kelto" "$FARM_DIR/mirror" "$FARM_DIR/mirror/download"
    local parent=$FARM_DIR
    while [ "$parent" != / ]; do
        parent=$(dirname "$parent")
        [ -x "$parent" ] || chmod o+x "$parent"
    done
}

farm_publish() {
    local package=$1 description=$2 version=${3:-}
    local served="$FARM_DIR/server/setup/converter_Pro_kelto"
    install -m 0644 "$description" "$served/kelto_clipwave_converter_pro.cfg"
    install -m 0644 "$description" "$served/kelto_clipwave_converter_pro.cfg.test"
    rm -f "$served/version_kelto_clipwave_converter_pro"
    [ -n "$version" ] && printf '%s' "$version" >"$served/version_kelto_clipwave_converter_pro"
    chmod -f 0644 "$served/version_kelto_clipwave_converter_pro" || true
    install -m 0644 "$package" "$FARM_DIR/mirror/download/$FARM_PACKAGE_NAME"
}

# _farm_conf <name> <root> <addresses...>: writes the instance's configuration.
_farm_conf() {
    local name=$1 root=$2
    shift 2
    local prefix="$FARM_DIR/state/$name"
    mkdir -p "$prefix/logs" "$prefix/temp"
    {
        echo "daemon off; master_process on; worker_processes 1; user nobody nogroup;"
        echo "pid $prefix/nginx.pid; error_log $prefix/logs/error.log warn;"
        echo "events { worker_connections 256; }"
        echo "http { access_log $prefix/logs/access.log; default_type application/octet-stream;"
        echo "  sendfile on; keepalive_timeout 5;"
        local kind
        for kind in client_body proxy fastcgi uwsgi scgi; do
            echo "  ${kind}_temp_path $prefix/temp/$kind;"
        done
        local address
        for address in "$@"; do
            echo "  server { listen $address:80; root $root;"
            echo "    location = /kelto-farm-token { return 200 \"$FARM_TOKEN-$name\"; }"
            echo "    location = /flag.php { default_type text/plain; return 200 \"11\"; } }"
        done
        echo "}"
    } >"$prefix/nginx.conf"
}

# _farm_start <name> <root> <addresses...>
_farm_start() {
    local name=$1 root=$2
    shift 2
    FARM_TOKEN=${FARM_TOKEN:-$$-$RANDOM}
    _farm_conf "$name" "$root" "$@"
    local prefix="$FARM_DIR/state/$name"
    # Its own process group, so that the master and its workers end together; the port lock's
    # descriptor stays with this script.
    setsid nginx -c "$prefix/nginx.conf" -p "$prefix/" 9>&- </dev/null >"$prefix/logs/stdout" 2>&1 &
    echo $! >"$prefix/master.pid"
    local address deadline=$((SECONDS + FARM_WAIT_SECONDS))
    for address in "$@"; do
        until [ "$(curl -s --max-time 1 "http://$address/kelto-farm-token" 2>/dev/null)" = \
            "$FARM_TOKEN-$name" ]; do
            if [ $SECONDS -ge $deadline ] || ! kill -0 "$(cat "$prefix/master.pid")" 2>/dev/null; then
                echo "serverfarm: $name did not answer on $address within ${FARM_WAIT_SECONDS}s" >&2
                cat "$prefix/logs/error.log" >&2 2>/dev/null
                _farm_stop "$name"
                return 1
            fi
            sleep 0.1
        done
    done
}

_farm_stop() {
    local name=$1 prefix="$FARM_DIR/state/$1"
    [ -f "$prefix/master.pid" ] || return 0
    local pid
    pid=$(cat "$prefix/master.pid")
    rm -f "$prefix/master.pid"
    kill -TERM -- "-$pid" 2>/dev/null || return 0
    local deadline=$((SECONDS + 5))
    while kill -0 -- "-$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
}

farm_start_server() { _farm_start server "$FARM_DIR/server" 127.0.0.1; }
farm_start_mirrors() { _farm_start mirrors "$FARM_DIR/mirror" "${FARM_MIRRORS[@]}"; }
farm_stop_server() { _farm_stop server; }
farm_stop_mirrors() { _farm_stop mirrors; }
farm_stop() {
    [ -n "${FARM_DIR:-}" ] || return 0
    _farm_stop mirrors
    _farm_stop server
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    [ $# -ge 2 ] || { sed -n '2,24p' "$0"; exit 2; }
    [ -n "${KELTO_PORT80_LOCKED:-}" ] ||
        exec env KELTO_PORT80_LOCKED=1 flock -w 900 /tmp/kelto-port80.lock "$0" "$@"
    work=$(mktemp -d)
    trap 'farm_stop; rm -rf "$work"' EXIT
    trap 'exit 130' INT TERM
    farm_init "$work"
    farm_publish "$1" "$2" "${3:-}"
    farm_start_server
    farm_start_mirrors
    echo "serving: http://127.0.0.1/setup/converter_Pro_kelto/kelto_clipwave_converter_pro.cfg"
    echo "mirrors: $(farm_mirror_url 1) $(farm_mirror_url 2) $(farm_mirror_url 3)"
    echo "press Ctrl-C to stop"
    while sleep 3600; do :; done
fi
