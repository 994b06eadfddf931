#!/usr/bin/env bash
# Runs the Windows build's suite under Wine: for 64-bit and 32-bit Windows, the scenario
# files on the Win32 platform and real keys typed into veltra-demo.exe, on an Xvfb and in a
# Wine prefix of the suite's own, both gone at the end.
#
#   tests/windows/run-wine-suite.sh BUILD-WINDOWS-FOLDER WORK-FOLDER
#
# Installs nothing (scripts/test.sh does); a missing tool fails at once with its name.
set -euo pipefail
builds=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

missing=()
for tool in wine wineserver Xvfb xdotool setxkbmap; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
/usr/bin/python3 -c "import pyatspi, Xlib" 2>/dev/null || missing+=("python3-pyatspi python3-xlib")
if ((${#missing[@]})); then
  echo "wine suite: missing ${missing[*]} (scripts/test.sh installs them)"
  exit 1
fi

export WINEPREFIX
WINEPREFIX=$(mktemp -d "$work/prefix.XXXXXX")
# No console noise, and no offer to install Wine's .NET and HTML engines (there is no network).
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
rm -f "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "wine suite: Xvfb did not start (see $work/xvfb.log)"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

echo "wine suite: setting up a Wine prefix"
timeout 300 wineboot --init >"$work/wineboot.log" 2>&1
# Its services may linger; the programs below start whether they are gone or not.
timeout 30 wineserver --wait || true
timeout 1500 /usr/bin/python3 "$here/wine_suite.py" "$builds" "$here/../scenarios" "$work"
