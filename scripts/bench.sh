#!/usr/bin/env bash
# Builds and runs the benchmarks (optimised build in build-bench/):
#   scripts/bench.sh search [--rows N]      the data source against the raw indexed query
#   scripts/bench.sh keystroke [--rows N]   the whole control against the Qt peers
#   scripts/bench.sh access [--rows N]      an Access table's first use
#   scripts/bench.sh postgresql [--rows N]... [--clients N]... [--pace MS]
#                                           many clients on a PostgreSQL server of its own
#   scripts/bench.sh                        the first three, at their default sizes
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build g++ libsqlite3-dev libbenchmark-dev \
  qt6-base-dev libgl-dev libqt6sql6-sqlite mdbtools-dev libpq-dev pkg-config
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_BUILD_TESTS=OFF \
  -DVELTRA_BUILD_BENCH=ON
cmake --build build-bench
which="${1:-all}"
[ $# -gt 0 ] && shift
case "$which" in
  search) build-bench/veltra-bench-search "$@" ;;
  keystroke) build-bench/veltra-bench-keystroke "$@" ;;
  access) build-bench/veltra-bench-access "$@" ;;
  postgresql)
    # A server of the benchmark's own, tuned for building indexes on millions of rows; its
    # folder (and the generated tables) is kept in /tmp/veltra-bench-pg for the next run.
    scripts/install-deps.sh postgresql-15 postgresql-contrib
    server=/tmp/veltra-bench-pg
    export VELTRA_SERVER_OPTIONS="-c shared_buffers=2GB -c maintenance_work_mem=1GB -c max_wal_size=8GB -c max_parallel_maintenance_workers=2"
    if [ -f "$server/port" ] && tests/postgresql/server.sh resume "$server" 2>/dev/null; then :
    else tests/postgresql/server.sh start "$server" >/dev/null; fi
    trap 'tests/postgresql/server.sh halt "$server"' EXIT
    tests/postgresql/with-server.sh "$server" build-bench/veltra-bench-postgresql "$@" ;;
  all) build-bench/veltra-bench-search && build-bench/veltra-bench-keystroke &&
    build-bench/veltra-bench-access ;;
  *) echo "usage: scripts/bench.sh [search|keystroke|access|postgresql|all] [OPTIONS]" >&2; exit 2 ;;
esac
