#!/usr/bin/env bash
# Installs what is missing, builds, and shows the example project's item list.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build
exec build/bin/orbctl list build/examples/demo.dat
