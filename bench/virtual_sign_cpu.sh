#!/usr/bin/env bash
# The virtual sign window's CPU use while it plays the example project it was sent: runs it on
# Qt's offscreen platform, sends the example with orbctl and reads its user and system time.
#   bench/virtual_sign_cpu.sh [SECONDS] [ZOOM]   (after a build; ZOOM 1..8, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
zoom=${2:-2}
work=$(mktemp -d)
QT_QPA_PLATFORM=offscreen build/bin/Glimmer --sign tcp:127.0.0.1:0 --zoom "$zoom" >"$work/out" 2>/dev/null &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
source scripts/sign-port.sh
port=$(sign_port "$work/out" "$pid") || { echo "the virtual sign did not start" >&2; exit 1; }
build/bin/orbctl sign --tcp "127.0.0.1:$port" size 10 2 >/dev/null
build/bin/orbctl send build/examples/demo.dat --tcp "127.0.0.1:$port" >/dev/null 2>&1
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
start=$(ticks)
sleep "$seconds"
end=$(ticks)
hz=$(getconf CLK_TCK)
awk -v z="$zoom" -v t=$((end - start)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "virtual sign window at %dx: %.2f %% of one core over %d s\n", z, 100 * t / hz / s, s }'
