#!/usr/bin/env bash
# CPU-seconds per second that the game process spends at 1440 x 900 in a new
# world, standing still, then standing still with one Save (and its notice on
# screen), then walking right, under an Xvfb of its own.
#   bench/idle-cpu.sh [--map] [GAME [SECONDS]]   default: build-release/tessaly, 10 s each
# --map: with the map of the whole world shown (M) throughout.
# Needs xvfb-run and xdotool (tools/install-deps.sh test).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [[ -z ${IDLE_CPU_UNDER_XVFB:-} ]]; then
  export IDLE_CPU_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" "$0" "$@"
fi
map=0
if [[ ${1:-} == --map ]]; then
  map=1
  shift
fi
game=$(realpath "${1:-$root/build-release/tessaly}")
seconds=${2:-10}

work=$(mktemp -d)
mkdir "$work/data" && cp "$root/data/arial.ttf" "$work/data/"
cd "$work"
"$game" >console.txt 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; rm -rf "$work"' EXIT

version=$(grep -o 'Tessaly VERSION [^ ]*' "$root/CMakeLists.txt" | cut -d' ' -f3)
title="Tessaly $version - Wobbert"
start=$(xdotool search --sync --onlyvisible --name "$title" | head -1)
sleep 1
xdotool mousemove --window "$start" 255 180 click 1  # "New World" at the default 1440 x 900
for _ in $(seq 100); do grep -q "Starting to Draw." console.txt && break; sleep 0.1; done
grep -q "Starting to Draw." console.txt || { echo "the game did not start:"; cat console.txt; exit 1; }
sleep 4  # the player falls to the ground and lands
window=$(xdotool search --onlyvisible --name "$title" | head -1)
if ((map)); then
  xdotool windowfocus --sync "$window" key m
  sleep 1
fi

# CPU-seconds per second of the game over $seconds.
measure() {
  local tick before after t0 t1
  tick=$(getconf CLK_TCK)
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  t0=$(date +%s.%N)
  sleep "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  t1=$(date +%s.%N)
  awk -v a="$after" -v b="$before" -v k="$tick" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.3f", (a - b) / k / (t1 - t0) }'
}

echo "standing still: $(measure) CPU-s/s"
window=$(xdotool search --onlyvisible --name "$title" | head -1)
# Save: its notice shows for three seconds and goes again while measured.
xdotool mousemove --window "$window" 1370 890 click 1
echo "standing still, one Save and its notice: $(measure) CPU-s/s"
xdotool mousemove --window "$window" 700 300 windowfocus --sync "$window" keydown Right
echo "walking right:  $(measure) CPU-s/s"
xdotool keyup Right
