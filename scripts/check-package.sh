#!/usr/bin/env bash
# Checks the Debian package: makes it from BUILD_DIR with scripts/package.sh, looks at its files
# and dependencies, unpacks it into a scratch root and runs the programs from there, with nothing
# telling them where their fonts or working files are.
#   scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
first=
cleanup() {
  if [ -n "$first" ]; then
    kill "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

deb=$(scripts/package.sh "$build" "$work/out" | tail -n 1)
[ -f "$deb" ] || fail "no package made"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
need=(./usr/bin/Glimmer ./usr/bin/orbctl ./usr/bin/signemu ./usr/bin/orbd ./usr/lib/systemd/system/orbd.service
      ./usr/share/orb/console/index.html ./usr/share/orb/console/js/main.js
      ./usr/share/applications/glimmer.desktop ./usr/share/icons/hicolor/scalable/apps/glimmer.svg)
if [ -x "$build/bin/Orb" ]; then
  need+=(./usr/bin/Orb ./usr/share/applications/orb.desktop ./usr/share/icons/hicolor/scalable/apps/orb.svg)
fi
for f in "${need[@]}"; do grep -qxF "$f" "$work/files" || fail "$f is not in the package"; done
fonts=$(grep -c '^\./usr/share/orb/font/.*\.fnt$' "$work/files" || true)
[ "$fonts" -eq 20 ] || fail "$fonts font files in the package instead of 20"
# The console's scripts come bundled: main.js and the chunks it names, none of the sources.
! grep -q '^\./usr/share/orb/console/js/lang/' "$work/files" || fail "the console's unbundled scripts are in the package"
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/orb/console/js/main.js >"$work/main.js"
chunks=$(grep -o '"\./chunks/[^"]*"' "$work/main.js" | tr -d '"' | sort -u || true)
[ -n "$chunks" ] || fail "the console's main.js names no chunks: not bundled"
for chunk in $chunks; do
  grep -qxF "./usr/share/orb/console/js/${chunk#./}" "$work/files" || fail "the console's $chunk is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libgif7 libzip4 libqt6widgets6 libqt6network6 libsqlite3-0 libsodium23 libcpp-httplib0.11 \
           fonts-nanum qt6-translations-l10n adduser; do
  [[ $depends == *"$lib"* ]] || fail "the dependencies lack $lib: $depends"
done

# orbd's system user, data folder and unit come with the package's maintainer scripts.
dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  [ -x "$work/control/$script" ] || fail "the package has no $script"
done
grep -q 'adduser --system' "$work/control/postinst" || fail "postinst makes no system user"
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/lib/systemd/system/orbd.service |
  grep -qx 'ExecStart=/usr/bin/orbd --data /var/lib/orbd' || fail "the unit does not start orbd on /var/lib/orbd"

root=$work/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
mkdir -p "$work/home"
run() { env -u ORB_FONTS -u ORB_HOME HOME="$work/home" XDG_DATA_HOME="$work/home/data" QT_QPA_PLATFORM=offscreen "$@"; }

run "$bin/orbctl" list "$build/examples/demo.dat" >"$work/list" || fail "orbctl list failed"
diff -u "$src/examples/demo.list" "$work/list" >&2 || fail "orbctl list from the package differs"
run "$bin/orbctl" build "$build/examples/demo.dat" -o "$work/preview.tmp" || fail "orbctl build failed"
run "$bin/orbctl" export "$build/examples/demo.dat" --bundle "$work/demo.zip" || fail "orbctl export --bundle failed"
run "$bin/orbctl" import "$work/demo.zip" -o "$work/moved.dat" --media "$work/moved" || fail "orbctl import of a bundle failed"
frames=(--headless --image "$work/preview.tmp" --until 4000 --now "2026-12-06 14:05:00" --at 1000,4000)
run "$bin/Glimmer" "${frames[@]}" --dump "$work/installed.txt" || fail "Glimmer --headless did not find its fonts"
"$build/bin/Glimmer" "${frames[@]}" --dump "$work/built.txt"
grep -q '[RGY]' "$work/installed.txt" || fail "the installed Glimmer shows nothing lit"
cmp -s "$work/installed.txt" "$work/built.txt" || fail "the installed Glimmer plays other frames than the built one"

# The window keeps its working folder under XDG: a Glimmer started without an image plays
# the preview there, so a second one named on that file hands it over and ends at once.
mkdir -p "$work/home/data/orb"
cp "$work/preview.tmp" "$work/home/data/orb/preview.tmp"
# (env runs the program itself, so $! is the window's own process.)
env -u ORB_FONTS -u ORB_HOME HOME="$work/home" XDG_DATA_HOME="$work/home/data" QT_QPA_PLATFORM=offscreen \
  "$bin/Glimmer" >/dev/null 2>&1 &
first=$!
sleep 1.5
kill -0 "$first" 2>/dev/null || fail "the installed Glimmer window did not stay up"
run timeout 10 "$bin/Glimmer" "$work/home/data/orb/preview.tmp" 2>/dev/null ||
  fail "the installed Glimmer does not play the working folder's preview under XDG"
# The installed orbd starts on a data folder of its own, says where it listens and finds the sign
# fonts for the frames signs show (env execs it, so that the signal reaches orbd itself).
env -u ORB_FONTS -u ORB_HOME HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
  "$bin/orbd" --data "$work/orbd" --listen 127.0.0.1:0 >"$work/orbd.out" 2>"$work/orbd.err" &
orbd=$!
for _ in $(seq 100); do grep -q '^orbd: listening on http://127.0.0.1:' "$work/orbd.out" && break; sleep 0.1; done
kill "$orbd"
wait "$orbd" || fail "the installed orbd did not stop cleanly: $(cat "$work/orbd.err")"
grep -q '^orbd: listening on http://127.0.0.1:' "$work/orbd.out" || fail "the installed orbd did not start"
! grep -q 'no frames of what signs show' "$work/orbd.err" || fail "the installed orbd finds no fonts: $(cat "$work/orbd.err")"
[ -z "$(ls "$bin" | grep -v -e '^Glimmer$' -e '^Orb$' -e '^orbctl$' -e '^signemu$' -e '^orbd$')" ] ||
  fail "something was written beside the installed programs"
echo "package $(basename "$deb"): $(wc -l <"$work/files") entries, fonts and programs run from a scratch root"
