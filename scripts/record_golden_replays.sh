#!/bin/sh
# Records the golden replays again (tests/replays/*.rpl) and writes the line each one replays to
# into tests/replays/expected.txt. CTest (Replays.GoldenReplaysPlayToTheirRecordedLines) plays every
# one and compares: a change of the rules, of the level flow or of a level file that alters any
# game fails that test until this script is run on purpose and its result committed.
# Usage: scripts/record_golden_replays.sh BUILD_DIR
set -e
BUILD=${1:?usage: record_golden_replays.sh BUILD_DIR}
TOOL=$BUILD/ostrimar-data
LEVELS=$BUILD/Data/levels
OUT=$(dirname "$0")/../tests/replays
[ -x "$TOOL" ] || { echo "record_golden_replays: no $TOOL" >&2; exit 1; }
mkdir -p "$OUT"
rm -f "$OUT"/*.rpl
{
  echo "# FILE<TAB>the line ostrimar-data replay prints for it (scripts/record_golden_replays.sh)"
  # name level mode bot seed: what each game shows
  while read -r name level mode bot seed; do
    case "$name" in ''|\#*) continue ;; esac
    file=$(printf "%s/pack1_%02d.lvl" "$LEVELS" "$level")
    line=$("$TOOL" record "$file" "$OUT/$name.rpl" --mode "$mode" --bot "$bot" --seed "$seed")
    printf "%s.rpl\t%s\n" "$name" "$line"
  done <<'LIST'
# squares, a quick greedy game
first-adventure        1 adventure greedy 1
# squares, timeless, the planning bot (bombs and thunder from groups and colour runs)
squares-timeless       3 timeless  plan   2
# a puzzle level won in few moves
rows-puzzle            5 puzzle    plan   3
# chains on dual squares, the hammer when it is ready
chains-adventure      41 adventure plan   4
# fixed cross bombs
cross-timeless        61 timeless  plan   5
# fixed bombs
bombs-puzzle          63 puzzle    plan   6
# fixed diagonal bombs
diagonal-adventure    68 adventure plan   7
# a fixed mega bomb and chains
mega-timeless         77 timeless  plan   8
# fixed thunder and chains
thunder-adventure     86 adventure plan   9
# fixed thunder, puzzle
thunder-puzzle        90 puzzle    plan  10
# two mega bombs and chains
megas-timeless        89 timeless  plan  11
# a loss: the greedy bot runs out of moves
lost-puzzle          120 puzzle    greedy 6
# a loss against the time
lost-adventure       110 adventure greedy 12
LIST
} > "$OUT/expected.txt.new"
mv "$OUT/expected.txt.new" "$OUT/expected.txt"
cat "$OUT/expected.txt"
