#!/usr/bin/env bash
# Builds everything and runs every test (unit tests, Qt tests, scenarios, the desktop suite,
# fuzz corpora), the Windows build under Wine, the packages and their consumers, then the
# same suite built with the sanitizers, and the data layer's tests with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
# The desktop suite's real X server, input, keyboard layouts and accessibility bus.
scripts/install-deps.sh xvfb xauth xdotool x11-xkb-utils xkb-data dbus at-spi2-core \
  python3-pyatspi python3-xlib
# The PostgreSQL server that the tests start for themselves (postgresql-contrib for
# veltra-index's trigram index).
scripts/install-deps.sh postgresql-15 postgresql-contrib
ctest --test-dir build --output-on-failure -j 2
# The Windows build, both bitnesses, and its suite under Wine (64-bit and, with the i386
# architecture, 32-bit) on an X server of its own.
scripts/windows.sh
scripts/install-deps.sh wine wine64 wine32:i386
tests/windows/run-wine-suite.sh build-windows build/windows
# The Debian packages, an install into a temporary prefix and two programs built against it.
scripts/consumers.sh
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
scripts/sanitize.sh
# The data layer's threads (the copies' worker, the statements that wait for it) under
# ThreadSanitizer.
scripts/tsan.sh
