#!/usr/bin/env bash
# Makes the user's guide's screenshots on a virtual display: the editor with the example project,
# every content dialog, the port and IP settings, the Glimmer preview window and the virtual sign
# at 2x and 6x.
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]      (defaults: build, docs/guide)
# Needs the programs Orb, Glimmer, orbctl and the grabbers orb_window_shot, dialog_shots,
# glimmer_window_shot and screen_shot built in BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/sign-port.sh
fail() { echo "screenshots: $*" >&2; exit 1; }

build=$(cd "${1:-build}" 2>/dev/null && pwd) || fail "no build folder ${1:-build}"
mkdir -p "${2:-docs/guide}"
out=$(cd "${2:-docs/guide}" && pwd)
bin=$build/bin
for p in Orb Glimmer orbctl orb_window_shot dialog_shots glimmer_window_shot screen_shot; do
  [ -x "$bin/$p" ] || fail "$bin/$p is missing; build it: scripts/build.sh $build --target $p"
done
[ -f "$build/examples/demo.dat" ] || fail "$build/examples/demo.dat is missing; build the target example_project"

# Everything runs on one virtual display of its own.
if [ -z "${ORB_SHOTS_INSIDE:-}" ]; then
  command -v xvfb-run >/dev/null || fail "xvfb-run is missing (scripts/deps.sh installs it)"
  ORB_SHOTS_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build" "$out"
fi

work=$(mktemp -d)
sign_pid=
stop_sign() {
  if [ -n "$sign_pid" ]; then
    kill "$sign_pid" 2>/dev/null || true
    wait "$sign_pid" 2>/dev/null || true
    sign_pid=
  fi
}
cleanup() {
  stop_sign
  rm -rf "$work"
}
trap cleanup EXIT
# A scratch working folder, so that nothing of the user's own is read or written.
export ORB_HOME=$work/home
mkdir -p "$ORB_HOME"
# Nor the window places the programs remember: every window opens where a first start puts it.
export XDG_CONFIG_HOME=$work/config
# A UTF-8 locale that always exists; the editor's grabbers alone get a Korean one, for Qt's own
# texts (standard buttons). A Korean locale that is not installed would leave the virtual sign's
# window title in the wrong encoding, where xdotool cannot find it.
unset LC_ALL LC_MESSAGES
export LANG=C.UTF-8
# The sign's clock, the same in every run.
now="2026-12-06 14:05:00"

# Runs a grabber and checks that it wrote a PNG.
shot() {
  local png=$1
  shift
  rm -f "$png"
  "$@" >"$work/shot.log" 2>&1 || { cat "$work/shot.log" >&2; fail "$(basename "$png"): $* failed"; }
  [ -s "$png" ] || fail "$(basename "$png") was not written"
  echo "screenshots: $png"
}

cp "$build/examples/demo.dat" "$work/demo.dat"

# A fresh working folder for each editor: one left on a TCP link makes the next editor connect
# at start, and a project is not opened while that runs.
editor_shot() {
  local png=$1
  shift
  ORB_HOME=$(mktemp -d "$work/home.XXXX") LANG=ko_KR.UTF-8 shot "$png" "$bin/orb_window_shot" "$png" "$work/demo.dat" "$@"
}
editor_shot "$out/editor.png"
editor_shot "$out/dialog-port.png" --menu --port
editor_shot "$out/dialog-ip.png" --menu --ip

# One PNG per content dialog, renamed to the guide's names.
LANG=ko_KR.UTF-8 "$bin/dialog_shots" "$work/dialogs" "$bin/font" >"$work/shot.log" 2>&1 ||
  { cat "$work/shot.log" >&2; fail "dialog_shots failed"; }
for name in sentence dday title-sentence bitmap animation clock temperature height display-time phrase; do
  [ -s "$work/dialogs/$name.png" ] || fail "dialog_shots did not write $name.png"
  mv "$work/dialogs/$name.png" "$out/dialog-$name.png"
  echo "screenshots: $out/dialog-$name.png"
done

"$bin/orbctl" build "$work/demo.dat" -o "$work/preview.tmp" >/dev/null || fail "orbctl build failed"
# At 4x: round LEDs, and the window fits the sign (at its starting 2x it keeps its first size).
shot "$out/glimmer.png" "$bin/glimmer_window_shot" "$out/glimmer.png" "$work/preview.tmp" 4 3000

# The virtual sign: started on a free port, told its size and clock, sent the example project.
start_sign() {
  "$bin/Glimmer" --sign tcp:127.0.0.1:0 --memory "$work/sign.mem" "$@" >"$work/sign.out" 2>&1 &
  sign_pid=$!
  port=$(sign_port "$work/sign.out" "$sign_pid") || { cat "$work/sign.out" >&2; fail "the virtual sign did not start"; }
  link=(--tcp "127.0.0.1:$port")
}
# Saves the virtual sign's window alone, once it has played for a while.
shoot_sign() {
  local png=$1 window
  window=$(timeout 20 xdotool search --sync --name "^가상 전광판 " | head -n 1 || true)
  [ -n "$window" ] || fail "the virtual sign's window did not appear"
  sleep 2.5
  shot "$png" "$bin/screen_shot" "$png" "$window"
}

# At its first zoom (2x) the window takes the size of the sign it is told of.
start_sign
"$bin/orbctl" sign "${link[@]}" size 10 2 >/dev/null || fail "orbctl sign size failed"
"$bin/orbctl" send "$work/demo.dat" "${link[@]}" >/dev/null 2>&1 || fail "orbctl send failed"
"$bin/orbctl" sign "${link[@]}" clock --at "$now" >/dev/null || fail "orbctl sign clock failed"
shoot_sign "$out/virtual-sign-2x.png"
stop_sign

# The same memory again, at 6x: the sign plays what it kept.
start_sign --zoom 6
"$bin/orbctl" sign "${link[@]}" clock --at "$now" >/dev/null || fail "orbctl sign clock failed"
shoot_sign "$out/virtual-sign-6x.png"
stop_sign

total=$(du -cb "$out"/*.png | tail -n 1 | cut -f 1)
echo "screenshots: $(ls "$out"/*.png | wc -l) pictures, $((total / 1024)) KB in $out"
