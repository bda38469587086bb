#!/usr/bin/env bash
# Download benchmark: packages of 64, 128 and 256 MiB from three nginx mirrors on loopback,
# fetched by kelto-fetch (the engine), by aria2c (a Metalink with the whole MD5 and 1 MiB piece
# MD5s, two connections per mirror) and by one curl stream, in interleaved runs. The package
# folder lies on a RAM disk (/dev/shm) and on the disk (/tmp); all mirrors at full speed, and
# one mirror throttled to a tenth of the others' rate. Prints, per case, the median wall time of
# each tool, the median of the per-run ratios kelto-fetch / aria2c and kelto-fetch / curl, the
# peak memory of each, and the verification's cost against the MD5 limit: the processor time
# kelto-fetch spent digesting (summed over its threads) divided by the processor time of one MD5
# over the same bytes (Python's hashlib, which is OpenSSL's MD5, on the bytes in memory),
# measured in the same run. Needs root (port 80, ICMP)
# and a built kelto-fetch. Not part of the test pass. It binds port 80 on loopback: it takes
# the lock file KELTO_BENCH_LOCK (default /tmp/kelto-port80.lock) once the packages are made
# and holds it only for the runs. The load average is printed beside each case, since the
# machine may be shared.
#
#   bench/download/run.sh [build-folder]      (default: build)
#   KELTO_BENCH_SIZES="64 128 256" KELTO_BENCH_RUNS=5 KELTO_BENCH_PLACES="ram disk"
#   KELTO_BENCH_WORKLOADS="healthy slow"
#   KELTO_BENCH_OTHER=<another kelto-fetch>: run it too, interleaved, and print its median wall
#   time against this one's (to weigh a change of the engine);
#   KELTO_BENCH_TRACE=<MiB>: one verbose kelto-fetch run (healthy, RAM disk), then stop;
#   KELTO_BENCH_TRACE_WORKLOAD=slow: that run with the slow mirror;
#   KELTO_BENCH_TRACE_TOOL="perf record -g -o /tmp/k.data" runs it under a profiler;
#   KELTO_BENCH_TRACE_HIDE=<grep pattern> of the lines it leaves out ("" shows every line).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
fetch=$build/tools/kelto-fetch/kelto-fetch
sizes=${KELTO_BENCH_SIZES:-64 128 256}
runs=${KELTO_BENCH_RUNS:-5}
places=${KELTO_BENCH_PLACES:-ram disk}
workloads=${KELTO_BENCH_WORKLOADS:-healthy slow}
[ -x "$fetch" ] || { echo "build kelto-fetch first: cmake --build build --target kelto-fetch"; exit 1; }
command -v aria2c >/dev/null || { echo "aria2c missing (scripts/install-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/kelto-bench-XXXXXX)
ram=$(mktemp -d /dev/shm/kelto-bench-XXXXXX)
chmod 755 "$work"
nginx_pid=
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
    rm -rf "$work" "$ram"
}
trap cleanup EXIT

served=$work/served
mkdir -p "$served/download" "$served/setup" "$work/out" "$work/logs" "$work/temp"
chmod -R 755 "$served"
mirrors=(127.0.0.2 127.0.0.3 127.0.0.4)

