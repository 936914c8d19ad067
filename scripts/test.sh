#!/bin/sh
# Installs what is missing, builds everything and runs every test: the full
# suite, clang-tidy over the project's code, the window built without X11, the
# core tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the
# engine's and the documents' fuzzers for a minute each, and the web page in
# Chromium.
set -eu
cd "$(dirname "$0")/.."
started=$(date +%s)
# Each stage's start, with the time gone so far, so that a slow run says where.
stage() { echo "== $1 ($(($(date +%s) - started)) s)"; }
stage "packages"
scripts/install-deps.sh
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

stage "full build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# clang-tidy, with the committed .clang-tidy, over the project's own code (src/
# and tools/) from the full build's compile commands; quiet unless it finds
# something.
stage "clang-tidy"
run-clang-tidy -p build -j"$jobs" -quiet "$PWD/(src|tools)/" >build/clang-tidy.log 2>&1 || {
  grep -B2 -A6 -E "(warning|error):" build/clang-tidy.log
  echo "clang-tidy found the above (the whole log: build/clang-tidy.log)"
  exit 1
}

# The window as it builds where there is no X11 (HARF_X11=OFF: no xcb, the
# clipboard through QClipboard alone), once: only the window and its offscreen
# test, so the run stays short; the X server tests need the X11 build above.
stage "window without X11"
cmake -S . -B build-nox11 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARF_X11=OFF -DHARF_BENCH=OFF \
  >/dev/null
cmake --build build-nox11 -j"$jobs" --target harf harf_ui_tests
ctest --test-dir build-nox11 --output-on-failure -R '^ui\.frmMain$'

stage "sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHARF_GUI=OFF -DHARF_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The fuzzers (clang, libFuzzer with both sanitizers), the engine's and the
# documents', a minute each on every core, from a copy of their committed
# seeds: new inputs and any crash stay in build-fuzz. A crash fails the run
# and prints the input that caused it. The documents' inputs are packages'
# XML and pages, 8 KB at most: enough for elements a thousand deep, four
# times the readers' limit, while small inputs keep the runs many.
stage "fuzzers"
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHARF_GUI=OFF \
  -DHARF_BENCH=OFF -DHARF_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target harf_engine_fuzz harf_document_fuzz
for fuzz in "engine corpus 1024" "document document_corpus 8192"; do
  set -- $fuzz
  rm -rf "build-fuzz/$2" "build-fuzz/run-$1"
  mkdir -p "build-fuzz/run-$1"
  cp -R "tests/fuzz/$2" "build-fuzz/$2"
  (
    cd "build-fuzz/run-$1"
    "../tests/fuzz/harf_$1_fuzz" -jobs="$jobs" -workers="$jobs" -max_total_time=60 \
      -max_len="$3" -rss_limit_mb=2048 -timeout=60 -print_final_stats=1 \
      -artifact_prefix="$PWD/" "../$2" >/dev/null 2>&1 || {
      cat fuzz-*.log
      exit 1
    }
    awk -v name="$1" '/number_of_executed_units/ { n += $2 }
      END { print name " fuzzer: " n " inputs, no finding" }' fuzz-*.log
  )
done

# The web page: the core compiled to WebAssembly by emscripten, tested in
# Debian's Chromium through Playwright (pinned in web/package-lock.json)
# against harf-shape from the build above.
stage "web page"
scripts/web.sh --no-serve >/dev/null
(
  cd web
  npm ci --no-audit --no-fund --loglevel=error >/dev/null
  HARF_SHAPE="$PWD/../build/tools/harf-shape" node_modules/.bin/playwright test
)
stage "done"
