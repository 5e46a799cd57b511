#!/bin/sh
# Starts the game under a virtual X display and prints what a player's machine would feel:
# the time from start to a mapped window and to the first splash frame, the CPU the game takes
# while it waits at the splash prompt, in the main menu, the trophy room, on a settled board
# and on the map, and its peak memory (after each of these, and at the end what the resident
# memory is made of: the process's own memory and mapped files, the latter mostly the GL driver's
# libraries). It plays a first start with the keyboard: a key at the prompt, the name "ANNA", the
# main menu's "Trophy room" and Escape back, "Adventure" and the story panel into level 1, then
# back to the main menu through the game's menu and "Adventure" again to its map.
# With IDLE_MEMORY_SECONDS set (600 for the 10-minute check), the game is also left idle that
# long in the main menu and on the settled board, its resident memory sampled every 10 s: the
# figure after the first minute, the lowest and highest after it, and whether every later
# sample stays within 2 MiB of the first minute's (docs/reliability.md).
# Usage: scripts/measure.sh [BUILD_DIR] [SECONDS_PER_SAMPLE]
#   BUILD_DIR defaults to build-rel (make it with
#   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DOSTRIMAR_TESTS=OFF -DOSTRIMAR_BENCH=OFF
#   && cmake --build build-rel --target ostrimar dataset).
# Needs Xvfb and xdotool (scripts/deps.sh test). Runs with a private home, data home and
# runtime folder, and a private copy of the build's data set without its "settings" (so every run
# is a first start, and the build's own saved profiles are neither seen nor touched).
set -u
BUILD=${1:-build-rel}
SECS=${2:-5}
GAME=$(cd "$BUILD" && pwd)/ostrimar
[ -x "$GAME" ] || { echo "no game at $GAME" >&2; exit 1; }
TMP=$(mktemp -d /tmp/ostrimar-measure-XXXXXX)
mkdir -p "$TMP/home" "$TMP/run" && chmod 700 "$TMP/run"
cp -r "$(dirname "$GAME")/Data" "$TMP/Data" && rm -rf "$TMP/Data/settings"
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
mib() { awk -v k="$1" '$1 == k ":" { printf "%.1f", $2 / 1024 }' "/proc/$PID/status"; }
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
  OSTRIMAR_SCREEN_FILE="$TMP/screen" OSTRIMAR_STATE_FILE="$TMP/state" SDL_AUDIODRIVER=dummy exec "$GAME") > "$TMP/game.log" 2>&1 &
PID=$!
WIN=""
while [ -z "$WIN" ]; do
  WIN=$(xdotool search --onlyvisible --name '^Ostrimar$' 2>/dev/null | head -n 1)
  kill -0 "$PID" 2>/dev/null || { cat "$TMP/game.log"; echo "the game ended early" >&2; exit 1; }
done
MAPPED=$(date +%s%N)
# The game writes its screen file at the end of its first frame drawn by the splash screen.
while [ ! -e "$TMP/screen" ] && kill -0 "$PID" 2>/dev/null; do sleep 0.005; done
FIRST=$(date +%s%N)
echo "start to window:        $(( (MAPPED - START) / 1000000 )) ms"
echo "start to splash frame:  $(( (FIRST - START) / 1000000 )) ms"

# Resident memory left idle for IDLE_MEMORY_SECONDS (nothing when unset or 0), in KiB samples.
idleMemory() {
  [ "${IDLE_MEMORY_SECONDS:-0}" -gt 0 ] || return 0
  t=0; ref=""; lo=""; hi=""; now=0
  while [ $t -lt "$IDLE_MEMORY_SECONDS" ]; do
    sleep 10; t=$((t + 10))
    now=$(awk '/VmRSS/ { print $2 }' "/proc/$PID/status")
    if [ $t -le 60 ]; then ref=$now; continue; fi
    [ -z "$lo" ] || [ "$now" -lt "$lo" ] && lo=$now
    [ -z "$hi" ] || [ "$now" -gt "$hi" ] && hi=$now
  done
  [ -n "$lo" ] || { lo=$now; hi=$now; }
  d1=$((hi - ref)); d2=$((ref - lo)); d=$d1; [ $d2 -gt $d ] && d=$d2
  verdict=within; [ $d -gt 2048 ] && verdict=BEYOND
  awk -v what="$1" -v s="$IDLE_MEMORY_SECONDS" -v r="$ref" -v l="$lo" -v h="$hi" -v n="$now" -v v="$verdict" \
    'BEGIN { printf "idle memory, %s, %d s: %.1f MiB after 1 min, then %.1f..%.1f MiB, %.1f MiB at the end: %s 2 MiB\n",
             what, s, r / 1024, l / 1024, h / 1024, n / 1024, v }'
}
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
# Waits (at most 30 s) until the game reports a line (OSTRIMAR_SCREEN_FILE, app/route.h).
waitFor() {
  i=0
  while ! grep -qx "$1" "$TMP/screen" 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
  grep -qx "$1" "$TMP/screen" 2>/dev/null || echo "(the game never reported $1: $(tr "\n" " " < "$TMP/screen"))"
}

