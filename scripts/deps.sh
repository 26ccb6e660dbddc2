#!/usr/bin/env bash
# The one list of Debian packages the project needs. Installs only those that are absent,
# through sudo when not run as root.
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build pkg-config  # build
  ccache                            # objects shared between build folders
  dpkg-dev                          # the package's dependencies (dpkg-shlibdeps)
  libgif-dev                        # GIF decoding and writing
  nlohmann-json3-dev                # programs as JSON text
  libcli11-dev                      # command-line parsing
  python3-jsonschema                # checks exported programs against their schema
  libfreetype-dev libpng-dev        # the sign fonts are made at build time; the font sample picture
  fonts-baekmuk xfonts-baekmuk fonts-unfonts-core fonts-unfonts-extra fonts-nanum fonts-nanum-extra
  qt6-base-dev qt6-translations-l10n  # the windows; Qt's own Korean texts
  libgtest-dev libgmock-dev         # tests
  xvfb xauth xdotool openbox        # window screenshots; the editor's end-to-end tests (openbox: a window manager)
  libbenchmark-dev                  # benchmarks
  clang                             # fuzzing (libFuzzer)
  libsqlite3-dev libcpp-httplib-dev libsodium-dev libzip-dev libicu-dev  # the network service
  curl                              # scripts/network-demo.sh talks to the service's API
  chromium chromium-driver python3-selenium  # the browser console's tests (headless)
  esbuild                           # the browser console's scripts bundled and minified at build time
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
