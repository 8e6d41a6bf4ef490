#!/usr/bin/env bash
# Build the save-file fuzzer with clang and run it for a bounded time; any
# crash, sanitizer report, leak, timeout or memory blow-up fails the run.
#   fuzz/run.sh [seconds]          default 60
# Environment: TESSALY_FUZZ_BUILD (build directory, default build-fuzz),
# TESSALY_FUZZ_CORPUS (corpus directory, default <build>/corpus).
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESSALY_FUZZ_BUILD:-$root/build-fuzz}"
corpus="${TESSALY_FUZZ_CORPUS:-$build/corpus}"
artifacts="$build/fuzz-artifacts"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSALY_FUZZ=ON -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF >/dev/null
cmake --build "$build" --target SaveFileFuzz -j2

mkdir -p "$corpus" "$artifacts"

# The fuzzer also writes its own seeds (a valid file and a few patches) into
# the corpus named by TESSALY_FUZZ_CORPUS before it starts.
TESSALY_FUZZ_CORPUS="$corpus" "$build/fuzz/SaveFileFuzz" "$corpus" \
  -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=60 \
  -max_len=$((9677080 + 128)) \
  -artifact_prefix="$artifacts/" -print_final_stats=1
echo "save-file fuzzing: ${seconds}s without a failure"
