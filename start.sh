#!/usr/bin/env bash
# Installs what is missing, builds, and opens the example project in the editor; without a
# display, shows the example project's item list instead.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/Orb build/examples/demo.dat
fi
exec build/bin/orbctl list build/examples/demo.dat
