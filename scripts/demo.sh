#!/usr/bin/env bash
# Builds and starts the desktop demo: a form with two Veltra controls over the sample
# database. Without a display it runs on a virtual one (Xvfb), types "belo h" into the
# city box and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh xvfb xauth
scripts/build.sh
if [ -n "${DISPLAY:-}" ]; then
  exec build/veltra-demo "$@"
fi
echo "No display: running the demo on a virtual display (Xvfb)."
xvfb-run -a -s "-screen 0 1024x768x24" build/veltra-demo --screenshot build/veltra-demo.png --type "belo h"
echo "Open build/veltra-demo.png to see the form; build/veltra-play examples/demo.scn plays the same search as a transcript."
