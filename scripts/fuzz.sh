#!/bin/sh
# Runs the fuzz targets of the data-file readers with libFuzzer (clang, address and
# undefined-behaviour sanitizers), starting from the seed corpus in tests/fuzz/corpus, and prints
# a table of executions, coverage and crashes per target at the end.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS seconds (default 60)
#   scripts/fuzz.sh all [TARGET...]         each target until 10 million executions or 10 minutes,
#                                           whichever comes first (FUZZ_ALL_SECONDS changes the 10 minutes)
# FUZZ_JOBS=N runs N targets at a time (default 1).
# TARGET is a name from tests/fuzz/fuzz_NAME.cpp; without any, every target runs.
# New inputs are kept in build-fuzz/corpus/NAME, crashing inputs in build-fuzz/artifacts/NAME-*,
# the fuzzer's output in build-fuzz/logs/NAME.log. The exit status is 1 when any target crashed.
set -e
cd "$(dirname "$0")/.."
runs=""
if [ "$1" = "all" ]; then
  seconds=${FUZZ_ALL_SECONDS:-600}
  runs="-runs=10000000"
  shift
else
  seconds=${1:-60}
  [ $# -gt 0 ] && shift
fi
case "$seconds" in '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number or 'all'" >&2; exit 2 ;; esac
targets=$*
if [ -z "$targets" ]; then
  for f in tests/fuzz/fuzz_*.cpp; do
    n=${f#tests/fuzz/fuzz_}
    targets="$targets ${n%.cpp}"
  done
fi
for t in $targets; do
  [ -f "tests/fuzz/fuzz_$t.cpp" ] || { echo "fuzz.sh: no fuzz target '$t' (tests/fuzz/fuzz_$t.cpp)" >&2; exit 2; }
done

scripts/deps.sh fuzz
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DOSTRIMAR_SANITIZE=ON \
  -DOSTRIMAR_FUZZ=ON -DOSTRIMAR_BENCH=OFF $launcher >/dev/null
build=""
for t in $targets; do build="$build fuzz_$t"; done
# shellcheck disable=SC2086
cmake --build build-fuzz -j2 --target $build

# Leaks are faults here too; a single input running 25 s counts as a hang.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build-fuzz/logs build-fuzz/artifacts
table=build-fuzz/logs/summary.txt
# One target's run; its row of the table goes to build-fuzz/logs/NAME.row.
fuzzOne() {
  t=$1
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/logs/$t.log"
  stamp="build-fuzz/logs/$t.stamp"
  : >"$stamp"
  start=$(date +%s)
  echo "== fuzz_$t ($seconds s${runs:+, at most 10 million executions})"
  status=0
  # shellcheck disable=SC2086
  "./build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" $runs -timeout=25 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$t-" \
    "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  end=$(date +%s)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | sed 's/cov: //')
  crashes=$(find build-fuzz/artifacts -name "$t-*" -newer "$stamp" | wc -l)
  # A crash the fuzzer could not write out (or a failure to start) still counts.
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  [ "$crashes" -ne 0 ] && tail -n 40 "$log"
  printf '%-16s %14s %10s %8s %8s\n' "$t" "${execs:-?}" "${cov:-?}" "$((end - start))" "$crashes" \
    >"build-fuzz/logs/$t.row"
  cat "build-fuzz/logs/$t.row"
}
# FUZZ_JOBS lanes (default 1) share the targets in turn, each lane running its targets one after
# another; the table keeps the targets' order.
jobs=${FUZZ_JOBS:-1}
case "$jobs" in '' | *[!0-9]* | 0) echo "fuzz.sh: FUZZ_JOBS must be a positive whole number" >&2; exit 2 ;; esac
for t in $targets; do rm -f "build-fuzz/logs/$t.row"; done
lane=0
while [ "$lane" -lt "$jobs" ]; do
  (
    i=0
    for t in $targets; do
      [ $((i % jobs)) -eq "$lane" ] && fuzzOne "$t"
      i=$((i + 1))
    done
  ) &
  lane=$((lane + 1))
done
wait
printf '%-16s %14s %10s %8s %8s\n' target executions coverage seconds crashes >"$table"
failed=0
for t in $targets; do
  row="build-fuzz/logs/$t.row"
  # A lane that died before writing its row counts as a crash.
  [ -f "$row" ] || printf '%-16s %14s %10s %8s %8s\n' "$t" ? ? ? 1 >"$row"
  cat "$row" >>"$table"
  [ "$(awk '{print $5}' "$row")" = "0" ] || failed=1
done
echo
cat "$table"
exit $failed
