#!/usr/bin/env bash
# Download benchmark: one 256 MiB package from three nginx mirrors on loopback, fetched by
# kelto-fetch (the engine), by aria2c (a Metalink with the whole MD5 and 1 MiB piece MD5s, two
# connections per mirror) and by one curl transfer. Two workloads: all mirrors at full speed, and
# one mirror throttled to a tenth of the others' rate. Prints wall time, CPU time and peak memory
# of each, and the ratios to kelto-fetch. Needs root (port 80, ICMP) and a built kelto-fetch.
# Not part of the test pass.
#
#   bench/download/run.sh [build-folder]      (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
fetch=$build/tools/kelto-fetch/kelto-fetch
size_mib=${KELTO_BENCH_MIB:-256}
runs=${KELTO_BENCH_RUNS:-3}
[ -x "$fetch" ] || { echo "build kelto-fetch first: cmake --build build --target kelto-fetch"; exit 1; }
command -v aria2c >/dev/null || { echo "aria2c missing (scripts/install-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/kelto-bench-XXXXXX)
chmod 755 "$work"
nginx_pid=
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

served=$work/served
mkdir -p "$served/download" "$served/setup" "$work/out" "$work/logs" "$work/temp"
chmod -R 755 "$served"
package=$served/download/pkg.exe
head -c $((size_mib * 1048576)) /dev/urandom >"$package"
chmod 644 "$package"
size=$(stat -c %s "$package")

# Digests: the whole package and every 1 MiB block, upper case for the description.
whole=$(md5sum "$package" | cut -d' ' -f1)
mapfile -t blocks < <(python3 - "$package" <<'PY'
import hashlib, sys
with open(sys.argv[1], 'rb') as f:
    while True:
        block = f.read(1048576)
        if not block:
            break
        print(hashlib.md5(block).hexdigest())
PY
)
mirrors=(127.0.0.2 127.0.0.3 127.0.0.4)
{
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo "<download version=\"1\" size=\"$size\"><url size=\"${#mirrors[@]}\">"
    i=0
    for m in "${mirrors[@]}"; do
        echo "<item_$i value=\"http://$m/download/pkg.exe\"/>"
        i=$((i + 1))
    done
    echo "</url><hash size=\"$((${#blocks[@]} + 1))\"><item_0 value=\"${whole^^}\"/>"
    i=1
    for b in "${blocks[@]}"; do
        echo "<item_$i value=\"${b^^}\"/>"
        i=$((i + 1))
    done
    echo "</hash></download>"
} >"$served/setup/pkg.cfg"
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<metalink xmlns="urn:ietf:params:xml:ns:metalink"><file name="a.exe">'
    echo "<size>$size</size><hash type=\"md5\">$whole</hash><pieces length=\"1048576\" type=\"md5\">"
    for b in "${blocks[@]}"; do echo "<hash>$b</hash>"; done
    echo "</pieces>"
    for m in "${mirrors[@]}"; do echo "<url>http://$m/download/pkg.exe</url>"; done
    echo "</file></metalink>"
} >"$work/pkg.meta4"
chmod -R a+r "$served"

start_nginx() { # <limit of the last mirror, "" for none>
    [ -n "$nginx_pid" ] && kill "$nginx_pid" && wait "$nginx_pid" 2>/dev/null || true
    local conf=$work/nginx.conf
    {
        echo "daemon off; worker_processes 2; user nobody nogroup; pid $work/nginx.pid;"
        echo "error_log $work/logs/error.log warn; events { worker_connections 512; }"
        echo "http { access_log off; default_type application/octet-stream; sendfile on;"
        echo "  client_body_temp_path $work/temp/b; proxy_temp_path $work/temp/p;"
        echo "  fastcgi_temp_path $work/temp/f; uwsgi_temp_path $work/temp/u; scgi_temp_path $work/temp/s;"
        echo "  server { listen 127.0.0.1:80; root $served; }"
        for m in "${mirrors[@]}"; do
            local limit=""
            [ "$m" = "${mirrors[2]}" ] && [ -n "$1" ] && limit="limit_rate $1;"
            [ "$m" != "${mirrors[2]}" ] && [ -n "$1" ] && limit="limit_rate $2;"
            echo "  server { listen $m:80; root $served; $limit"
            echo "    location = /flag.php { default_type text/plain; return 200 \"11\"; } }"
        done
        echo "}"
    } >"$conf"
    nginx -c "$conf" -p "$work/" &
    nginx_pid=$!
    for _ in $(seq 100); do
        curl -s -o /dev/null "http://${mirrors[2]}/flag.php" && return 0
        sleep 0.05
    done
    echo "nginx did not start"; cat "$work/logs/error.log"; exit 1
}

measure() { # <name> <command...>: one line "name wall cpu rss ok"
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
name, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{name} {wall:.3f} {usage.ru_utime + usage.ru_stime:.3f} {usage.ru_maxrss / 1024:.1f} {result.returncode}")
PY
}

verify() { # <file>
    [ "$(md5sum "$1" | cut -d' ' -f1)" = "$whole" ] || { echo "WRONG BYTES in $1"; exit 1; }
    rm -f "$1"
}

workload() { # <title> <limit of the throttled mirror> <limit of the others>
    echo "== $1"
    start_nginx "$2" "$3"
    local results=$work/results.txt
    : >"$results"
    for run in $(seq "$runs"); do
        measure kelto-fetch "$fetch" "http://127.0.0.1/setup/pkg.cfg" "$work/out/k.exe" >>"$results"
        verify "$work/out/k.exe"
        measure aria2c aria2c -q --allow-overwrite=true --file-allocation=none \
            --max-connection-per-server=2 --split=6 --min-split-size=1M \
            --dir="$work/out" --metalink-file="$work/pkg.meta4" >>"$results"
        verify "$work/out/a.exe"
        measure curl curl -s -o "$work/out/c.exe" "http://${mirrors[0]}/download/pkg.exe" >>"$results"
        verify "$work/out/c.exe"
    done
    python3 - "$results" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    name, wall, cpu, rss, rc = line.split()
    if rc != "0":
        print(f"{name} FAILED (exit {rc})")
    rows.setdefault(name, []).append((float(wall), float(cpu), float(rss)))
med = {n: tuple(statistics.median(v[i] for v in r) for i in range(3)) for n, r in rows.items()}
k = med["kelto-fetch"]
print(f"{'tool':12} {'wall s':>8} {'cpu s':>8} {'peak MiB':>9} {'wall/kelto':>11} {'cpu/kelto':>10}")
for name in ("kelto-fetch", "aria2c", "curl"):
    w, c, r = med[name]
    print(f"{name:12} {w:8.2f} {c:8.2f} {r:9.1f} {w / k[0]:11.2f} {c / k[1]:10.2f}")
PY
}

if [ -n "${KELTO_BENCH_TRACE:-}" ]; then # one traced engine run, then stop
    start_nginx "" ""
    ${KELTO_BENCH_TRACE_TOOL:-} "$fetch" -v "http://127.0.0.1/setup/pkg.cfg" "$work/out/k.exe" 2>&1 |
        grep -v "Download_Segment\|CheckFinish"
    exit 0
fi
echo "package: $size bytes, three mirrors, median of $runs runs"
workload "all mirrors at full speed" "" ""
workload "one mirror throttled to a tenth (20 MB/s against 200 MB/s per connection)" 20m 200m
