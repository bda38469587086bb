#!/bin/sh
# run-fuzzer.sh <fuzzer> <arguments...>: runs a libFuzzer target as a test and prints its output,
# then the coverage it had reached at a quarter, half, three quarters and the end of the run, the
# runs per second, and whether the edges still grew in the second half (a plateau: less than 1 %
# more edges at the end than at half time). Exits with the fuzzer's own status.
log=$(mktemp)
status_file=$(mktemp)
trap 'rm -f "$log" "$status_file"' EXIT
# Every line gets the second it arrived at, so that coverage can be read against time.
{
    "$@" 2>&1
    echo $? >"$status_file"
} | perl -ne 'BEGIN { $| = 1; $start = time } print time - $start, " $_"' >"$log"
status=$(cat "$status_file")
cut -d' ' -f2- "$log"
awk -v name="$(basename "$1")" '
    $2 ~ /^#[0-9]+$/ {
        for (i = 3; i < NF; i++) {
            if ($i == "cov:") cov = $(i + 1) + 0
            if ($i == "ft:") ft = $(i + 1) + 0
            if ($i == "exec/s:") rate = $(i + 1) + 0
        }
        n++
        at[n] = $1; edges[n] = cov; features[n] = ft
        run = substr($2, 2) + 0
        if (cov > best) { best = cov; grew = run; grewAt = $1 }
    }
    $2 == "stat::number_of_executed_units:" { run = $3 + 0 }
    $2 == "stat::average_exec_per_sec:" { rate = $3 + 0 }
    END {
        if (n == 0) { printf "== %s: no coverage lines\n", name; exit }
        end = at[n]
        line = ""
        for (q = 1; q <= 4; q++) {
            t = end * q / 4; e = 0; f = 0
            for (i = 1; i <= n && at[i] <= t; i++) { e = edges[i]; f = features[i] }
            if (q == 2) half = e
            line = line sprintf("%s%d%% (%d s): %d edges %d ft", q > 1 ? ", " : "", q * 25, t, e, f)
        }
        printf "== %s: coverage at %s\n", name, line
        # A plateau: the second half added less than 1 % to the edges reached at half time.
        grown = best - half
        verdict = sprintf("plateau, +%d edges (%.2f %%) in the second half", grown, 100 * grown / (half ? half : 1))
        if (grown * 100 >= half) verdict = sprintf("still growing, +%d edges in the second half", grown)
        printf "== %s: %d runs, %d runs/s; edges last grew at run %d (%d s) of %d (%d s): %s\n",
               name, run, rate, grew, grewAt, run, end, verdict
    }' "$log"
exit "$status"
