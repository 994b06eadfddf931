#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build in build-bench/):
#   scripts/bench.sh search [--rows N]      the data source against the raw indexed query
#   scripts/bench.sh keystroke [--rows N]   the whole control against the Qt peers
#   scripts/bench.sh access [--rows N]      an Access table's first use
#   scripts/bench.sh                        all three, at their default sizes
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build g++ libsqlite3-dev libbenchmark-dev \
  qt6-base-dev libgl-dev libqt6sql6-sqlite mdbtools-dev pkg-config
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_BUILD_TESTS=OFF \
  -DVELTRA_BUILD_BENCH=ON
cmake --build build-bench
which="${1:-all}"
[ $# -gt 0 ] && shift
case "$which" in
  search) build-bench/veltra-bench-search "$@" ;;
  keystroke) build-bench/veltra-bench-keystroke "$@" ;;
  access) build-bench/veltra-bench-access "$@" ;;
  all) build-bench/veltra-bench-search && build-bench/veltra-bench-keystroke &&
    build-bench/veltra-bench-access ;;
  *) echo "usage: scripts/bench.sh [search|keystroke|access|all] [--rows N]" >&2; exit 2 ;;
esac
