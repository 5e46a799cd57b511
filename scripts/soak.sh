#!/bin/sh
# Soak of the whole road: the data tool's planning bot plays a new game of every mode from the
# first level to the last (129) through the game's real level flow (win sequence, level-complete
# dialog, lives, defeat dialog, game over, leaving with a saved game and loading it again) in a
# build with the address, undefined-behaviour and leak sanitizers. Reports per mode: whether the
# last level was reached, the sanitizer errors and leaks, and the peak memory. Long (tens of
# minutes to hours); not part of the tests. A part of the road can be soaked alone: a new game
# that starts at level FROM and ends once level TO lies behind, in the modes named.
# Usage: scripts/soak.sh [BUILD_DIR] [OUT_DIR] [FROM] [TO] [MODES]   (BUILD_DIR configured with
# -DOSTRIMAR_SANITIZE=ON, default build-test; the data set is BUILD_DIR/Data; FROM 1, TO 129,
# MODES "adventure timeless puzzle" by default)
set -e
BUILD=${1:-build-test}
OUT=${2:-$BUILD/soak}
FROM=${3:-1}
TO=${4:-129}
MODES=${5:-adventure timeless puzzle}
TOOL=$BUILD/ostrimar-data
[ -x "$TOOL" ] || { echo "soak: no $TOOL" >&2; exit 1; }
[ -d "$BUILD/Data/levels" ] || { echo "soak: no data set in $BUILD/Data" >&2; exit 1; }
mkdir -p "$OUT"
# The tool works inside the data folder: the settings folder is named from the root.
OUT=$(cd "$OUT" && pwd)
status=0
for mode in $MODES; do
  rm -rf "$OUT/settings_$mode"
  set +e
  ASAN_OPTIONS=detect_leaks=1:halt_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    nice -n 10 /usr/bin/time -v "$TOOL" campaign "$BUILD/Data" --mode "$mode" --from "$FROM" --levels "$TO" --seed 1 \
    --max-frames 20000000 --bot plan --settings "$OUT/settings_$mode" > "$OUT/$mode.out" 2> "$OUT/$mode.err"
  code=$?
  set -e
  summary=$(grep "^campaign " "$OUT/$mode.out" | tail -1)
  leaks=$(grep -c "ERROR: LeakSanitizer" "$OUT/$mode.err" || true)
  asan=$(grep -c "ERROR: AddressSanitizer" "$OUT/$mode.err" || true)
  ubsan=$(grep -c "runtime error:" "$OUT/$mode.err" || true)
  faults=$(grep -c "^fault:" "$OUT/$mode.err" || true)
  peak=$(sed -n "s/.*Maximum resident set size (kbytes): //p" "$OUT/$mode.err")
  cpu=$(sed -n "s/.*User time (seconds): //p" "$OUT/$mode.err")
  echo "$mode levels $FROM-$TO: exit=$code leaks=$leaks address_errors=$asan undefined=$ubsan faults=$faults peak_kb=$peak cpu_s=$cpu"
  echo "  $summary"
  if [ "$code" != 0 ] || [ "$leaks$asan$ubsan$faults" != "0000" ]; then status=1; fi
done
exit $status
