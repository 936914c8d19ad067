#!/bin/sh
# Builds the web page into build-web/site (the core compiled to WebAssembly by
# Debian's emscripten, the stand-in font as WOFF2, the page's files) and serves
# it on http://localhost:8080. With --no-serve it only builds.
set -eu
cd "$(dirname "$0")/.."

serve=1
for arg in "$@"; do
  case "$arg" in
    --no-serve) serve=0 ;;
    -h|--help)
      echo "Usage: scripts/web.sh [--no-serve]"
      echo "Builds the page into build-web/site and serves it on http://localhost:8080."
      exit 0 ;;
    *) echo "web.sh: unknown option '$arg' (try --help)" >&2; exit 2 ;;
  esac
done

# Debian's emscripten runs its JavaScript optimiser with the first node on
# PATH; a node that is not Debian's own finds Debian's acorn only this way.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
# The document converter's libraries, from Debian's sources (kept once built).
scripts/web-libs.sh build-web/libs
emcmake cmake -S . -B build-web -DHARF_WEB=ON -DCMAKE_BUILD_TYPE=Release \
  -DHARF_WEB_LIBS="$PWD/build-web/libs/prefix" >/dev/null
cmake --build build-web -j2

if [ "$serve" -eq 1 ]; then
  echo "Serving build-web/site on http://localhost:8080 (Ctrl+C stops)"
  exec /usr/bin/python3 -m http.server 8080 --bind 127.0.0.1 --directory build-web/site
fi