# Moves the focus of the open dialog down to a button (at most 20 steps), then presses Return.
choose() {
  n=0
  while ! grep -qx "focus=$1" "$TMP/screen" 2>/dev/null && [ $n -lt 20 ]; do
    xdotool key --window "$WIN" Down; sleep 0.5; n=$((n + 1))
  done
  grep -qx "focus=$1" "$TMP/screen" 2>/dev/null || echo "(no button $1: $(tr "\n" " " < "$TMP/screen"))"
  keys Return
}

# The two splash pictures run 4 s each, then the deferred load, then the prompt waits for a key.
# Each figure is taken once the screen is there, its memory has settled, and 4 s have passed
# without input (so frames run at the idle rate).
waitFor prompt=1
settle
sleep 4
echo "idle splash prompt CPU: $(cpuPercent) % of a core (peak memory so far $(mib VmHWM) MiB)"
keys Return
xdotool type --window "$WIN" --delay 150 ANNA
keys Return
waitFor screen=menu
settle
sleep 4
echo "main menu CPU:          $(cpuPercent) % of a core (peak memory so far $(mib VmHWM) MiB)"
idleMemory "main menu"
# The trophy room from the main menu's button, then back with Escape.
choose trophyroom
waitFor screen=trophy
settle
sleep 4
echo "trophy room CPU:        $(cpuPercent) % of a core (peak memory so far $(mib VmHWM) MiB)"
keys Escape
waitFor screen=menu
waitFor settled=1
# "Adventure" (the main menu's first button) and the story panel: a first start goes on into
# level 1.
choose adventure
keys Return
waitFor screen=game
settle
sleep 4
echo "settled board CPU:      $(cpuPercent) % of a core (peak memory so far $(mib VmHWM) MiB)"
idleMemory "settled board"
# Back to the main menu through the game's menu, and "Adventure" again: now its map (after the
# question whether to go on with the saved game, answered "no").
# The level's first tip panel (open since the level started) is closed with Enter, then the
# HUD's "menu" button (at 62, 285 of the game's 800 x 600 picture, scaled to the window).
eval "$(xdotool getwindowgeometry --shell "$WIN")"
i=0
while grep -q "tip=1" "$TMP/state" 2>/dev/null && [ $i -lt 10 ]; do
  xdotool key --window "$WIN" Return; sleep 1; i=$((i + 1))
done
i=0
while ! grep -qx dialog=gameplay "$TMP/screen" && [ $i -lt 5 ]; do
  xdotool mousemove --window "$WIN" $((62 * WIDTH / 800)) $((285 * HEIGHT / 600))
  sleep 0.3; xdotool click --window "$WIN" 1; sleep 1; i=$((i + 1))
done
waitFor dialog=gameplay
sleep 1
choose main
i=0
while ! grep -qx dialog=main "$TMP/screen" && [ $i -lt 20 ]; do
  grep -qx dialog=messageboxok "$TMP/screen" && xdotool key --window "$WIN" Return
  sleep 0.5; i=$((i + 1))
done
waitFor dialog=main
choose adventure
grep -qx dialog=loadgamequest "$TMP/screen" && choose no
waitFor dialog=adventure
settle
sleep 4
echo "map CPU:                $(cpuPercent) % of a core"
echo "peak memory:            $(mib VmHWM) MiB (resident now $(mib VmRSS) MiB: own $(mib RssAnon), files $(mib RssFile))"
echo "load average:           $(cut -d ' ' -f 1-3 /proc/loadavg)"
