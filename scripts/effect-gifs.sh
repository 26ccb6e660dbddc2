#!/usr/bin/env bash
# Renders one short GIF per effect into a folder, to watch every entry, hold and exit effect:
#   scripts/effect-gifs.sh OUTDIR      (after a build)
# Each GIF is the project of the same name (see tools/effectdemo) built and played headless.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
cd "$(dirname "$0")/.."
out=$(mkdir -p "$1" && cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/effectdemo "$work"
for project in "$work"/*.dat; do
  base=$(basename "$project" .dat)
  build/bin/orbctl build "$project" -o "$work/preview.tmp"
  build/bin/Glimmer --headless --image "$work/preview.tmp" --until 7000 --gif "$out/$base.gif" --scale 3
  echo "$out/$base.gif"
done
