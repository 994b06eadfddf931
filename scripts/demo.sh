#!/usr/bin/env bash
# Builds veltra-play and plays the demo scenario over the sample database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
build/veltra-play examples/demo.scn
