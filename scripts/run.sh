#!/bin/sh
# Installs what is missing, builds Harf and starts its window.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target harf harf-shape
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)."
  echo "The command-line shaper works without one: build/tools/harf-shape --help"
  exit 1
fi
exec build/src/ui/harf "$@"
