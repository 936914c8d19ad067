#!/bin/sh
# The web page's figures, side by side with their peers in one Chromium run:
# page weight (gzip -9 of what a first visit loads), navigation to the first
# key usable against the same page with the font and no WebAssembly, and one
# typed letter to the repainted line against the page writing the line box
# itself. A benchmark, not a test: it asserts nothing.
# Usage: bench/web_bench.sh [loads] [letters]   (defaults 30 and 400)
set -eu
cd "$(dirname "$0")/.."
loads="${1:-30}"
letters="${2:-400}"
port="${HARF_BENCH_PORT:-8766}"

scripts/web.sh --no-serve >/dev/null
[ -d web/node_modules ] || (cd web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)

site=build-web/site
peer=build-web/peer
rm -rf "$peer"
mkdir -p "$peer"
# The page's modules: harf.js starts it, the others are what it imports.
modules="harf.js core_bridge.js key_building.js painting.js clipboard.js handlers.js"
for f in index.html harf.css words.js HarfStandIn.woff2 sw.js $modules; do cp "$site/$f" "$peer/"; done

/usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null' EXIT INT TERM
sleep 1

# The peer's stand-in for the core: the keyboard description the real core
# gives, and nothing for every other question.
node -e '
const { chromium } = require("./web/node_modules/playwright-core");
(async () => {
  const b = await chromium.launch({ executablePath: "/usr/bin/chromium",
    args: ["--headless", "--no-sandbox", "--disable-gpu"] });
  const p = await b.newPage();
  await p.goto(process.argv[1]);
  const json = await p.evaluate(async () => {
    const m = await HarfCore();
    m._harf_keyboard_json();
    return new TextDecoder().decode(m.HEAPU8.subarray(m._harf_out(), m._harf_out() + m._harf_out_size()));
  });
  await b.close();
  process.stdout.write(`var HarfCore = () => {
  const json = new TextEncoder().encode(${JSON.stringify(json)});
  const heap = new Uint8Array(json.length + 65536);
  heap.set(json);
  let size = 0;
  const module = { HEAPU8: heap, _harf_out: () => 0, _harf_out_size: () => size,
    _harf_keyboard_json: () => { size = json.length; } };
  return Promise.resolve(new Proxy(module, {
    get: (m, name) => (name in m || name === "then" ? m[name] : () => { size = 0; return 0; }),
  }));
};
`);
})();
' "http://127.0.0.1:$port/site/index.html" > "$peer/harf_core.js"

gz() { gzip -9c "$1" | wc -c; }
wasm=$(gz "$site/harf_core.wasm")
corejs=$(gz "$site/harf_core.js")
pagejs=$(gz "$site/words.js")
for f in $modules; do pagejs=$(( pagejs + $(gz "$site/$f") )); done
font=$(gz "$site/HarfStandIn.woff2")
rest=$(( $(gz "$site/index.html") + $(gz "$site/harf.css") + $(gz "$site/sw.js") ))

result=$(node bench/web_bench.js "http://127.0.0.1:$port/site/index.html" \
  "http://127.0.0.1:$port/peer/index.html" "$loads" "$letters")

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
chromium_version=$(/usr/bin/chromium --version 2>/dev/null || echo chromium)
/usr/bin/python3 - "$result" "$wasm" "$corejs" "$pagejs" "$font" "$rest" "$(nproc)" "$cpu" "$chromium_version" <<'PY'
import json, sys
r = json.loads(sys.argv[1])
wasm, corejs, pagejs, font, rest = (int(x) for x in sys.argv[2:7])
cores, cpu, chromium = sys.argv[7], sys.argv[8], sys.argv[9]
weight = wasm + corejs + pagejs + font
print(f"{chromium}, {cores} cores, {cpu}")
print()
print("| measure | Harf | peer | ratio | goal |")
print("|---|---|---|---|---|")
print(f"| page weight, gzip -9 (KB): wasm {wasm/1000:.1f} + JS {(corejs+pagejs)/1000:.1f}"
      f" + font {font/1000:.1f} | {weight/1000:.1f} | — | — | ≤ 250 {'met' if weight <= 250000 else '**missed**'} |")
print(f"| the rest: HTML, CSS, service worker (KB) | {rest/1000:.1f} | — | — | — |")
a, b = r["ready"]["harf"], r["ready"]["peer"]
print(f"| navigation to first key usable (ms), median of {r['ready']['loads']}, vs same page without"
      f" WebAssembly | {a:.1f} | {b:.1f} | {a/b:.3f} | ≤ 1.5 {'met' if a/b <= 1.5 else '**missed**'} |")
a, b = r["letter"]["harf"], r["letter"]["peer"]
print(f"| typed letter to line laid out (ms), median of {r['letter']['letters']}, vs line box"
      f" written directly | {a:.3f} | {b:.3f} | {a/b:.3f} | median ≤ 2 ms {'met' if a <= 2 else '**missed**'} |")
a, b = r["frame"]["harf"], r["frame"]["peer"]
print(f"| typed letter to the next animation frame (ms), same letters | {a:.2f} | {b:.2f} |"
      f" {a/b:.3f} | — |")
PY
