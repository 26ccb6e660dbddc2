#!/usr/bin/env bash
# How long Glimmer --headless takes to play a whole day (86,400 s of virtual time) of the example
# project, dumping three frames; the target is under 30 s.
#   bench/glimmer_headless_day.sh   (after a build)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/orbctl build build/examples/demo.dat -o "$work/preview.tmp" >/dev/null
# CPU time as well as wall time: the machine may be shared.
TIMEFORMAT='Glimmer headless, a day of the example project: %R s wall, %U s user, %S s system'
time build/bin/Glimmer --headless --image "$work/preview.tmp" --until 86400000 --now "2026-12-06 00:00:00" \
  --dump "$work/day.txt" --at 1000,43200000,86400000
