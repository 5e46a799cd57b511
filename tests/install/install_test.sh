#!/bin/sh
# Installs the build into a scratch prefix and checks the result as a packager and a player
# would: every file in its place, the desktop entry and the AppStream file valid, and the
# installed game, started from an unrelated folder, finds its data, writes its settings folder
# under $XDG_DATA_HOME and nothing into the prefix.
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
         share/man/man6/ostrimar.6 share/man/man1/ostrimar-data.1; do
  [ -e "$PREFIX/$f" ] || fail "missing $f"
done
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
