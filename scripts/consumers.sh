#!/usr/bin/env bash
# Builds the Debian packages, installs Veltra into a temporary prefix and builds two
# programs of a user's against that install only: one with find_package(Veltra) that loads
# a Qt Designer form through the Designer plugin, one with pkg-config. Runs both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh qt6-tools-dev libqt6opengl6-dev dpkg-dev pkg-config
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs a step, showing its output only when it fails.
quietly() {
  "$@" >"$work/step.log" 2>&1 || { cat "$work/step.log"; echo "failed: $*"; exit 1; }
}

(cd build && quietly cpack -G DEB -B "$root/build/packages")
ls build/packages/*.deb

prefix=$work/prefix
quietly cmake --install build --prefix "$prefix"
plugins=$(dirname "$(find "$prefix" -name 'libveltra-designer.so' -print -quit)")
export QT_QPA_PLATFORM=offscreen

echo "== consumer with find_package(Veltra)"
quietly cmake -S tests/consumer -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
quietly cmake --build "$work/consumer"
cp build/veltra-sample.db "$work/"
"$work/consumer/consumer" "$plugins" tests/consumer/form.ui "$work"

echo "== consumer with pkg-config"
pkgconfig=$(dirname "$(find "$prefix" -name 'veltra-qt.pc' -print -quit)")
libdir=$(PKG_CONFIG_PATH=$pkgconfig pkg-config --variable=libdir veltra-qt)
# shellcheck disable=SC2046
quietly g++ -std=c++20 -fPIC tests/consumer-pkgconfig/main.cpp -o "$work/consumer-pkgconfig" \
  $(PKG_CONFIG_PATH=$pkgconfig pkg-config --cflags --libs veltra-qt Qt6Test) \
  -Wl,-rpath,"$libdir"
"$work/consumer-pkgconfig" "$work/veltra-sample.db"
