#!/usr/bin/env bash
# Runs every test: installs what is missing, checks formatting, then builds and runs the suite
# normally (build/), under AddressSanitizer and UndefinedBehaviorSanitizer with the fuzzers
# (build-asan/, clang), and the threaded engine and controller tests under ThreadSanitizer
# (build-tsan/). The tests start and stop the servers they need themselves.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${KELTO_JOBS:-$(nproc)}

"$top/scripts/install-deps.sh"

echo "== format"
"$top/scripts/check-format.sh"

run_suite() { # <build folder> <ctest arguments...>
    local dir=$1
    shift
    (cd "$dir" && ctest --output-on-failure --no-tests=ignore -j "$jobs" "$@")
}

echo "== build (normal)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== test (normal)"
run_suite build -LE fuzz

echo "== build (address, undefined; fuzzers)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKELTO_SANITIZE="address;undefined" -DKELTO_FUZZ=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== test (address, undefined; fuzzers)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run_suite build-asan
# The coverage each fuzzer reached (ctest shows a passing test's output only in its log).
grep -h '^== .*fuzzer: ' build-asan/Testing/Temporary/LastTest.log || true

echo "== build (thread)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELTO_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs" --target kelto_tsan_tests
echo "== test (thread)"
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} run_suite build-tsan -L tsan

echo "== all tests passed"
