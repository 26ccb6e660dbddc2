#!/usr/bin/env bash
# How long ./start.sh takes on a built tree to show both of its windows (the virtual sign and the
# editor): runs it on a fresh X server and waits for the two titles to be mapped.
#   bench/start_windows.sh [RUNS]   (after a build; needs xvfb-run and xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
if [ -z "${ORB_BENCH_IN_X:-}" ]; then
  exec env ORB_BENCH_IN_X=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
now_ms() { date +%s%3N; }
# Whether a window whose title holds $1 is mapped.
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
for run in $(seq "$runs"); do
  start=$(now_ms)
  ./start.sh >/dev/null 2>&1 &
  pid=$!
  sign= editor=
  for _ in $(seq 400); do
    [ -z "$sign" ] && shown "가상 전광판" && sign=$(($(now_ms) - start))
    [ -z "$editor" ] && shown "Orb" && editor=$(($(now_ms) - start))
    [ -n "$sign" ] && [ -n "$editor" ] && break
    sleep 0.025
  done
  # The project is opened once the editor's start-up connect has ended.
  sleep 1
  title=$(xdotool search --onlyvisible --name "Orb" getwindowname 2>/dev/null | head -n 1 || true)
  # Orb ends start.sh, which ends the sign.
  pkill -TERM -x Orb 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for _ in $(seq 200); do shown "가상 전광판" || break; sleep 0.025; done
  echo "run $run: virtual sign shown after ${sign:-never} ms, editor after ${editor:-never} ms (\"$title\")"
done
