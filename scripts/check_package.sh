#!/bin/sh
# Installs the Debian package into a clean Debian 12 root and removes it again, as a player's
# apt would: debootstrap (minbase, bookworm) once, kept as a tarball under the build folder so
# reruns start in seconds; then in a fresh copy of that root `apt-get install ./ostrimar_*.deb`
# (its dependencies come from deb.debian.org), `ostrimar --version`, `ostrimar-data --help`, a
# listing of the installed data set, the game started under Xvfb, `apt-get remove --purge
# ostrimar`, and a search for anything of ours left behind. Needs root (chroot, mount) and the
# network. docs/packaging.md.
# Usage: scripts/check_package.sh [PACKAGE.deb]   (default: the one scripts/package.sh made)
# CACHE=DIR keeps the tarball and the downloaded dependencies elsewhere (default build-pkg/debian12).
set -eu
cd "$(dirname "$0")/.."
DEB=${1:-$(find build-pkg -maxdepth 1 -name 'ostrimar_*_*.deb' 2>/dev/null | head -n 1)}
if [ -z "$DEB" ] || [ ! -f "$DEB" ]; then echo "no package: run scripts/package.sh first" >&2; exit 1; fi
DEB=$(realpath "$DEB")
CACHE=$(realpath -m "${CACHE:-build-pkg/debian12}")
MIRROR=${MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "check_package.sh needs root (chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null 2>&1 || scripts/deps.sh package
mkdir -p "$CACHE/archives"

step() { echo "== $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# The clean root, made once.
if [ ! -s "$CACHE/bookworm-minbase.tar" ]; then
  step "debootstrap --variant=minbase bookworm (once; kept in $CACHE)"
  rm -rf "$CACHE/base"
  debootstrap --variant=minbase bookworm "$CACHE/base" "$MIRROR" > "$CACHE/debootstrap.log" 2>&1 ||
    { tail -n 20 "$CACHE/debootstrap.log"; fail "debootstrap"; }
  rm -f "$CACHE/base/var/cache/apt/archives/"*.deb
  tar -C "$CACHE/base" -cf "$CACHE/bookworm-minbase.tar.part" . && mv "$CACHE/bookworm-minbase.tar.part" "$CACHE/bookworm-minbase.tar"
  rm -rf "$CACHE/base"
fi

WORK=$(mktemp -d "$CACHE/run.XXXXXX")
ROOT=$WORK/root
mkdir "$ROOT"
cleanup() {
  for m in "$ROOT/proc" "$ROOT/dev"; do
    if mountpoint -q "$m" 2>/dev/null; then umount "$m"; fi
  done
  # Only ever this run's copy, and never while something is still mounted in it.
  if ! grep -q " $ROOT/" /proc/mounts; then rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM
step "a fresh root from the tarball"
tar -C "$ROOT" -xf "$CACHE/bookworm-minbase.tar"
mount -t proc proc "$ROOT/proc"
mount --bind /dev "$ROOT/dev"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
cp "$DEB" "$ROOT/tmp/"
cp "$CACHE/archives/"*.deb "$ROOT/var/cache/apt/archives/" 2>/dev/null || true
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin:/usr/games HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }

# Everything in the root before the package, to compare with after its removal.
listing() {
  (cd "$ROOT" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./var/log \
     -o -path ./var/cache -o -path ./var/lib/apt -o -path ./var/lib/dpkg \) -prune -o -print) | sort
}
listing > "$WORK/before"

step "apt-get install ./$(basename "$DEB")"
in_root apt-get update -q > "$CACHE/apt-update.log" 2>&1 || { cat "$CACHE/apt-update.log"; fail "apt-get update"; }
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$DEB")" > "$CACHE/apt-install.log" 2>&1 ||
  { tail -n 30 "$CACHE/apt-install.log"; fail "apt-get install"; }
grep -E "^(Setting up|[0-9]+ upgraded)" "$CACHE/apt-install.log" | grep -E "ostrimar|upgraded" || true
cp "$ROOT/var/cache/apt/archives/"*.deb "$CACHE/archives/" 2>/dev/null || true
# shellcheck disable=SC2016
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' ostrimar
in_root dpkg -L ostrimar > "$WORK/files"
echo "package files: $(wc -l < "$WORK/files") paths"

step "ostrimar --version"
VERSION=$(in_root ostrimar --version) || fail "ostrimar --version exited with $?"
echo "$VERSION"
echo "$VERSION" | grep -Eq '^ostrimar [0-9]+\.[0-9]+\.[0-9]+' || fail "unexpected version line"
step "ostrimar-data --help"
in_root ostrimar-data --help > "$WORK/help" || fail "ostrimar-data --help exited with $?"
head -n 3 "$WORK/help"
grep -q "^usage: ostrimar-data" "$WORK/help" || fail "no usage line"
step "ostrimar-data list /usr/share/ostrimar/targa.dat (the installed data set reads)"
in_root ostrimar-data list /usr/share/ostrimar/targa.dat > "$WORK/list" || fail "the installed data set"
echo "$(wc -l < "$WORK/list") archive members"

# The game itself, started as a player would under a virtual display: this is where a library
# it only opens at run time (OpenGL, the X11 extensions, sound) would be missing. It has started
# once its settings folder exists (made after the splash, with the data set loaded).
step "ostrimar under Xvfb (xvfb and xauth installed for the test only)"
in_root apt-get install -y -q --no-install-recommends xvfb xauth > "$CACHE/apt-xvfb.log" 2>&1 ||
  { tail -n 30 "$CACHE/apt-xvfb.log"; fail "apt-get install xvfb"; }
in_root apt-mark auto xvfb xauth > /dev/null
cp "$ROOT/var/cache/apt/archives/"*.deb "$CACHE/archives/" 2>/dev/null || true
# shellcheck disable=SC2016
in_root env HOME=/tmp/player SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  ostrimar > /tmp/player.log 2>&1 & GAME=$!
  i=0
  while [ $i -lt 300 ] && [ ! -d "$HOME/.local/share/ostrimar/settings" ] && kill -0 $GAME 2>/dev/null; do
    sleep 0.1; i=$((i + 1))
  done
  if kill $GAME 2>/dev/null; then wait $GAME; else wait $GAME; echo "the game stopped by itself, status $?"; fi
  [ -d "$HOME/.local/share/ostrimar/settings" ]' || { cat "$ROOT/tmp/player.log"; fail "the installed game did not start"; }
echo "started; settings folder made: $(find "$ROOT/tmp/player/.local/share/ostrimar/settings" -mindepth 1 -printf '%f ')"
rm -rf "$ROOT/tmp/player" "$ROOT/tmp/player.log"

step "apt-get remove --purge ostrimar"
in_root apt-get remove --purge -y -q ostrimar > "$CACHE/apt-remove.log" 2>&1 ||
  { tail -n 30 "$CACHE/apt-remove.log"; fail "apt-get remove"; }
grep -E "^(Removing|Purging)" "$CACHE/apt-remove.log" || true
# shellcheck disable=SC2016
STATUS=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' ostrimar 2>/dev/null || true)
case "$STATUS" in
  ""|"un "*|"pn "*) ;;
  *) fail "dpkg still holds ostrimar: $STATUS" ;;
esac
left=""
while IFS= read -r f; do
  [ -e "$ROOT$f" ] && [ ! -d "$ROOT$f" ] && left="$left $f"
done < "$WORK/files"
[ -z "$left" ] || fail "files left after purge:$left"
rm -f "$ROOT/tmp/$(basename "$DEB")"
# Anything named after the game, anywhere but in /tmp (the game's one-copy lock file stays there
# when no runtime folder is set: run-time state, not the package's).
named=$(cd "$ROOT" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./var/log \
  -o -path ./var/lib/dpkg -o -path ./var/cache/apt \) -prune -o -iname '*ostrimar*' -print)
[ -z "$named" ] || fail "left behind: $named"
in_root apt-get autoremove --purge -y -q > "$CACHE/apt-autoremove.log" 2>&1 || fail "apt-get autoremove"
listing > "$WORK/clean"
extra=$(comm -13 "$WORK/before" "$WORK/clean" | grep -v -e '^\./etc/ld.so.cache$' -e '^\./root/\.' || true)
if [ -n "$extra" ]; then
  echo "note: after removing the dependencies too, these remain (not ours):"
  echo "$extra" | head -n 20
fi
echo "package check passed: installed, started, removed, nothing of ours left"
