#!/usr/bin/env bash
# Builds the libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer (clang
# 14, in build-fuzz/) and fuzzes each for the given time:
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 60 seconds, every target)
# Targets: composition capitalisation keystrokes key_sequences form_file dialect access_file. The
# corpus grows in build-fuzz/corpus/TARGET; a finding is written as crash-*/timeout-* in the
# current folder and ends the script with an error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake ninja-build clang-14 libclang-rt-14-dev libfuzzer-14-dev \
  libsqlite3-dev libgtest-dev mdbtools-dev pkg-config
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(composition capitalisation keystrokes key_sequences form_file dialect access_file)
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_BUILD_QT=OFF -DVELTRA_BUILD_FUZZERS=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined"
for target in "${targets[@]}"; do
  cmake --build build-fuzz --target "fuzz_$target"
done
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  echo "== fuzz_$target for $seconds s"
  log="build-fuzz/fuzz_$target.log"
  status=0
  build-fuzz/tests/fuzz_"$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  grep -E "^Done|stat::number_of_executed_units|ERROR|SUMMARY|Test unit written" "$log" || true
  [ "$status" -eq 0 ] || { echo "fuzz_$target found a problem: see $log"; exit 1; }
done
