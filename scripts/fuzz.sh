#!/bin/sh
# Runs the fuzz targets of the data-file readers with libFuzzer (clang), each for SECONDS seconds
# (default 60), starting from the seed corpus in tests/fuzz/corpus. New inputs are kept in
# build-fuzz/corpus/<target>; crashes are written to build-fuzz/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     TARGET: archive texts keyvalue
set -e
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"archive texts keyvalue"}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DOSTRIMAR_SANITIZE=ON \
  -DOSTRIMAR_FUZZ=ON -DOSTRIMAR_BENCH=OFF >/dev/null
for t in $targets; do
  cmake --build build-fuzz -j2 --target "fuzz_$t"
  mkdir -p "build-fuzz/corpus/$t"
  (cd build-fuzz && "./tests/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    "corpus/$t" "../tests/fuzz/corpus/$t")
done
