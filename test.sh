#!/bin/sh
# Installs what the tests need (Debian 12), builds everything with the address and
# undefined-behaviour sanitizers and runs every test, headless; then builds the fuzz targets with
# clang for libFuzzer.
set -e
cd "$(dirname "$0")"
scripts/deps.sh test
# datagen runs during the build: leak checks would flag fontconfig's caches.
export ASAN_OPTIONS=detect_leaks=0
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DOSTRIMAR_SANITIZE=ON -DOSTRIMAR_BENCH=ON
cmake --build build-test -j"$(nproc)"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
(cd build-test && ctest --output-on-failure -j"$(nproc)" --timeout 600)
# The fuzz targets as libFuzzer builds them (clang), only built, so the harness cannot break unseen;
# the test build above replays every seed corpus.
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DOSTRIMAR_SANITIZE=ON -DOSTRIMAR_FUZZ=ON \
  -DOSTRIMAR_BENCH=OFF $launcher >/dev/null
cmake --build build-fuzz -j2 --target fuzz_targets
