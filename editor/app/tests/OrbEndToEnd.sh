#!/usr/bin/env bash
# Starts "Orb PROJECT" on a virtual display, deletes the first row and saves with the keyboard,
# quits, and compares the saved project with what the document model says it must hold. On the
# way, a second Orb on the same working folder and one on a folder that cannot be made are each
# refused with a message box and end.
# Usage: OrbEndToEnd.sh ORB MODEL_DELETE PROJECT
set -euo pipefail
. "$(dirname "$0")/find_window.sh"
orb=$1 model_delete=$2 project=$3

if [ -z "${ORB_E2E_INSIDE:-}" ]; then
  ORB_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work=$(mktemp -d)
orb_pid=
cleanup() {
  [ -n "$orb_pid" ] && kill "$orb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/home"
# The window places and folders the editor remembers go to a scratch settings folder.
export XDG_CONFIG_HOME=$work/config
cp "$project" "$work/show.dat"
cp "$project" "$work/original.dat"
"$model_delete" "$work/original.dat" "$work/expected.dat"

ORB_HOME="$work/home" "$orb" "$work/show.dat" &
orb_pid=$!
window=$(find_window 20 --name '^show\.dat - Orb$') || true
[ -n "$window" ] || { echo "the window did not appear"; exit 1; }
# A refused start: the message box (its caption is the window's name) is answered and Orb ends
# with exit code 1.
refused_start() {
  local home=$1 pid box
  ORB_HOME="$home" "$orb" &
  pid=$!
  box=$(find_window 20 --name '^실행할수 없음$') || true
  [ -n "$box" ] || { echo "no start-up refusal for $home"; kill "$pid"; exit 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
  if wait "$pid"; then echo "a refused Orb exited with 0"; exit 1; fi
}
refused_start "$work/home"            # the first Orb holds it
refused_start /dev/null/orb-home      # cannot be created

# No window manager runs: give the window the input focus ourselves.
xdotool windowfocus --sync "$window"
sleep 0.3
xdotool key --delay 150 Home Delete
find_window 10 --name '^show\.dat\* - Orb$' >/dev/null ||
  { echo "the delete did not mark the project unsaved"; exit 1; }
xdotool key --delay 150 ctrl+s
find_window 10 --name '^show\.dat - Orb$' >/dev/null
xdotool key ctrl+q
for _ in $(seq 100); do
  kill -0 "$orb_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$orb_pid" 2>/dev/null; then
  echo "Orb did not quit"
  exit 1
fi
wait "$orb_pid" || { echo "Orb exited with an error"; exit 1; }
orb_pid=

if cmp -s "$work/show.dat" "$work/original.dat"; then
  echo "the project was not changed"
  exit 1
fi
cmp "$work/show.dat" "$work/expected.dat"
echo "saved project matches the model"
