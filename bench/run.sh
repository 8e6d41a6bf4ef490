#!/usr/bin/env bash
# Build the benchmarks in Release (build-bench at the top of the tree) and run
# them all, the frame benchmarks under an Xvfb of their own.
#   bench/run.sh           the full run (about two minutes)
#   bench/run.sh --quick   a very short run that only shows they still work
# Further arguments go to both benchmark programs (e.g. --benchmark_filter=map).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build="$root/build-bench"

args=()
if [[ ${1:-} == --quick ]]; then
  args+=(--benchmark_min_time=0.01)
  shift
fi
args+=("$@")

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_logic bench_tool bench_frame

echo "== Game logic"
"$build/bench/bench_logic" "${args[@]}"
echo
echo "== The save tool's map"
"$build/bench/bench_tool" "${args[@]}"
echo
echo "== Frames (Xvfb, Mesa llvmpipe)"
xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" "$build/bench/bench_frame" "${args[@]}"
