#!/bin/sh
# The converter in the browser against the native harf-convert: the 10 MB
# .docx of convert_bench.sh converted to Unicode in Debian's Chromium (the
# page's own convert.js and worker) and by harf-convert, alternating, RUNS of
# each (default 5), medians of wall time; and the converter's weight, gzip -9
# of what the page loads when a file is given. A benchmark, not a test.
#   bench/web_convert_bench.sh [BUILD_DIR] [RUNS] [SIZE_MB]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
runs="${2:-5}"
size="${3:-10}"
port="${HARF_BENCH_PORT:-8767}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf-convert harf-shape >/dev/null
scripts/web.sh --no-serve >/dev/null
[ -d web/node_modules ] || (cd web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)

tmp="$(mktemp -d)"
/usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$tmp"' EXIT INT TERM
sleep 1

doc="$tmp/legacy.docx"
/usr/bin/python3 bench/make_bench_docx.py "$build/tools/harf-shape" "$size" "$doc" >&2
result=$(node bench/web_convert_bench.js "http://127.0.0.1:$port/index.html" \
  "$build/tools/harf-convert" "$doc" "$runs")

gz() { gzip -9c "$1" | wc -c; }
site=build-web/site
weight=$(( $(gz "$site/harf_convert.wasm") + $(gz "$site/harf_convert.js") + \
  $(gz "$site/harf_convert_worker.js") + $(gz "$site/convert.js") ))
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
/usr/bin/python3 - "$result" "$weight" "$doc" "$(nproc)" "$cpu" \
  "$(/usr/bin/chromium --version 2>/dev/null || echo chromium)" <<'PY'
import json, os, sys
r = json.loads(sys.argv[1])
weight, doc, cores, cpu, chromium = int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6]
size = os.path.getsize(doc) / 2**20
print(f"{chromium}, {cores} cores, {cpu}. Input: {size:.1f} MB .docx; medians of {r['runs']} alternating runs.")
print()
print("| measure | in Chromium | harf-convert | ratio | goal |")
print("|---|---|---|---|---|")
w, n = r["web"] / 1000, r["native"] / 1000
print(f"| {size:.1f} MB .docx to Unicode (s) | {w:.2f} | {n:.2f} | {w / n:.2f} |"
      f" ≤ 3.0 {'met' if w / n <= 3 else '**missed**'} |")
print(f"| converter loaded on demand, gzip -9 (KB) | {weight / 1000:.0f} | — | — |"
      f" ≤ 1000 {'met' if weight <= 1000000 else '**missed**'} |")
PY
