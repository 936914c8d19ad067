#!/bin/sh
# Installs what is missing, builds everything and runs every test: the full
# suite, then the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHARF_GUI=OFF -DHARF_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