make_package() { # <MiB>: package, description and Metalink of that size
    local mib=$1 package=$served/download/pkg$1.exe
    [ -f "$package" ] && return 0
    head -c $((mib * 1048576)) /dev/urandom >"$package"
    local size whole
    size=$(stat -c %s "$package")
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
    {
        echo '<?xml version="1.0" encoding="utf-8"?>'
        echo "<download version=\"1\" size=\"$size\"><url size=\"${#mirrors[@]}\">"
        local i=0
        for m in "${mirrors[@]}"; do
            echo "<item_$i value=\"http://$m/download/pkg$mib.exe\"/>"
            i=$((i + 1))
        done
        echo "</url><hash size=\"$((${#blocks[@]} + 1))\"><item_0 value=\"${whole^^}\"/>"
        i=1
        for b in "${blocks[@]}"; do
            echo "<item_$i value=\"${b^^}\"/>"
            i=$((i + 1))
        done
        echo "</hash></download>"
    } >"$served/setup/pkg$mib.cfg"
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo "<metalink xmlns=\"urn:ietf:params:xml:ns:metalink\"><file name=\"a$mib.exe\">"
        echo "<size>$size</size><hash type=\"md5\">$whole</hash><pieces length=\"1048576\" type=\"md5\">"
        for b in "${blocks[@]}"; do echo "<hash>$b</hash>"; done
        echo "</pieces>"
        for m in "${mirrors[@]}"; do echo "<url>http://$m/download/pkg$mib.exe</url>"; done
        echo "</file></metalink>"
    } >"$work/pkg$mib.meta4"
    echo "$whole" >"$work/pkg$mib.md5"
    chmod -R a+r "$served"
}

