#!/bin/sh
# run-fuzzer.sh <fuzzer> <arguments...>: runs a libFuzzer target as a test, then prints the
# coverage it reached and the run at which it last found new coverage (a late one means the run
# ended before the fuzzer reached its plateau). Exits with the fuzzer's own status.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$@" >"$log" 2>&1
status=$?
cat "$log"
done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
last_new=$(grep -E '^#[0-9]+[[:space:]]+(NEW|REDUCE)' "$log" | tail -n 1 | sed -E 's/^#([0-9]+).*/\1/')
total=$(echo "$done_line" | sed -E 's/^#([0-9]+).*/\1/')
coverage=$(echo "$done_line" | sed -E 's/.*(cov: [0-9]+ ft: [0-9]+ corp: [^ ]+).*/\1/')
echo "== $(basename "$1"): coverage reached: ${coverage:-none}; last new coverage at run ${last_new:-0} of ${total:-0}"
exit $status
