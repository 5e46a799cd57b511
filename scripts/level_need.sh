#!/bin/sh
# Measures what the data tool's planning bot needs to clear every level when nothing limits it
# (timeless mode): the moves and the seconds of each of RUNS runs, seeds SEED, SEED+1, ...
# (default 1001, apart from the seeds the difficulty table is measured with). When OUT exists,
# the new runs are added to its lines, so a second call with other seeds makes the need surer. The level maker (tools/datagen,
# gen_levels.cpp) turns these into each level's "time=" and "moves=" for the win rate the level
# plan asks of its stage. Writes data/levels/need.txt (or OUT).
# Usage: scripts/level_need.sh BUILD_DIR [RUNS] [OUT] [LEVEL_DIR] [SEED]
# LEVEL_DIR defaults to BUILD_DIR/Data/levels. Uses both cores, at low priority.
set -e
BUILD=${1:?usage: level_need.sh BUILD_DIR [RUNS] [OUT] [LEVEL_DIR]}
RUNS=${2:-30}
OUT=${3:-$(dirname "$0")/../data/levels/need.txt}
LEVELS=${4:-$BUILD/Data/levels}
SEED=${5:-1001}
TOOL=$BUILD/ostrimar-data
[ -x "$TOOL" ] || { echo "level_need: no $TOOL" >&2; exit 1; }
COUNT=$(ls "$LEVELS"/pack1_*.lvl | wc -l)
seq 1 "$COUNT" | xargs -P 2 -n 1 sh -c '
  f=$(printf "%s/pack1_%02d.lvl" "$1" "$5")
  nice -n 10 "$2" play "$f" --seed "$4" --runs "$3" --mode timeless | awk -v level="$5" "
    /^result=/ {
      split(\$0, kv, \" \"); r = \"\"; m = \"\"; fr = \"\"
      for (k in kv) { split(kv[k], p, \"=\"); if (p[1] == \"result\") r = p[2]; if (p[1] == \"moves\") m = p[2]; if (p[1] == \"frames\") fr = p[2] }
      if (r == \"won\") { moves = moves \" \" m; secs = secs sprintf(\" %.1f\", fr * 0.016) }
      else { moves = moves \" -\"; secs = secs \" -\" }
    }
    END { printf \"%3d%s |%s\n\", level, moves, secs }"
' sh "$LEVELS" "$TOOL" "$RUNS" "$SEED" | sort -n > "$OUT.new"
# Runs already in OUT stay in front of the new ones.
if [ -f "$OUT" ]; then
  awk 'FNR == NR { if ($1 !~ /^#/ && NF) { split($0, h, "|"); old[$1] = h[1]; olds[$1] = h[2] } next }
       { split($0, h, "|"); n = split(h[1], m, " "); rest = ""; for (k = 2; k <= n; k++) rest = rest " " m[k]
         if ($1 in old) print old[$1] rest " |" olds[$1] h[2]; else print $0 }' "$OUT" "$OUT.new" |
    sed 's/  */ /g; s/^ *\([0-9]\)/\1/' > "$OUT.tmp"
else
  mv "$OUT.new" "$OUT.tmp"
fi
rm -f "$OUT.new"
{
  echo "# What the planning bot needs to clear each level when nothing limits it (timeless mode, runs"
  echo "# from seed 1001 on): the moves of each run, then the seconds of each run; '-' for a run that"
  echo "# was not won. Made by scripts/level_need.sh; the level maker sets each level's \"moves=\" and"
  echo "# \"time=\" from it for the win rate the plan asks of the level's stage."
  cat "$OUT.tmp"
} > "$OUT.out"
mv "$OUT.out" "$OUT"
rm -f "$OUT.tmp"
