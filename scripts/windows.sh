#!/usr/bin/env bash
# Cross-builds the control for 64-bit and 32-bit Windows with mingw-w64 into
# build-windows/x86_64 and build-windows/i686: the core, the data source over SQLite, the
# Win32 front end, veltra-play.exe, veltra-demo.exe and veltra-bench-keystroke.exe, with the
# sample database beside them. SQLite is compiled from Debian's own source package of the version that the Linux
# build links, fetched once into build-windows/sqlite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh ca-certificates cmake ninja-build g++ libsqlite3-dev dpkg-dev tcl \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
out=$PWD/build-windows
mkdir -p "$out"

# SQLite's single-file source, made from Debian's source package through an apt
# configuration of the build's own (the system's sources stay as they are).
sqlite=$out/sqlite
if [ ! -f "$sqlite/sqlite3.c" ]; then
  version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
  apt=$out/apt
  rm -rf "$apt" && mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial" \
    "$apt/source"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    >"$apt/sources/debian.sources"
  options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache")
  apt-get "${options[@]}" update -q
  (cd "$apt/source" && apt-get "${options[@]}" source -q "sqlite3=$version")
  tree=$(find "$apt/source" -mindepth 1 -maxdepth 1 -type d -name 'sqlite3-*')
  (cd "$tree" && ./configure -q >/dev/null && make -s sqlite3.c)
  mkdir -p "$sqlite"
  cp "$tree/sqlite3.c" "$tree/sqlite3.h" "$sqlite/"
  echo "SQLite $version from Debian's source package sqlite3" >"$sqlite/SOURCE"
  rm -rf "$apt"
fi

# The sample database, made by the native tool (the cross-built one cannot run here), again
# whenever the tool or the data changed.
sample=$out/veltra-sample.db
if [ ! -f "$sample" ] || [ tools/veltra-sample-db/main.cpp -nt "$sample" ] ||
  [ data/cidades.csv -nt "$sample" ] || [ data/estados.csv -nt "$sample" ]; then
  g++ -std=c++20 -O2 tools/veltra-sample-db/main.cpp -lsqlite3 -o "$out/veltra-sample-db"
  "$out/veltra-sample-db" data "$out/veltra-sample.db"
fi

for arch in x86_64 i686; do
  cmake -S . -B "$out/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-$arch.cmake" \
    -DVELTRA_SQLITE_SOURCE="$sqlite" -DVELTRA_PREBUILT_SAMPLE_DB="$out/veltra-sample.db" \
    -DVELTRA_BUILD_BENCH=ON
  cmake --build "$out/$arch"
done

# The zip for Windows users: both servers, their type libraries and the LEIA-ME.
package=$out/package
rm -rf "$package" && mkdir -p "$package/x64" "$package/x86"
cp "$out/x86_64/veltra.dll" "$out/x86_64/src/com/veltra.tlb" "$package/x64/"
cp "$out/i686/veltra.dll" "$out/i686/src/com/veltra.tlb" "$package/x86/"
cp src/com/LEIA-ME.txt "$package/"
rm -f "$out/veltra-windows.zip"
(cd "$package" && cmake -E tar cf "$out/veltra-windows.zip" --format=zip LEIA-ME.txt x64 x86)
