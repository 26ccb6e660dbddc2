#!/usr/bin/env bash
# Installs what is missing, builds, starts a virtual sign on a free loopback port and opens a copy
# of the example project in the editor with its link pointing at that sign: press "전 송" and the
# program plays on the virtual sign. Without a display it sends the example to a headless virtual
# sign and writes a GIF of the first 30 seconds it plays.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/sign-port.sh
scripts/deps.sh
scripts/build.sh build
bin=build/bin
work=build/start
mkdir -p "$work"
# A copy of the example, so that the editor's changes stay out of the build's own.
[ -f "$work/demo.dat" ] || cp -r build/examples/demo.dat build/examples/media "$work/"
size=$("$bin/orbctl" export "$work/demo.dat" |
  python3 -c 'import json, sys; s = json.load(sys.stdin)["sign"]; print(s["width"], s["height"])')

# Starts the virtual sign with the options given and sets PORT from the address it prints.
start_sign() {
  "$bin/Glimmer" --sign tcp:127.0.0.1:0 "$@" >"$work/sign.out" &
  sign_pid=$!
  port=$(sign_port "$work/sign.out" "$sign_pid") || { echo "start.sh: the virtual sign did not start" >&2; exit 1; }
  # The sign learns its size as an installed one would, before any program comes.
  # shellcheck disable=SC2086
  "$bin/orbctl" sign --tcp "127.0.0.1:$port" size $size >/dev/null
}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  start_sign --memory "$work/sign.mem"
  trap 'kill "$sign_pid" 2>/dev/null || true' EXIT
  "$bin/orbctl" set "$work/demo.dat" link.mode tcp
  "$bin/orbctl" set "$work/demo.dat" link.ip 127.0.0.1
  "$bin/orbctl" set "$work/demo.dat" link.port "$port"
  echo "start.sh: the virtual sign listens on 127.0.0.1:$port; press \"전 송\" in Orb to send it the program"
  "$bin/Orb" "$work/demo.dat" || true
  exit 0
fi

echo "start.sh: no display; sending the example to a headless virtual sign instead"
gif=$PWD/$work/sign.gif
start_sign --wait-apply 2 --headless --until 30000 --gif "$gif"
"$bin/orbctl" send "$work/demo.dat" --tcp "127.0.0.1:$port" 2>/dev/null
wait "$sign_pid"
echo "start.sh: the first 30 seconds the sign played: $gif"
