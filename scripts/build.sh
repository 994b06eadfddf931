#!/usr/bin/env bash
# Installs what the build needs, then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build g++ libsqlite3-dev libgtest-dev \
  qt6-base-dev qt6-tools-dev libgl-dev mdbtools-dev libpq-dev pkg-config
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build
