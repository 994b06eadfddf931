#!/usr/bin/env bash
# Runs the desktop suite: veltra-demo on its own Xvfb (no window manager, no compositor)
# with its own D-Bus session and accessibility bus, driven by real pointer and key events.
#
#   tests/desktop/run-desktop-suite.sh VELTRA-DEMO SCREENSHOT-FOLDER
#
# With VELTRA_WINDOW_MANAGER set (openbox, say), that window manager runs on the display
# too; with VELTRA_DESKTOP_CHECK set, only the checks whose names hold its text run. Installs
# nothing (scripts/test.sh does); a missing tool fails at once with its name.
set -euo pipefail
demo=$1
shots=$2
here=$(cd "$(dirname "$0")" && pwd)

missing=()
for tool in Xvfb xdotool setxkbmap dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
/usr/bin/python3 -c "import pyatspi, Xlib" 2>/dev/null || missing+=("python3-pyatspi python3-xlib")
if ((${#missing[@]})); then
  echo "desktop suite: missing ${missing[*]} (scripts/test.sh installs them)"
  exit 1
fi

mkdir -p "$shots"
# Xvfb picks a free display and writes its number.
rm -f "$shots/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$shots/display" 2>"$shots/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null' EXIT
for _ in $(seq 100); do
  [ -s "$shots/display" ] && break
  sleep 0.1
done
[ -s "$shots/display" ] || { echo "desktop suite: Xvfb did not start (see $shots/xvfb.log)"; exit 1; }
export DISPLAY=":$(cat "$shots/display")"
if [ -n "${VELTRA_WINDOW_MANAGER:-}" ]; then
  "$VELTRA_WINDOW_MANAGER" >"$shots/window-manager.log" 2>&1 &
  manager=$!
  trap 'kill "$manager" "$xvfb" 2>/dev/null' EXIT
  sleep 1
fi
# The locale's compose table turns dead-key sequences into letters.
export LC_ALL=C.UTF-8

timeout 600 dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  launcher=$!
  sleep 0.5
  /usr/bin/python3 "$0" "$1" "$2"
  status=$?
  kill $launcher 2>/dev/null
  exit $status' "$here/desktop_suite.py" "$demo" "$shots" 2> >(grep -v "dbus-daemon" >&2)
