#!/usr/bin/env bash
# Builds everything and runs every test (unit tests, Qt tests, scenarios, fuzz corpora), then
# the same suite built with the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure -j 2
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
scripts/sanitize.sh
