#!/usr/bin/env bash
# Configures and builds into the folder given (default: build). Further arguments go to CMake.
# ORB_WERROR=ON in the environment turns warnings into errors, as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORB_WERROR="${ORB_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$dir"
