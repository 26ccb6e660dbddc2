#!/usr/bin/env bash
# The Glimmer window's CPU use while it plays the example project: runs it on Qt's offscreen
# platform for a number of seconds and reads its user and system time from /proc.
#   bench/glimmer_window_cpu.sh [SECONDS] [ZOOM]   (after a build; ZOOM 1..8, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
zoom=${2:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/orbctl build build/examples/demo.dat -o "$work/preview.tmp"
QT_QPA_PLATFORM=offscreen build/bin/Glimmer --zoom "$zoom" "$work/preview.tmp" 2>/dev/null &
pid=$!
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
start=$(ticks)
sleep "$seconds"
end=$(ticks)
kill "$pid"
wait "$pid" 2>/dev/null || true
hz=$(getconf CLK_TCK)
awk -v z="$zoom" -v t=$((end - start)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "Glimmer window at %dx: %.2f %% of one core over %d s\n", z, 100 * t / hz / s, s }'
