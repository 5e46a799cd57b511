#!/bin/sh
# Installs what is missing (Debian 12), builds the game optimised, makes the default data set
# and starts the game from the folder that holds Data.
set -e
cd "$(dirname "$0")"
scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DOSTRIMAR_TESTS=OFF -DOSTRIMAR_BENCH=OFF
cmake --build build -j"$(nproc)" --target ostrimar ostrimar-data dataset
cd build
exec ./ostrimar
