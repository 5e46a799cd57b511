#!/bin/sh
# Installs what the tests need (Debian 12), builds everything with the address and
# undefined-behaviour sanitizers and runs every test, headless.
set -e
cd "$(dirname "$0")"
scripts/deps.sh test
# datagen runs during the build: leak checks would flag fontconfig's caches.
export ASAN_OPTIONS=detect_leaks=0
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DOSTRIMAR_SANITIZE=ON -DOSTRIMAR_BENCH=ON
cmake --build build-test -j"$(nproc)"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
cd build-test
ctest --output-on-failure -j"$(nproc)" --timeout 600
