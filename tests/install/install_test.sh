#!/bin/sh
# Installs the build into a scratch prefix and checks the result as a packager and a player
# would: every file in its place (what the Debian package holds, docs/packaging.md), the
# manual pages naming every command, `--version` and `--help` answering, the desktop entry and
# the AppStream file valid, and the installed game, started from an unrelated folder, finds its
# data, writes its settings folder under $XDG_DATA_HOME and nothing into the prefix.
# Usage: install_test.sh BUILD_DIR SCRATCH_DIR
set -u
BUILD=$1
SCRATCH=$2
PREFIX=$SCRATCH/prefix
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$SCRATCH"
mkdir -p "$SCRATCH/home" "$SCRATCH/xdg" "$SCRATCH/elsewhere" "$SCRATCH/run"
chmod 700 "$SCRATCH/run"
cmake --install "$BUILD" --prefix "$PREFIX" > "$SCRATCH/install.log" 2>&1 || { cat "$SCRATCH/install.log"; fail "cmake --install"; }

for f in bin/ostrimar bin/ostrimar-data share/ostrimar/targa.dat share/ostrimar/icon.tga \
         share/applications/org.ostrimar.Ostrimar.desktop share/metainfo/org.ostrimar.Ostrimar.metainfo.xml \
         share/man/man6/ostrimar.6.gz share/man/man1/ostrimar-data.1.gz \
         share/doc/ostrimar/copyright share/doc/ostrimar/changelog.gz; do
  [ -e "$PREFIX/$f" ] || fail "missing $f"
done
# The compressed pages and change log are whole gzip files that carry no name or time stamp
# (the same bytes on every build).
for f in share/man/man6/ostrimar.6.gz share/man/man1/ostrimar-data.1.gz share/doc/ostrimar/changelog.gz; do
  gzip -t "$PREFIX/$f" || fail "$f is not a whole gzip file"
  [ "$(od -An -tu1 -j3 -N1 "$PREFIX/$f" | tr -d ' ')" = 0 ] || fail "$f stores a name or comment"
  [ "$(od -An -tu4 -j4 -N4 "$PREFIX/$f" | tr -d ' ')" = 0 ] || fail "$f stores a time"
done
zcat "$PREFIX/share/man/man6/ostrimar.6.gz" | grep -q '^\.TH OSTRIMAR 6' || fail "ostrimar.6.gz is not the manual page"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$PREFIX/share/doc/ostrimar/copyright" || fail "copyright is not in the machine-readable format"
# The manual pages name every command the tool knows (its own usage lines are the list).
USAGE=$("$PREFIX/bin/ostrimar-data" --help) || fail "ostrimar-data --help exited with $?"
echo "$USAGE" | grep -q '^usage: ostrimar-data COMMAND' || fail "ostrimar-data --help printed no usage: $USAGE"
for c in $(echo "$USAGE" | sed -n 's/^  ostrimar-data \([a-z]*\) .*/\1/p'); do
  zcat "$PREFIX/share/man/man1/ostrimar-data.1.gz" | grep -q "^\.B ostrimar-data $c\$" ||
    fail "the manual page lacks the command $c"
done
# The version, without a display: answered before any window opens (a game that ignored the
# flag would start, headless, and be stopped by the timeout).
VERSION=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$PREFIX/bin/ostrimar" --version) ||
  fail "ostrimar --version exited with $?"
# One version everywhere: the program, the metainfo's latest release, the change log's top entry.
RELEASE=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$PREFIX/share/metainfo/org.ostrimar.Ostrimar.metainfo.xml" | head -n 1)
[ "$VERSION" = "ostrimar $RELEASE" ] || fail "ostrimar --version printed \"$VERSION\", the metainfo's latest release is $RELEASE"
zcat "$PREFIX/share/doc/ostrimar/changelog.gz" | head -n 1 | grep -q "^ostrimar ($RELEASE)" ||
  fail "the change log's top entry is not $RELEASE"
for s in 32 48 64 128 256; do
  [ -s "$PREFIX/share/icons/hicolor/${s}x${s}/apps/ostrimar.png" ] || fail "missing ${s}px icon"
done
[ -e "$PREFIX/share/ostrimar/icons" ] && fail "desktop icons copied into the data set"
[ -e "$PREFIX/share/ostrimar/settings" ] && fail "a settings folder was installed"

if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$PREFIX/share/applications/org.ostrimar.Ostrimar.desktop" || fail "desktop file"
else
  echo "note: desktop-file-validate not installed (scripts/deps.sh test)"
fi
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net "$PREFIX/share/metainfo/org.ostrimar.Ostrimar.metainfo.xml" || fail "metainfo"
else
  echo "note: appstreamcli not installed (scripts/deps.sh test)"
fi

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "note: xvfb-run not installed; the installed game was not started"
  echo "1 passed, 0 failed"
  exit 0
fi
# The first run: from a folder without Data, with a private home, data home and runtime folder.
touch "$SCRATCH/marker"
sleep 1
(
  cd "$SCRATCH/elsewhere" &&
  HOME="$SCRATCH/home" XDG_DATA_HOME="$SCRATCH/xdg" XDG_RUNTIME_DIR="$SCRATCH/run" \
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$PREFIX/bin/ostrimar"
) > "$SCRATCH/game.log" 2>&1 &
RUNNER=$!
# The settings folder is made by the deferred load, after the splash.
found=0
i=0
while [ $i -lt 300 ]; do
  if [ -d "$SCRATCH/xdg/ostrimar/settings" ]; then found=1; break; fi
  if ! kill -0 $RUNNER 2>/dev/null; then break; fi
  sleep 0.1
  i=$((i + 1))
done
GAME=$(pgrep -f "^$PREFIX/bin/ostrimar" | head -n 1)
[ -n "$GAME" ] && kill -TERM "$GAME"
wait $RUNNER
[ $found = 1 ] || { cat "$SCRATCH/game.log"; fail "no settings folder under XDG_DATA_HOME"; }
[ -e "$SCRATCH/home/.local" ] && fail "wrote under HOME although XDG_DATA_HOME was set"
[ -e "$SCRATCH/elsewhere/Data" ] && fail "made a Data folder in the start folder"
NEW=$(find "$PREFIX" -newer "$SCRATCH/marker")
[ -z "$NEW" ] || fail "wrote into the installed tree: $NEW"
echo "1 passed, 0 failed"
