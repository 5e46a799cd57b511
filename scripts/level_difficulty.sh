#!/bin/sh
# Measures how hard every level of a data set is: the data tool's planning bot plays each level
# RUNS times (seeds SEED, SEED+1, ...) in each of the three modes, the level index taken from the
# file name so that the limits are the game's. Writes into OUT_DIR:
#   results.txt  one line per mode and level: mode level won lost stopped
#   summary.md   the tables and the figures the difficulty curve is judged by
#   winrate.png  win rate against level number per mode (when gnuplot is installed:
#                scripts/deps.sh plot)
# Usage: scripts/level_difficulty.sh BUILD_DIR OUT_DIR [RUNS] [SEED] [LEVEL_DIR]
# LEVEL_DIR defaults to BUILD_DIR/Data/levels. Uses both cores, at low priority.
set -e
BUILD=${1:?usage: level_difficulty.sh BUILD_DIR OUT_DIR [RUNS] [SEED] [LEVEL_DIR]}
OUT=${2:?usage: level_difficulty.sh BUILD_DIR OUT_DIR [RUNS] [SEED] [LEVEL_DIR]}
RUNS=${3:-10}
SEED=${4:-7}
LEVELS=${5:-$BUILD/Data/levels}
TOOL=$BUILD/ostrimar-data
[ -x "$TOOL" ] || { echo "level_difficulty: no $TOOL" >&2; exit 1; }
mkdir -p "$OUT"
COUNT=$(ls "$LEVELS"/pack1_*.lvl | wc -l)

# One job per mode and level, two at a time.
for mode in adventure puzzle timeless; do
  for i in $(seq 1 "$COUNT"); do echo "$mode $i"; done
done | xargs -P 2 -n 2 sh -c '
  mode=$5; level=$6
  f=$(printf "%s/pack1_%02d.lvl" "$1" "$level")
  line=$(nice -n 10 "$2" play "$f" --seed "$3" --runs "$4" --mode "$mode" | tail -1)
  won=$(echo "$line" | sed -n "s/.* won=\([0-9]*\).*/\1/p")
  lost=$(echo "$line" | sed -n "s/.* lost=\([0-9]*\).*/\1/p")
  stopped=$(echo "$line" | sed -n "s/.* stopped=\([0-9]*\).*/\1/p")
  echo "$mode $level $won $lost $stopped"
' sh "$LEVELS" "$TOOL" "$SEED" "$RUNS" | sort -k1,1 -k2,2n > "$OUT/results.txt.tmp"
mv "$OUT/results.txt.tmp" "$OUT/results.txt"

awk -v runs="$RUNS" '
function spearman(m,   i, j, n, rx, ry, mx, my, sxy, sxx, syy, less, same) {
  n = count[m]
  for (i = 1; i <= n; i++) {
    less = 0; same = 0
    for (j = 1; j <= n; j++) {
      if (rate[m, j] < rate[m, i]) less++
      else if (rate[m, j] == rate[m, i]) same++
    }
    ry[i] = less + (same + 1) / 2
    rx[i] = i
  }
  mx = (n + 1) / 2; my = mx
  for (i = 1; i <= n; i++) {
    sxy += (rx[i] - mx) * (ry[i] - my); sxx += (rx[i] - mx) ^ 2; syy += (ry[i] - my) ^ 2
  }
  return syy > 0 ? sxy / sqrt(sxx * syy) : 0
}
{ m = $1; i = $2; won[m, i] = $3; lost[m, i] = $4; stopped[m, i] = $5; rate[m, i] = $3 / runs
  if (i > count[m]) count[m] = i }
