#!/bin/sh
# Installs what is missing, builds everything and runs every test: the full
# suite, then the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzzer for two minutes.
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

# The fuzzer (clang, libFuzzer with both sanitizers) for two minutes on every
# core, from a copy of the committed seeds: new inputs and any crash stay in
# build-fuzz. A crash fails the run and prints the input that caused it.
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARF_GUI=OFF \
  -DHARF_BENCH=OFF -DHARF_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target harf_engine_fuzz
rm -rf build-fuzz/corpus build-fuzz/run
mkdir -p build-fuzz/run
cp -R tests/fuzz/corpus build-fuzz/corpus
(
  cd build-fuzz/run
  ../tests/fuzz/harf_engine_fuzz -jobs="$jobs" -workers="$jobs" -max_total_time=120 \
    -max_len=1024 -print_final_stats=1 -artifact_prefix="$PWD/" ../corpus >/dev/null 2>&1 || {
    cat fuzz-*.log
    exit 1
  }
  awk '/number_of_executed_units/ { n += $2 } END { print "fuzzer: " n " inputs, no finding" }' fuzz-*.log
)

# The web page: the core compiled to WebAssembly by emscripten, tested in
# Debian's Chromium through Playwright (pinned in web/package-lock.json)
# against harf-shape from the build above.
scripts/web.sh --no-serve >/dev/null
(
  cd web
  npm ci --no-audit --no-fund --loglevel=error >/dev/null
  HARF_SHAPE="$PWD/../build/tools/harf-shape" node_modules/.bin/playwright test
)
