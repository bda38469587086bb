#!/usr/bin/env bash
# Extracting one ~200 MB 7z archive (LZMA2, -mx5, about 11 000 files) in-process through our
# engine front end against the engine's own command line `7z x` on the same archive, in one run.
#   bench/extract/run.sh [build folder] [megabytes]
# The archive is made once and kept in <build>/bench-extract/.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
megabytes=${2:-200}
work="$build/bench-extract"
cmake --build "$build" --target bench_extract >/dev/null
bench="$build/bench/extract/bench_extract"
mkdir -p "$work"
archive="$work/data-$megabytes.7z"
if [ ! -f "$archive" ]; then
    rm -rf "$work/source"
    "$bench" generate "$work/source" "$megabytes"
    (cd "$work/source" && 7z a -t7z -mx=5 -bso0 -bsp0 "$archive" '*')
    rm -rf "$work/source"
fi
echo "archive: $(stat -c %s "$archive") bytes"

best_cli=999999 best_ours=999999
for round in 1 2 3; do
    rm -rf "$work/out-cli" "$work/out-ours"
    sync
    start=$(date +%s.%N)
    7z x -y -bso0 -bsp0 "-o$work/out-cli" "$archive"
    cli=$(echo "$(date +%s.%N) - $start" | bc)
    ours=$("$bench" extract "$archive" "$work/out-ours")
    diff -rq "$work/out-cli" "$work/out-ours" >/dev/null || { echo "outputs differ"; exit 1; }
    echo "round $round: 7z x ${cli} s, in-process ${ours} s"
    best_cli=$(echo "if ($cli < $best_cli) $cli else $best_cli" | bc)
    best_ours=$(echo "if ($ours < $best_ours) $ours else $best_ours" | bc)
done
rm -rf "$work/out-cli" "$work/out-ours"
echo "best: 7z x ${best_cli} s, in-process ${best_ours} s, ratio in-process / 7z x = $(echo "scale=3; $best_ours / $best_cli" | bc)"
