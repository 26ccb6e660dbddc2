#!/usr/bin/env bash
# Installs the Debian package with apt into a fresh minimal Debian 12 root (debootstrap, chroot)
# and runs the programs there as root and as an ordinary user, then removes it and looks for
# leftovers. A manual release check, not part of CI: it needs root and the Debian mirror.
#   sudo scripts/check-deb-fresh.sh [DEB]
# Without DEB the package is made from $ORB_BUILD_DIR (default build) with scripts/package.sh.
# The example project is taken from $ORB_BUILD_DIR/examples either way.
# The debootstrap root is kept as a tarball in $ORB_BOOKWORM_CACHE (default /var/cache/orb-bookworm)
# and reused, and the .debs apt fetches in apt-archives/ beside it; delete them to start afresh.
# $ORB_DEBIAN_MIRROR overrides the mirror read from this machine's apt sources; ORB_KEEP_ROOT=1
# keeps the root (unmounted) for a look afterwards; ORB_NO_RECOMMENDS=1 installs with
# --no-install-recommends, to prove Depends alone suffice.
set -euo pipefail
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
deb=
if [ $# -ge 1 ]; then
  [ -f "$1" ] || { echo "check-deb-fresh: FAILED: no such package: $1" >&2; exit 1; }
  deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
fi
cd "$(dirname "$self")/.."
source scripts/sign-port.sh
src=$(pwd)

fail() { echo "check-deb-fresh: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
[ "$(id -u)" -eq 0 ] || fail "needs root (chroot and mounts): run it with sudo"
# In a mount namespace of its own, the root's mounts are invisible to the rest of the machine
# and go away with the script even when it is killed.
if [ -z "${ORB_FRESH_NS:-}" ]; then
  exec unshare --mount --propagation private env ORB_FRESH_NS=1 "$self" ${deb:+"$deb"}
fi

build=${ORB_BUILD_DIR:-build}
[ -f "$build/examples/demo.dat" ] || fail "no example project in $build/examples (build first: scripts/build.sh $build)"
build=$(cd "$build" && pwd)
cache=${ORB_BOOKWORM_CACHE:-/var/cache/orb-bookworm}
tarball=$cache/bookworm-minbase.tar.gz

work=$(mktemp -d /tmp/orb-fresh.XXXXXX)
root=$work/root
mounted=()
pids=()
xvfb=

# True when anything is mounted at or below the path.
mounted_under() { findmnt -rn -o TARGET | awk -v p="$1" '$0 == p || index($0, p "/") == 1' | grep -q .; }

# The processes running inside the root (only this script starts any there).
in_root() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
  done
  return 0
}

cleanup() {
  local rc=$? p
  for p in "${pids[@]}" $xvfb; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  for p in $(in_root); do kill -KILL "$p" 2>/dev/null || true; done
  # Unmount before anything is deleted: an rm through a bind of /dev would wipe the host's.
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
  done
  if mounted_under "$work"; then
    echo "check-deb-fresh: still mounted under $work, left in place:" >&2
    findmnt -R "$work" >&2 || true
  elif [ "${ORB_KEEP_ROOT:-0}" = 1 ]; then
    echo "check-deb-fresh: the root is kept in $root"
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The package.
if [ -z "$deb" ]; then
  step "making the package from $build"
  deb=$(scripts/package.sh "$build" "$work/out" | tail -n 1)
  [ -f "$deb" ] || fail "scripts/package.sh made no package"
fi

# The mirror this machine's apt uses for bookworm, and its security archive.
apt_uris() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '/^[[:space:]]*#/ {next}
         /^URIs:/ {for (i = 2; i <= NF; i++) print $i; next}
         /^deb[[:space:]]/ {for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i !~ /\]$/ && $i !~ /=/) {print $i; break}}'
}
mirror=${ORB_DEBIAN_MIRROR:-$(apt_uris | grep -m1 -E '/debian/?$' || true)}
mirror=${mirror:-http://deb.debian.org/debian}
mirror=${mirror%/}
security=$(apt_uris | grep -m1 -E '/debian-security/?$' || true)
security=${security:-http://deb.debian.org/debian-security}
security=${security%/}

if [ ! -f "$tarball" ]; then
  command -v debootstrap >/dev/null ||
    { apt-get install -y -q --no-install-recommends debootstrap >/dev/null || fail "cannot install debootstrap"; }
  step "debootstrap bookworm from $mirror into $cache (once; a few minutes)"
  mkdir -p "$cache"
  boot=$work/boot
  debootstrap --variant=minbase bookworm "$boot" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
  mounted_under "$boot" && fail "debootstrap left mounts under $boot"
  tar --numeric-owner -C "$boot" -czf "$tarball.part" . && mv "$tarball.part" "$tarball"
  rm -rf --one-file-system "$boot"
fi

step "fresh root from $tarball"
mkdir -p "$root"
tar --numeric-owner -C "$root" -xzf "$tarball" || fail "cannot unpack $tarball"
cp /etc/resolv.conf "$root/etc/resolv.conf"
rm -f "$root/etc/apt/sources.list"
cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF

bind() {  # bind SOURCE TARGET-IN-ROOT, private so nothing propagates back
  mount --bind "$1" "$root$2" && mounted+=("$root$2") && mount --make-private "$root$2" ||
    fail "cannot bind $1 into the root"
}
mount -t proc proc "$root/proc" && mounted+=("$root/proc") || fail "cannot mount /proc in the root"
bind /sys /sys
bind /dev /dev
bind /dev/pts /dev/pts
# The downloaded .debs are kept beside the tarball, so a re-check fetches only what changed.
mkdir -p "$cache/apt-archives/partial"
bind "$cache/apt-archives" /var/cache/apt/archives

inroot() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
inroot apt-get update -q >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get update failed"; }
recommends=()
[ "${ORB_NO_RECOMMENDS:-0}" = 1 ] && recommends=(--no-install-recommends)
inroot env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${recommends[@]}" "/tmp/$(basename "$deb")" >>"$work/apt.log" 2>&1 ||
  { tail -n 30 "$work/apt.log" >&2; fail "apt-get install of the package failed"; }
grep -E '^(Need to get|After this operation)' "$work/apt.log" || true

step "libraries and Qt plugins resolve"
for f in /usr/bin/Orb /usr/bin/Glimmer /usr/bin/orbctl /usr/bin/signemu \
         /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqxcb.so \
         /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqoffscreen.so; do
  [ -e "$root$f" ] || fail "$f is missing after the install"
  if inroot ldd "$f" | grep 'not found'; then fail "$f needs a library the package does not pull in"; fi
done
inroot fc-list :lang=ko family | grep -q . || fail "fontconfig finds no Korean font for the windows"
[ -f "$root/usr/share/qt6/translations/qtbase_ko.qm" ] || fail "Qt's Korean texts (qtbase_ko.qm) are not installed"
fonts=$(find "$root/usr/share/orb/font" -name '*.fnt' | wc -l)
[ "$fonts" -eq 20 ] || fail "$fonts sign fonts in /usr/share/orb/font instead of 20"

step "desktop entries"
if command -v desktop-file-validate >/dev/null; then
  for f in "$root"/usr/share/applications/{orb,glimmer}.desktop; do
    desktop-file-validate "$f" || fail "$(basename "$f") does not validate"
  done
else
  echo "(desktop-file-validate absent on this machine: apt-get install desktop-file-utils; skipped)"
fi
for f in "$root"/usr/share/applications/{orb,glimmer}.desktop; do
  exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$f")
  icon=$(sed -n 's/^Icon=//p' "$f")
  inroot sh -c "command -v '$exe'" >/dev/null || fail "$(basename "$f") starts $exe, which is not installed"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$(basename "$f") names icon $icon, not installed"
done

# A real X display for Orb's xcb plugin, when this machine has Xvfb: its abstract socket is
# reachable from the chroot, which shares the network namespace.
display=
if command -v Xvfb >/dev/null; then
  for n in $(seq 90 99); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -nolisten tcp -screen 0 1280x800x24 >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$n" ] && display=:$n
    break
  done
fi

inroot useradd -m -s /bin/sh orbuser || fail "cannot add a user in the root"
uid=$(inroot id -u orbuser) gid=$(inroot id -g orbuser)
# The example project names its pictures by absolute path: it goes to the same place in the root.
mkdir -p "$root$build"
cp -r "$build/examples" "$root$build/"
chmod -R a+rX "$root$build/examples"
d=$build
while [ "$d" != / ]; do chmod a+rx "$root$d"; d=$(dirname "$d"); done

# The command line that runs a program in the root as WHO (root or orbuser) with a plain
# login-like environment, in the array `as`. Started with & as is, $! is the program itself
# (chroot and env exec it), so it can be killed; a function would leave it behind a subshell.
as_who() {
  if [ "$1" = root ]; then
    as=(chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root USER=root LANG=C.UTF-8)
  else
    as=(chroot --userspec="$uid:$gid" --groups="$gid" "$root"
        env -i PATH=/usr/bin:/bin HOME=/home/orbuser USER=orbuser LANG=C.UTF-8)
  fi
}
# A window's stderr without what Qt always says in a bare chroot or offscreen.
quiet_noise() { grep -v -e 'XDG_RUNTIME_DIR not set' -e 'does not support propagateSizeHints' "$1" || true; }
# Fails when a program's stderr names a plugin or library it could not load.
no_load_errors() {
  ! grep -iE 'could not (load|find) the qt platform plugin|cannot open shared object|error while loading|failed to load|no qt platform plugin' "$1" ||
    fail "$2 could not load something (stderr above)"
}

demo=$build/examples/demo.dat
for who in orbuser root; do
  step "as $who"
  as_who "$who"
  t=/tmp/$who
  out=$work/$who
  mkdir -p "$out"
  "${as[@]}" mkdir -p "$t"

  "${as[@]}" orbctl list "$demo" >"$out/list" 2>"$out/list.err" || { cat "$out/list.err" >&2; fail "orbctl list failed"; }
  diff -u "$src/examples/demo.list" "$out/list" >&2 ||
    fail "orbctl list prints other texts than examples/demo.list (the CP949 conversion?)"
  echo "orbctl list: $(wc -l <"$out/list") items, texts as expected: $(sed -n 1p "$out/list" | cut -f5)"

  "${as[@]}" orbctl build "$demo" -o "$t/p.tmp" 2>"$out/build.err" || { cat "$out/build.err" >&2; fail "orbctl build failed"; }
  [ ! -s "$out/build.err" ] || { cat "$out/build.err" >&2; fail "orbctl build complained"; }
  frames=(--headless --until 4000 --now "2026-12-06 14:05:00" --at "1000,4000" --dump -)
  "${as[@]}" Glimmer --image "$t/p.tmp" "${frames[@]}" >"$out/dump" 2>"$out/dump.err" ||
    { cat "$out/dump.err" >&2; fail "Glimmer --headless failed"; }
  grep -q '[RGY]' "$out/dump" || fail "Glimmer --headless shows no lit LED"
  if [ -x "$build/bin/Glimmer" ]; then
    "$build/bin/Glimmer" --image "$root$t/p.tmp" "${frames[@]}" >"$out/built" 2>/dev/null
    cmp -s "$out/dump" "$out/built" || fail "the installed Glimmer plays other frames than $build/bin/Glimmer"
  fi
  echo "Glimmer --headless: $(grep -o '[RGY]' "$out/dump" | wc -l) lit LEDs in 2 frames, as the built Glimmer (fonts from /usr/share/orb/font)"

  for p in Orb Glimmer orbctl signemu; do
    "${as[@]}" "$p" --help >"$out/help" 2>&1 || { cat "$out/help" >&2; fail "$p --help failed (no display, no QT_QPA_PLATFORM)"; }
    [ -s "$out/help" ] || fail "$p --help printed nothing"
  done
  echo "--help of Orb, Glimmer, orbctl, signemu: fine without a display"

  # stays_up PROGRAM WHERE ENV...: the window program runs 3 s with ENV and loads every library.
  stays_up() {
    local p=$1 where=$2 err="$out/$1.$2.err"
    shift 2
    "${as[@]}" env "$@" "$p" >"$out/$p.out" 2>"$err" &
    pid=$!; pids+=("$pid")
    sleep 3
    if ! kill -0 "$pid" 2>/dev/null; then cat "$err" >&2; fail "$p ($where) did not stay up"; fi
    kill "$pid"; wait "$pid" 2>/dev/null || true
    quiet_noise "$err"
    no_load_errors "$err" "$p ($where)"
  }
  for p in Orb Glimmer; do
    stays_up "$p" offscreen QT_QPA_PLATFORM=offscreen
    if [ -n "$display" ]; then
      stays_up "$p" xcb DISPLAY="$display"
      echo "$p: stays up offscreen and on X display $display"
    else
      echo "$p: stays up offscreen (no Xvfb here: xcb not tried)"
    fi
  done

  "${as[@]}" Glimmer --sign tcp:127.0.0.1:0 --headless --until 1000 --gif "$t/x.gif" --wait-apply 0 2>"$out/gif.err" ||
    { cat "$out/gif.err" >&2; fail "Glimmer --sign ... --wait-apply 0 failed"; }
  [ "$(head -c 4 "$root$t/x.gif")" = GIF8 ] || fail "Glimmer --sign --headless wrote no GIF"
  echo "Glimmer --sign --headless --wait-apply 0: GIF of $(stat -c %s "$root$t/x.gif") bytes"

  "${as[@]}" Glimmer --sign tcp:127.0.0.1:0 --headless --until 4000 --at 1000 --dump - >"$out/sign" 2>"$out/sign.err" &
  pid=$!; pids+=("$pid")
  port=$(sign_port "$out/sign" "$pid") || { cat "$out/sign.err" >&2; fail "the headless virtual sign printed no port"; }
  "${as[@]}" orbctl send "$demo" --tcp "127.0.0.1:$port" >"$out/send" 2>"$out/send.err" ||
    { cat "$out/send" "$out/send.err" >&2; fail "orbctl send to the virtual sign failed"; }
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  wait "$pid" || { cat "$out/sign.err" >&2; fail "the headless virtual sign failed"; }
  grep -q '[RGY]' "$out/sign" || fail "the virtual sign shows nothing lit after the send"
  echo "orbctl send to 127.0.0.1:$port: $(tail -n 1 "$out/send"); the virtual sign then shows lit LEDs"
done

left=$(in_root)
[ -z "$left" ] || fail "programs still running in the root: $(ps -o pid=,args= -p "${left//$'\n'/,}" | tr '\n' ';')"

step "apt-get remove orb"
inroot dpkg-query -L orb | sort -r >"$work/files"
inroot env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q orb >"$work/remove.log" 2>&1 ||
  { cat "$work/remove.log" >&2; fail "apt-get remove failed"; }
left=()
while read -r f; do
  [ -e "$root$f" ] || continue
  [ -d "$root$f" ] && [ -n "$(ls -A "$root$f")" ] && continue  # a shared folder still in use
  [ -d "$root$f" ] && inroot dpkg-query -S "$f" >/dev/null 2>&1 && continue
  left+=("$f")
done <"$work/files"
[ -e "$root/usr/share/orb" ] && left+=(/usr/share/orb)
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "removed: none of the package's $(wc -l <"$work/files") paths are left"

echo "check-deb-fresh: $(basename "$deb") installs, runs and removes cleanly on a fresh Debian 12"
