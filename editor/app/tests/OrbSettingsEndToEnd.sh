#!/usr/bin/env bash
# Orb on a virtual display with a window manager: opens a saved project, changes the IP address
# through "통신설정" > "IP설정", quits with Ctrl+Q, answers the unsaved-changes question with its
# default (save), and starts again on the project: the new address and port are in the project
# file and in the reopened editor's store.
# Usage: OrbSettingsEndToEnd.sh ORB PROJECT
set -euo pipefail
. "$(dirname "$0")/find_window.sh"
orb=$1 project=$2

if [ -z "${ORB_E2E_INSIDE:-}" ]; then
  ORB_E2E_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work=$(mktemp -d)
orb_pid= wm_pid=
cleanup() {
  [ -n "$orb_pid" ] && kill "$orb_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool get_num_desktops >/dev/null 2>&1 || { echo "the window manager did not start"; exit 1; }

mkdir "$work/home"
# The window places and folders the editor remembers go to a scratch settings folder.
export XDG_CONFIG_HOME=$work/config
cp "$project" "$work/show.dat"

# The TCP peer bytes of a store or project: the settings block's address and port.
peer_of() { od -An -tu1 -j 473604 -N 6 "$1" | tr -s ' ' | sed 's/^ //'; }

start_orb() {
  ORB_HOME="$work/home" "$orb" "$work/show.dat" &
  orb_pid=$!
  window=$(find_window 20 --name '^show\.dat - Orb$') || true
  [ -n "$window" ] || { echo "the window did not appear"; exit 1; }
  xdotool windowactivate --sync "$window"
  sleep 0.5  # the start-up connection to the project's peer ends (nothing listens there)
}

wait_quit() {
  for _ in $(seq 100); do
    kill -0 "$orb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$orb_pid" 2>/dev/null; then echo "Orb did not quit"; exit 1; fi
  wait "$orb_pid" || { echo "Orb exited with an error"; exit 1; }
  orb_pid=
}

start_orb
# Alt opens the menu bar: "통신설정" is the seventh menu, "IP설정" its fourth entry.
xdotool key --delay 120 alt Right Right Right Right Right Right Down Down Down Down Return
dialog=$(find_window 10 --name '^IP설정$') || true
[ -n "$dialog" ] || { echo "the IP dialog did not open"; exit 1; }
xdotool key --delay 60 ctrl+a
xdotool type --delay 60 127.0.0.2
xdotool key --delay 60 Tab ctrl+a
xdotool type --delay 60 5999
xdotool key Return
find_window 10 --name '^show\.dat\* - Orb$' >/dev/null ||
  { echo "the new address did not mark the project unsaved"; exit 1; }
sleep 0.5  # the connection to the new peer ends
xdotool key ctrl+q
question=$(find_window 10 --onlyvisible --name '^Orb$') || true
[ -n "$question" ] || { echo "quitting did not ask about the unsaved change"; exit 1; }
xdotool windowactivate --sync "$question"
xdotool key Return
wait_quit
[ "$(peer_of "$work/show.dat")" = "127 0 0 2 23 111" ] ||
  { echo "the project holds $(peer_of "$work/show.dat")"; exit 1; }

start_orb
[ "$(peer_of "$work/home/data.tmp")" = "127 0 0 2 23 111" ] ||
  { echo "the reopened editor holds $(peer_of "$work/home/data.tmp")"; exit 1; }
xdotool key ctrl+q
wait_quit
echo "the address survived quitting and reopening"
