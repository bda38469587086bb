#!/usr/bin/env bash
# Builds and runs the frame benchmark: median time per frame of the logo sweep, the reveal frame
# and the purple frame at 622 x 405, each also as a ratio to one plain copy of such a frame.
#   bench/frames/run.sh [build folder] [frames]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
cmake --build "$build" --target bench_frames >/dev/null
"$build/bench/frames/bench_frames" "${2:-2000}"
