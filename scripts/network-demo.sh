#!/usr/bin/env bash
# A sign network on this machine: starts orbd on a scratch data folder and five virtual signs on
# free loopback ports (windows when there is a display, headless otherwise), adds the signs through
# the API in two groups, uploads the example project as a program bundle, sets the signs' size and
# pushes the program to every sign, then prints each sign's state and what it holds, the API's
# address and an admin token. orbd keeps running until Ctrl+C, which stops everything.
#   scripts/network-demo.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/sign-port.sh
build=${1:-build}
scripts/deps.sh
scripts/build.sh "$build"
bin=$build/bin
work=$build/network-demo
rm -rf "$work"
mkdir -p "$work"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 0' INT TERM

display=${DISPLAY:-}${WAYLAND_DISPLAY:-}
ports=()
for i in 1 2 3 4 5; do
  if [ -n "$display" ]; then
    "$bin/Glimmer" --sign tcp:127.0.0.1:0 --memory "$work/sign$i.mem" >"$work/sign$i.out" &
  else
    # Headless, a virtual sign serves its link until that many applies have come: all the demo's.
    "$bin/Glimmer" --sign tcp:127.0.0.1:0 --memory "$work/sign$i.mem" --wait-apply 1000 \
      --headless --until 1000 --at 1000 --dump "$work/sign$i.txt" >"$work/sign$i.out" &
  fi
  pids+=($!)
  port=$(sign_port "$work/sign$i.out" "$!") || { echo "network-demo: virtual sign $i did not start" >&2; exit 1; }
  ports+=("$port")
done

data=$work/data
echo "network-demo password" | "$bin/orbd" --data "$data" user add admin --role admin >/dev/null
token=$("$bin/orbd" --data "$data" token add admin)
"$bin/orbd" --data "$data" --listen 127.0.0.1:0 >"$work/orbd.out" 2>"$work/orbd.log" &
pids+=($!)
for _ in $(seq 100); do grep -q '^orbd: listening on ' "$work/orbd.out" && break; sleep 0.1; done
api=$(sed -n 's/^orbd: listening on //p' "$work/orbd.out")
[ -n "$api" ] || { echo "network-demo: orbd did not start; see $work/orbd.log" >&2; exit 1; }

# api METHOD PATH [BODY [CONTENT-TYPE]]: the answer's body; fails on an error status.
api() {
  local type=${4:-application/json}
  if [ $# -ge 3 ]; then
    curl -sS --fail-with-body -X "$1" -H "Authorization: Bearer $token" -H "Content-Type: $type" \
      --data-binary "$3" "$api$2"
  else
    curl -sS --fail-with-body -X "$1" -H "Authorization: Bearer $token" "$api$2"
  fi
}
field() { python3 -c "import json, sys; print(json.load(sys.stdin)$1)"; }

"$bin/orbctl" export "$build/examples/demo.dat" --bundle "$work/demo.zip" >/dev/null
size=$("$bin/orbctl" export "$build/examples/demo.dat" |
  python3 -c 'import json, sys; s = json.load(sys.stdin)["sign"]; print(s["width"], s["height"])')
read -r width height <<<"$size"
signs=()
for i in 1 2 3 4 5; do
  group=$([ "$i" -le 3 ] && echo front || echo back)
  body="{\"name\": \"sign $i\", \"link\": \"tcp:127.0.0.1:${ports[$((i - 1))]}\", \"groups\": [\"$group\"],
         \"width\": $width, \"height\": $height, \"location\": \"demo\"}"
  signs+=("$(api POST /api/v1/signs "$body" | field '["id"]')")
done
program=$(api POST "/api/v1/programs?name=demo" "@$work/demo.zip" application/zip | field '["id"]')

# wait_job ID: waits until the job has finished and prints its state.
wait_job() {
  local state=queued
  for _ in $(seq 600); do
    state=$(api GET "/api/v1/jobs/$1" | field '["state"]')
    case $state in done|failed|cancelled) break ;; esac
    sleep 0.2
  done
  echo "$state"
}
job=$(api POST /api/v1/jobs "{\"action\": \"size\", \"width\": $width, \"height\": $height, \"all\": true}" | field '["id"]')
echo "network-demo: size ${width}x$height sent to every sign: $(wait_job "$job")"
job=$(api POST /api/v1/jobs "{\"action\": \"push\", \"program\": $program, \"groups\": [\"front\", \"back\"]}" |
  field '["id"]')
echo "network-demo: program $program pushed to groups front and back: $(wait_job "$job")"
for id in "${signs[@]}"; do
  api GET "/api/v1/signs/$id" | python3 -c '
import json, sys
s = json.load(sys.stdin)
h = s["holds"]
held = "program %d version %d since %s" % (h["program"], h["version"], h["since"]) if h else s["holding"]
print("  %s (%s, %s): %s, holds %s" % (s["name"], s["link"], ", ".join(s["groups"]), s["state"], held))'
done

echo "network-demo: what sign 1 shows now, as orbd plays it:"
api GET "/api/v1/signs/${signs[0]}/frame?at=$(date +%Y-%m-%dT%H:%M:%S)" || true
echo "network-demo: the API is at $api (orbd's log: $work/orbd.log)"
echo "network-demo: an admin token: $token"
echo "network-demo:   curl -H 'Authorization: Bearer $token' $api/api/v1/signs"
echo "network-demo: Ctrl+C stops orbd and the signs"
wait "${pids[-1]}"
