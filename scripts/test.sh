#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the sanitizer build (ASan + UBSan)
# and a short run of the catalogue fuzzer. Installs what the build needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${VORNALIS_FUZZ_SECONDS:-30}

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== kill campaign (short form: 10 random SIGKILLs per kind of set)"
tests/attack/kill_campaign.sh build/bin/vornalis-cli 10 no

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORNALIS_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== sanitizer tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" \
  ctest --output-on-failure -j "$jobs")

echo "== fuzz build"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNALIS_FUZZ=ON -DVORNALIS_BUILD_TESTS=OFF -DVORNALIS_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target catalogue_fuzzer
echo "== fuzzing the catalogue reader for ${fuzz_seconds}s"
mkdir -p build-fuzz/corpus
build-fuzz/bin/catalogue_fuzzer -max_total_time="$fuzz_seconds" -print_final_stats=1 \
  build-fuzz/corpus fuzz/seeds 2>&1 | tail -n 12
echo "== all tests passed"