END {
  split("adventure puzzle timeless", modes, " ")
  split("4 5 6 7 8 9 10 10 10 10 10 10 10 10 10", sizes, " ")
  print "| level | adventure | puzzle | timeless |"
  print "|---|---|---|---|"
  for (i = 1; i <= count["adventure"]; i++)
    printf "| %d | %.1f | %.1f | %.1f |\n", i, rate["adventure", i], rate["puzzle", i], rate["timeless", i]
  print ""
  print "| mode | runs won | never won | stage 1 | Spearman | cliffs | stopped |"
  print "|---|---|---|---|---|---|---|"
  for (k = 1; k <= 3; k++) {
    m = modes[k]; total = 0; never = 0; s1 = 0; cliffs = ""; stops = 0
    for (i = 1; i <= count[m]; i++) {
      total += won[m, i]; stops += stopped[m, i]
      if (won[m, i] == 0) never++
      if (i <= 4) s1 += won[m, i]
      # More than 0.5 below the mean of the two neighbours, counted in whole runs (no tenths).
      if (i > 1 && i < count[m] && 2 * won[m, i] < won[m, i - 1] + won[m, i + 1] - runs) cliffs = cliffs " " i
    }
    printf "| %s | %d of %d | %d | %.0f %% | %.2f | %s | %d |\n", m, total, count[m] * runs, never,
      100 * s1 / (4 * runs), spearman(m), cliffs == "" ? "none" : cliffs, stops
  }
  print ""
  print "| stage | levels | adventure | puzzle | timeless |"
  print "|---|---|---|---|---|"
  first = 1
  for (s = 1; s <= 15 && first <= count["adventure"]; s++) {
    last = first + sizes[s] - 1
    if (last > count["adventure"]) last = count["adventure"]
    line = sprintf("| %d | %d-%d |", s, first, last)
    for (k = 1; k <= 3; k++) {
      sum = 0
      for (i = first; i <= last; i++) sum += rate[modes[k], i]
      line = line sprintf(" %.2f |", sum / (last - first + 1))
    }
    print line
    first = last + 1
  }
}' "$OUT/results.txt" > "$OUT/summary.md"

if command -v gnuplot > /dev/null; then
  for mode in adventure puzzle timeless; do
    awk -v m="$mode" -v runs="$RUNS" '$1 == m { print $2, $3 / runs }' "$OUT/results.txt" > "$OUT/$mode.dat"
  done
  # The win rate the level plan asks (its stages and curve, eased across each stage as the level
  # maker does).
  awk '$1 == "stages" { for (k = 2; k <= NF; k++) size[k - 1] = $k; n = NF - 1 }
       $1 == "curve" { for (k = 2; k <= NF; k++) rate[k - 1] = $k }
       END { level = 1
             for (s = 1; s <= n; s++) {
               next_rate = s < n ? rate[s + 1] : rate[s]
               for (k = 0; k < size[s]; k++) print level++, (rate[s] + (next_rate - rate[s]) * k / size[s]) / 100
             } }' "$(dirname "$0")/../data/levels/plan.txt" > "$OUT/plan.dat"
  gnuplot <<EOF
set terminal pngcairo size 900,420 font "DejaVu Sans,10"
set output "$OUT/winrate.png"
set title "Planning bot: win rate per level ($RUNS runs each)"
set xlabel "level"
set ylabel "win rate"
set xrange [0:$((COUNT + 1))]
set yrange [-0.05:1.05]
set key bottom left
set grid ytics
plot "$OUT/adventure.dat" using 1:2 with linespoints pt 7 ps 0.5 lc rgb "#c0392b" title "adventure", \
     "$OUT/puzzle.dat" using 1:2 with linespoints pt 5 ps 0.5 lc rgb "#2471a3" title "puzzle", \
     "$OUT/timeless.dat" using 1:2 with lines lc rgb "#7d8c3a" title "timeless", \
     "$OUT/plan.dat" using 1:2 with lines dt 2 lw 2 lc rgb "#333333" title "asked by the plan"
EOF
  rm -f "$OUT/adventure.dat" "$OUT/puzzle.dat" "$OUT/timeless.dat" "$OUT/plan.dat"
fi
cat "$OUT/summary.md" | tail -22
