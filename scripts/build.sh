#!/usr/bin/env bash
# Configures and builds into the folder given (default: build). Further arguments go to CMake.
# ORB_WERROR=ON in the environment turns warnings into errors, as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
# Arguments after --target name what to build; the others go to CMake.
configure=() build=()
while [ $# -gt 0 ]; do
  if [ "$1" = --target ]; then build+=(--target "$2"); shift 2; else configure+=("$1"); shift; fi
done
# ccache, when present, shares objects between build folders and clones (CCACHE_BASEDIR makes the
# paths relative).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORB_WERROR="${ORB_WERROR:-OFF}" "${configure[@]}" >/dev/null
cmake --build "$dir" "${build[@]}"
