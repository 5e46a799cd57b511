#!/bin/sh
# Starts the game under a virtual X display and prints what a player's machine would feel:
# the time from start to a mapped window, the CPU the game takes while it waits at the splash
# prompt, in the main menu and on a settled board, and its peak memory. It plays a first start
# with the keyboard: a key at the prompt, the name "ANNA", then Enter through the main menu's
# "Adventure", the story panel and the map into level 1.
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

# Waits until the game's memory has stayed within 1 MiB for two seconds (a load is over).
settle() {
  last=0; still=0; waited=0
  while [ $still -lt 4 ] && [ $waited -lt 240 ]; do
    sleep 0.5; waited=$((waited + 1))
    now=$(awk '/VmRSS/ { print $2 }' "/proc/$PID/status")
    d=$((now - last)); [ $d -lt 0 ] && d=$((-d))
    if [ $d -lt 1024 ]; then still=$((still + 1)); else still=0; last=$now; fi
  done
}
keys() { for k in "$@"; do xdotool key --window "$WIN" "$k"; sleep 2; done; }

# The splash runs 4 s, then the deferred load, then the prompt waits for a key.
sleep 6
settle
sleep 4
echo "idle splash prompt CPU: $(cpuPercent) % of a core"
keys Return
xdotool type --window "$WIN" --delay 150 ANNA
keys Return
settle
sleep 4
echo "main menu CPU:          $(cpuPercent) % of a core"
keys Return Return Return
settle
sleep 4
echo "settled board CPU:      $(cpuPercent) % of a core"
echo "peak memory:            $(awk '/VmHWM/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$PID/status")"
echo "load average:           $(cut -d ' ' -f 1-3 /proc/loadavg)"
