#!/usr/bin/env bash
# Runs the unit tests, the scenarios and the Qt tests under valgrind memcheck (build in
# build/); any error fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh valgrind
scripts/build.sh
memcheck=(valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite
          --suppressions=tests/sanitizers/valgrind.supp --quiet)
"${memcheck[@]}" build/tests/veltra_unit_tests --gtest_brief=1
"${memcheck[@]}" build/veltra-play tests/scenarios/*.scn > /dev/null
QT_QPA_PLATFORM=offscreen "${memcheck[@]}" build/veltra-play --platform qt tests/scenarios/*.scn > /dev/null
QT_QPA_PLATFORM=offscreen "${memcheck[@]}" build/tests/veltra_qt_tests > /dev/null
echo "valgrind memcheck: no errors"
