#!/usr/bin/env bash
# Builds the data layer and its tests with ThreadSanitizer (clang 14, in build-tsan/) and runs
# the tests of what more than one thread touches: the copies made by a worker thread while
# searches read the file, and the statements that wait for them. Any report fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build clang-14 libclang-rt-14-dev \
  libsqlite3-dev libgtest-dev mdbtools-dev pkg-config
CC=clang-14 CXX=clang++-14 cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_BUILD_QT=OFF -DVELTRA_POSTGRESQL=OFF -DCMAKE_CXX_FLAGS="-fsanitize=thread"
cmake --build build-tsan --target veltra_unit_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
export XDG_CACHE_HOME
XDG_CACHE_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CACHE_HOME"' EXIT
build-tsan/tests/veltra_unit_tests \
  --gtest_filter='Copies*:CopiesInSlices*:CopiesTrust*:ManyCopies*:SearchSpeed*:DataSource*:Access*:BrokenSurroundings*'
