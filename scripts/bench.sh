#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build in build-bench/). Arguments go to the
# benchmark, e.g. --rows 100000.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build g++ libsqlite3-dev libbenchmark-dev
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_BUILD_TESTS=OFF \
  -DVELTRA_BUILD_BENCH=ON
cmake --build build-bench
build-bench/veltra-bench-search "$@"
