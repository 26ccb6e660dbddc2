#!/usr/bin/env bash
# Makes the Debian package orb_VERSION_ARCH.deb of the programs, the sign fonts, the desktop
# entries and the icons, for /usr, its dependencies read from the linked libraries.
#   scripts/package.sh [BUILD_DIR [OUT_DIR]]   (default: build, the package beside it in BUILD_DIR)
# A tree already configured is only brought up to date, as it stands (its options unchanged).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
out=${2:-$dir}
scripts/deps.sh
if [ -f "$dir/build.ninja" ]; then
  cmake --build "$dir"
else
  scripts/build.sh "$dir"
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
(cd "$dir" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; exit 1; }
rm -rf "$out/_CPack_Packages"
ls "$out"/orb_*.deb
