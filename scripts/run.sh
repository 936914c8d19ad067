#!/bin/sh
# Installs what is missing, builds Harf and starts it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target harf-shape
echo "harf-shape: type transliterated letters, one word per line (Ctrl-D ends)."
exec build/tools/harf-shape "$@"
