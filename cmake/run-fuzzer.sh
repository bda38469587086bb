#!/bin/sh
# run-fuzzer.sh <fuzzer> <arguments...>: runs a libFuzzer target as a test, then prints the
# coverage it reached and the run at which its edge coverage last grew (late in the run means the
# fuzzer had not reached its plateau yet). Exits with the fuzzer's own status.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$@" >"$log" 2>&1
status=$?
cat "$log"
grep -E '^#[0-9]+' "$log" | awk -v name="$(basename "$1")" '
    {
        run = substr($1, 2)
        for (i = 2; i < NF; i++) {
            if ($i == "cov:") cov = $(i + 1) + 0
            if ($i == "ft:") ft = $(i + 1) + 0
            if ($i == "corp:") corpus = $(i + 1)
        }
        if (cov > best) { best = cov; grew = run }
    }
    END {
        printf "== %s: coverage reached: %d edges, %d features, corpus %s; edges last grew at run %d of %d\n",
               name, best, ft, corpus, grew, run
    }'
exit $status
