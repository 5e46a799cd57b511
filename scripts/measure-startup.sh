#!/bin/sh
# Times the game's start-up as scripts/measure.sh does (start to a mapped window, start to the
# first splash frame), several starts in a row, each under its own Xvfb with a private home and
# a private copy of the build's data set without its "settings" (a first start: full screen).
# "cold": every start has an empty home, so Mesa's shader cache is empty (a player's very first
# start); "warm": one home kept across the starts after a first one that fills the cache (a
# player's later starts; the settings folder is removed between them, so each is still a first
# start). Prints one line per start and the load average at the end.
# With PRIORITY=1 the X server and the game run at a real-time priority (chrt -f 10, as root):
# on a machine whose cores are busy with other work, the start then takes what it would on an
# idle one, so that two builds can be compared.
# The game's own start-up log (OSTRIMAR_STARTUP_LOG) adds its age when the window was shown and
# when its first frame was done.
# Usage: scripts/measure-startup.sh [BUILD_DIR] [STARTS] [cold|warm]
set -u
if [ "${PRIORITY:-0}" = 1 ]; then PRIORITY=2 exec chrt -f 10 "$0" "$@"; fi
BUILD=${1:-build-rel}
RUNS=${2:-5}
MODE=${3:-cold}
GAME=$(cd "$BUILD" && pwd)/ostrimar
[ -x "$GAME" ] || { echo "no game at $GAME" >&2; exit 1; }
TMP=$(mktemp -d /tmp/ostrimar-startup-XXXXXX)
cp -r "$(dirname "$GAME")/Data" "$TMP/Data" && rm -rf "$TMP/Data/settings"
PID=""; XVFB=""
cleanup() {
  [ -n "$PID" ] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null && wait "$XVFB" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM HUP PIPE

# One start: prints "<ms to window> <ms to first splash frame>".
start() {
  D=90
  while [ -e /tmp/.X11-unix/X$D ] || [ -e /tmp/.X$D-lock ]; do D=$((D + 1)); done
  Xvfb :$D -screen 0 1024x768x24 -nolisten tcp > "$TMP/xvfb.log" 2>&1 &
  XVFB=$!
  i=0
  while [ ! -e /tmp/.X11-unix/X$D ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
  # The socket appears a moment before the server takes connections.
  while ! DISPLAY=:$D xdotool getdisplaygeometry > /dev/null 2>&1 && [ $i -lt 200 ]; do sleep 0.05; i=$((i + 1)); done
  rm -rf "$TMP/Data/settings" "$TMP/screen" "$TMP/run"
  mkdir -p "$TMP/home" "$TMP/run" && chmod 700 "$TMP/run"
  sleep 0.3
  S=$(date +%s%N)
  (cd "$TMP" && DISPLAY=:$D HOME="$TMP/home" XDG_CACHE_HOME="$TMP/home/.cache" XDG_DATA_HOME="$TMP/home/data" XDG_RUNTIME_DIR="$TMP/run" \
    OSTRIMAR_SCREEN_FILE="$TMP/screen" SDL_AUDIODRIVER=dummy OSTRIMAR_STARTUP_LOG=1 exec "$GAME") > "$TMP/game.log" 2>&1 &
  PID=$!
  W=""
  while [ -z "$W" ]; do
    W=$(DISPLAY=:$D xdotool search --onlyvisible --name '^Ostrimar$' 2>/dev/null | head -n 1)
    kill -0 "$PID" 2>/dev/null || { cat "$TMP/game.log" >&2; echo "the game ended early" >&2; exit 1; }
  done
  M=$(date +%s%N)
  while [ ! -e "$TMP/screen" ] && kill -0 "$PID" 2>/dev/null; do sleep 0.005; done
  F=$(date +%s%N)
  # The game's own marks (OSTRIMAR_STARTUP_LOG; none in builds without the log): its age when
  # the window was shown and when the first frame was done.
  shown=$(awk '/: window shown$/ { print $2 }' "$TMP/game.log")
  first=$(awk '/: first frame$/ { print $2 }' "$TMP/game.log")
  echo "$(( (M - S) / 1000000 )) $(( (F - S) / 1000000 )) ${shown:--} ${first:--}"
  [ -n "${KEEP_LOG:-}" ] && cat "$TMP/game.log" >&2
  kill "$PID" 2>/dev/null; wait "$PID" 2>/dev/null; PID=""
  kill "$XVFB" 2>/dev/null; wait "$XVFB" 2>/dev/null; XVFB=""
}

if [ "$MODE" = warm ]; then start > /dev/null; fi
n=0
while [ $n -lt "$RUNS" ]; do
  [ "$MODE" = warm ] || rm -rf "$TMP/home"
  r=$(start)
  set -- $r
  echo "$MODE start $((n + 1)): start to window $1 ms, to splash frame $2 ms (in the game: window shown at $3 ms, first frame at $4 ms)"
  n=$((n + 1))
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
