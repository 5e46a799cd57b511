#!/bin/sh
# The long input storm: the end-to-end storm test (PlayE2e.InputStorm...) with 2,000 seeded
# random clicks, keys, wheel turns, full-screen toggles and window resizes spread over 60 s, a
# third each in the menus, on the map and in a level, for each seed given. After each storm the
# game must still reach the main menu by its known key path and close cleanly (status 0, no
# sanitizer report). Prints one line per seed and exits 1 when any storm failed.
# Usage: scripts/storm.sh [BUILD_DIR] [EVENTS] [SECONDS] [SEED...]
#   BUILD_DIR defaults to build-test (built with its tests: test_e2e, ostrimar and the data set);
#   EVENTS 2000, SECONDS 60, seeds 1 2 3. Needs Xvfb and xdotool (scripts/deps.sh test).
set -u
BUILD=${1:-build-test}
EVENTS=${2:-2000}
SECONDS_=${3:-60}
[ $# -gt 3 ] && shift 3 || set -- 1 2 3
TEST=$BUILD/tests/e2e/test_e2e
[ -x "$TEST" ] || { echo "storm: no $TEST (build the tests first)" >&2; exit 1; }
status=0
for seed in "$@"; do
  log=$BUILD/storm-$seed.log
  start=$(date +%s)
  ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy OSTRIMAR_STORM_EVENTS=$EVENTS \
    OSTRIMAR_STORM_SECONDS=$SECONDS_ OSTRIMAR_STORM_SEED=$seed \
    "$TEST" --gtest_filter='PlayE2e.InputStorm*' > "$log" 2>&1
  code=$?
  took=$(( $(date +%s) - start ))
  summary=$(grep "^storm:" "$log" | tail -1)
  if [ $code -eq 0 ]; then result=passed; else result=FAILED; status=1; fi
  echo "seed $seed: $result in $took s; $summary (log: $log)"
done
exit $status