start_nginx() { # <limit of the last mirror> <limit of the others>, "" "" for none
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
            [ "$m" != "${mirrors[2]}" ] && [ -n "$2" ] && limit="limit_rate $2;"
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

measure() { # <name> <stdout file> <command...>: one line "name wall cpu rss rc"
    python3 - "$@" <<'PY'
import os, resource, subprocess, sys, time
name, out, command = sys.argv[1], sys.argv[2], sys.argv[3:]
start = time.monotonic()
with open(out, 'w') as sink:
    result = subprocess.run(command, stdout=sink, stderr=subprocess.DEVNULL)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{name} {wall:.3f} {usage.ru_utime + usage.ru_stime:.3f} {usage.ru_maxrss / 1024:.1f} {result.returncode}")
PY
}

verify() { # <file> <MiB>
    [ "$(md5sum "$1" | cut -d' ' -f1)" = "$(cat "$work/pkg$2.md5")" ] || { echo "WRONG BYTES in $1"; exit 1; }
    rm -f "$1"
}

one_case() { # <workload> <place folder> <MiB> <results file>
    local out=$2 mib=$3 results=$4 row
    for run in $(seq "$runs"); do
        row=$(measure kelto-fetch "$work/k.txt" "$fetch" "http://127.0.0.1/setup/pkg$mib.cfg" "$out/k.exe")
        local digest
        digest=$(sed -n 's/^verification: \([0-9]*\) bytes digested in \([0-9.]*\) s.*/\2/p' "$work/k.txt")
        echo "$row ${digest:-0} $run" >>"$results"
        verify "$out/k.exe" "$mib"
        if [ -n "${KELTO_BENCH_OTHER:-}" ]; then
            echo "$(measure other /dev/null "$KELTO_BENCH_OTHER" "http://127.0.0.1/setup/pkg$mib.cfg" "$out/o.exe") 0 $run" >>"$results"
            verify "$out/o.exe" "$mib"
        fi
        echo "$(measure aria2c /dev/null aria2c -q --allow-overwrite=true --file-allocation=none \
            --max-connection-per-server=2 --split=6 --min-split-size=1M \
            --dir="$out" --metalink-file="$work/pkg$mib.meta4") 0 $run" >>"$results"
        verify "$out/a$mib.exe" "$mib"
        echo "$(measure curl /dev/null curl -s -o "$out/c.exe" "http://${mirrors[0]}/download/pkg$mib.exe") 0 $run" >>"$results"
        verify "$out/c.exe" "$mib"
        # The MD5 limit: one OpenSSL MD5 over the same bytes in memory, its processor time only.
        python3 - "$served/download/pkg$mib.exe" "$run" >>"$results" <<'PY'
import hashlib, sys, time
data = open(sys.argv[1], 'rb').read()
cpu = float('inf')
for _ in range(3):  # the least of three: the first pass may still fault pages in
    start = time.process_time()
    hashlib.md5(data).hexdigest()
    cpu = min(cpu, time.process_time() - start)
print(f"md5 {cpu:.3f} {cpu:.3f} 0 0 0 {sys.argv[2]}")
PY
    done
}

summarise() { # <results file>
    python3 - "$1" <<'PY'
import statistics, sys
cases = {}
for line in open(sys.argv[1]):
    case, name, wall, cpu, rss, rc, digest, run = line.split()
    if rc != "0":
        print(f"{case} {name} FAILED (exit {rc}) in run {run}")
    cases.setdefault(case, {}).setdefault(name, {})[run] = (float(wall), float(rss), float(digest),
                                                            float(cpu))
print(f"{'case':28} {'kelto s':>8} {'aria2c s':>8} {'curl s':>7} {'k/aria2c':>9} {'k/curl':>7}"
      f" {'k MiB':>6} {'a MiB':>6} {'c MiB':>6} {'verif/MD5':>9}")
for case, tools in cases.items():
    k, a, c, m = tools["kelto-fetch"], tools["aria2c"], tools["curl"], tools["md5"]
    runs = sorted(k)
    med = lambda t: statistics.median(v[0] for v in t.values())
    ratio = lambda t: statistics.median(k[r][0] / t[r][0] for r in runs)
    peak = lambda t: max(v[1] for v in t.values())
    # Processor time against processor time: the machine may be shared.
    verif = statistics.median(k[r][2] / m[r][3] for r in runs)
    print(f"{case:28} {med(k):8.3f} {med(a):8.3f} {med(c):7.3f} {ratio(a):9.2f} {ratio(c):7.2f}"
          f" {peak(k):6.1f} {peak(a):6.1f} {peak(c):6.1f} {verif:9.2f}")
    if "other" in tools:
        o = tools["other"]
        print(f"{'':28} other kelto-fetch {med(o):.3f} s, this one / other {ratio(o):.2f}"
              f" (processor {statistics.median(k[r][3] for r in runs):.3f} s against"
              f" {statistics.median(o[r][3] for r in runs):.3f} s)")
PY
}

if [ -n "${KELTO_BENCH_TRACE:-}" ]; then
    make_package "$KELTO_BENCH_TRACE"
    exec 9>"${KELTO_BENCH_LOCK:-/tmp/kelto-port80.lock}"
    flock 9
    if [ "${KELTO_BENCH_TRACE_WORKLOAD:-healthy}" = slow ]; then start_nginx 20m 200m; else start_nginx "" ""; fi
    ${KELTO_BENCH_TRACE_TOOL:-} "$fetch" -v "http://127.0.0.1/setup/pkg$KELTO_BENCH_TRACE.cfg" "$ram/k.exe" 2>&1 |
        grep -v "${KELTO_BENCH_TRACE_HIDE-Download_Segment\|CheckFinish\|BeginDownloadItem\|Internal Finish}"
    exit 0
fi

for mib in $sizes; do make_package "$mib"; done
exec 9>"${KELTO_BENCH_LOCK:-/tmp/kelto-port80.lock}"
flock 9
results=$work/results.txt
: >"$results"
echo "three mirrors, two connections each; $runs interleaved runs per case; $(nproc) cores"
for workload in $workloads; do
    if [ "$workload" = healthy ]; then start_nginx "" ""; else start_nginx 20m 200m; fi
    for place in $places; do
        folder=$work/out
        [ "$place" = ram ] && folder=$ram
        for mib in $sizes; do
            tmp=$work/case.txt
            : >"$tmp"
            one_case "$workload" "$folder" "$mib" "$tmp"
            sed "s/^/$workload-$place-${mib}MiB /" "$tmp" >>"$results"
            echo "$workload-$place-${mib}MiB done; load average $(cut -d' ' -f1-3 /proc/loadavg)"
        done
    done
done
echo "healthy: all mirrors at full speed; slow: one mirror at 20 MB/s, the others at 200 MB/s per connection"
[ -n "${KELTO_BENCH_RAW:-}" ] && cp "$results" "$KELTO_BENCH_RAW"
summarise "$results"
