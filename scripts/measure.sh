#!/bin/sh
# Starts the game under a virtual X display and prints what a player's machine would feel:
# the time from start to a mapped window, the CPU the game takes while it waits at the splash
# prompt and on a settled board, and its peak memory.
# Usage: scripts/measure.sh [BUILD_DIR] [SECONDS_PER_SAMPLE]
#   BUILD_DIR defaults to build-rel (make it with
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DOSTRIMAR_TESTS=OFF -DOSTRIMAR_BENCH=OFF
#   && cmake --build build-rel --target ostrimar dataset).
# Needs Xvfb and xdotool (scripts/deps.sh test). Runs with a private home, data home and
# runtime folder, so it neither sees nor touches a player's files or a running copy.
set -u
BUILD=${1:-build-rel}
SECS=${2:-5}
GAME=$(cd "$BUILD" && pwd)/ostrimar
[ -x "$GAME" ] || { echo "no game at $GAME" >&2; exit 1; }
TMP=$(mktemp -d /tmp/ostrimar-measure-XXXXXX)
mkdir -p "$TMP/home" "$TMP/run" && chmod 700 "$TMP/run"
TICKS=$(getconf CLK_TCK)

# A free display number.
D=90
while [ -e /tmp/.X11-unix/X$D ] || [ -e /tmp/.X$D-lock ]; do D=$((D + 1)); done
Xvfb :$D -screen 0 1024x768x24 -nolisten tcp > "$TMP/xvfb.log" 2>&1 &
XVFB=$!
i=0
while [ ! -e /tmp/.X11-unix/X$D ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
export DISPLAY=:$D

cleanup() {
  [ -n "${PID:-}" ] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
  kill "$XVFB" 2>/dev/null
  wait "$XVFB" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM HUP PIPE

cpuTicks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# CPU use of the game over SECS seconds, in percent of one core.
cpuPercent() {
  a=$(cpuTicks "$PID"); t0=$(date +%s%N)
  sleep "$SECS"
  b=$(cpuTicks "$PID"); t1=$(date +%s%N)
  awk -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" -v hz="$TICKS" \
    'BEGIN { printf "%.1f", (b - a) / hz / ((t1 - t0) / 1e9) * 100 }'
}

START=$(date +%s%N)
(cd "$TMP" && HOME="$TMP/home" XDG_DATA_HOME="$TMP/home/data" XDG_RUNTIME_DIR="$TMP/run" \
  SDL_AUDIODRIVER=dummy exec "$GAME") > "$TMP/game.log" 2>&1 &
PID=$!
WIN=""
while [ -z "$WIN" ]; do
  WIN=$(xdotool search --onlyvisible --name '^Ostrimar$' 2>/dev/null | head -n 1)
  kill -0 "$PID" 2>/dev/null || { cat "$TMP/game.log"; echo "the game ended early" >&2; exit 1; }
done
MAPPED=$(date +%s%N)
echo "start to window:        $(( (MAPPED - START) / 1000000 )) ms"

# The splash runs 4 s, then the deferred load, then the prompt waits for a key.
sleep 8
echo "idle splash prompt CPU: $(cpuPercent) % of a core"
echo "menu CPU:               n/a (the splash leads straight into a level in this build)"
xdotool key --window "$WIN" space
sleep 6
echo "settled board CPU:      $(cpuPercent) % of a core"
xdotool windowminimize "$WIN" 2>/dev/null
sleep 1
echo "minimised CPU:          $(cpuPercent) % of a core"
echo "peak memory:            $(awk '/VmHWM/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$PID/status")"
