#!/usr/bin/env bash
# The simulator's golden frames: text dumps of every effect project (tools/effectdemo) and of the
# example project at chosen times, kept in simulator/tests/golden/.
#   scripts/golden-frames.sh [BUILD]             compares fresh dumps with the golden ones
#   scripts/golden-frames.sh --update [BUILD]    writes them anew, after a change made on purpose
#   scripts/golden-frames.sh --every-ms [BUILD]  compares, playing every millisecond instead of
#                                                jumping from deadline to deadline
# BUILD is the build folder (default: build); it needs effectdemo, orbctl, Glimmer and the
# example project built.
set -euo pipefail
mode=check every=()
case "${1:-}" in
  --update) mode=update; shift ;;
  --every-ms) every=(--every-ms); shift ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
golden=$root/simulator/tests/golden
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each entry: name, project file, --now, times in ms.
effectTimes=60,150,400,800,1500,2500,4000,6000
kindTimes=100,1000,2100,3000,4200,5200,6500,8000
demoTimes=0,500,1000,2000,3500,5000,8000,12000,16000,20000,25000,30000,40000,50000,60000
cases=()
"$bin/effectdemo" "$work" >/dev/null
for project in "$work"/*.dat; do
  base=$(basename "$project" .dat)
  case $base in
    kind-*) cases+=("$base|$project|2026-12-31 23:59:57|$kindTimes") ;;
    *) cases+=("$base|$project|2026-12-06 14:05:00|$effectTimes") ;;
  esac
done
cases+=("demo|$build/examples/demo.dat|2026-12-06 14:05:00|$demoTimes")

[ "$mode" = update ] && mkdir -p "$golden"
failed=0
for c in "${cases[@]}"; do
  IFS='|' read -r name project now times <<<"$c"
  "$bin/orbctl" build "$project" -o "$work/preview.tmp" >/dev/null
  until=${times##*,}
  "$bin/Glimmer" --headless "${every[@]}" --image "$work/preview.tmp" --fonts "$bin/font" --until "$until" \
    --now "$now" --dump "$work/$name.txt" --at "$times"
  if [ "$mode" = update ]; then
    cp "$work/$name.txt" "$golden/$name.txt"
  elif ! cmp -s "$work/$name.txt" "$golden/$name.txt"; then
    echo "golden frames differ: $name" >&2
    diff "$golden/$name.txt" "$work/$name.txt" | head -20 >&2 || true
    failed=1
  fi
done
[ "$mode" = update ] && echo "wrote ${#cases[@]} golden dumps into $golden"
exit $failed
