#!/bin/sh
# Every benchmark side by side in one run on this machine, printed as
# Markdown tables: Harf against its yardstick for start-up, typing latency and
# peak memory, then the engine (bench/dictionary_bench.sh), legacy decoding
# and harf-convert on each document format.
#   bench/run.sh [BUILD_DIR] [RUNS]
# Builds the benchmark targets in BUILD_DIR (default build-bench, Release with
# link-time optimisation), the engine benchmark once more without it (in
# BUILD_DIR-nolto), starts its own Xvfb for the window measurements and takes
# the median of RUNS (default 30) start-ups, the programs taking turns.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
runs="${2:-30}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DHARF_LTO=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf harf_empty_window harf_labelled_window \
  harf_window_bench >/dev/null
harf="$build/src/ui/harf"
empty="$build/bench/harf_empty_window"
labelled="$build/bench/harf_labelled_window"

tmp="$(mktemp -d)"
display=":$((600 + $$ % 300))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT INT TERM
export DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$tmp}"
sleep 1

# A Backspace to the repainted line, at 45 and at 100,000 glyphs: microseconds,
# median of 25, interleaved.
"$build/bench/harf_window_bench" --benchmark_min_time=0.1 --benchmark_repetitions=25 \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$tmp/window.json" 2>/dev/null

# Start-up to the first painted frame, and the peak resident memory of that
# start-up, alternating the two programs; milliseconds and kilobytes. Each
# start waits for the X server and the machine to settle after the one
# before: started back to back, a program pays for the previous one's exit,
# and whichever runs after Harf looks slower than it is.
export HARF_QUIT_AFTER_FIRST_FRAME=1
ms() {
  sleep 0.2
  t0=$(date +%s%N)
  "$1" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
"$harf" >/dev/null 2>&1
"$empty" >/dev/null 2>&1
"$labelled" >/dev/null 2>&1 # warm the file cache for all three
i=0
while [ "$i" -lt "$runs" ]; do
  ms "$empty" >>"$tmp/empty.ms"
  ms "$harf" >>"$tmp/harf.ms"
  ms "$labelled" >>"$tmp/labelled.ms"
  sleep 0.2
  /usr/bin/time -f %M -a -o "$tmp/empty.kb" "$empty" >/dev/null 2>&1
  sleep 0.2
  /usr/bin/time -f %M -a -o "$tmp/harf.kb" "$harf" >/dev/null 2>&1
  i=$((i + 1))
done

cpu="$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)"
python3 - "$tmp" "$runs" "$(nproc)" "$cpu" "$(uname -r)" <<'EOF'
import json, statistics, sys

tmp, runs, cores, cpu, kernel = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]

def medians(path):
    out = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            out[b["run_name"].replace("/real_time", "")] = b
    return out

def numbers(path):
    return [float(line) for line in open(path) if line.strip()]

window = medians(f"{tmp}/window.json")
key = lambda name, n: window[f"{name}/{n}"]["real_time"] if f"{name}/{n}" in window else None
def keyrow(n):
    h, b = key("BM_HarfBackspaceToRepaintedLine", n), key("BM_BareLineEditBackspaceToRepaint", n)
    return (f"Backspace to repainted line at {n:,} glyphs (µs), vs QLineEdit, same text and font",
            f"{h:.0f}", f"{b:.0f}", h / b, "≤ 1.2", h / b <= 1.2)
start_h = statistics.median(numbers(f"{tmp}/harf.ms"))
start_e = statistics.median(numbers(f"{tmp}/empty.ms"))
start_l = statistics.median(numbers(f"{tmp}/labelled.ms"))
mem_h = statistics.median(numbers(f"{tmp}/harf.kb")) / 1024
mem_e = statistics.median(numbers(f"{tmp}/empty.kb")) / 1024

rows = [
    ("start-up to first frame (ms), vs empty window with one label in the display font",
     f"{start_h:.0f}", f"{start_l:.0f}", start_h / start_l, "≤ 1.2", start_h / start_l <= 1.2),
    ("start-up to first frame (ms), vs empty Qt window", f"{start_h:.0f}", f"{start_e:.0f}",
     start_h / start_e, "—", None),
    keyrow(45),
    keyrow(100000),
    ("peak memory, max RSS (MB), vs empty Qt window", f"{mem_h:.1f}", f"{mem_e:.1f}",
     mem_h / mem_e, "≤ 1.3", mem_h / mem_e <= 1.3),
]
print(f"Machine: {cores} cores (nproc), {cpu}, Linux {kernel}.")
print(f"Medians of 25 interleaved benchmark repetitions (Release, LTO) and of {runs} start-ups taking turns.")
print()
print("| measure | Harf | peer | ratio | goal |")
print("|---|---|---|---|---|")
for name, h, p, ratio, goal, met in rows:
    mark = "" if met is None else (" met" if met else " **missed**")
    print(f"| {name} | {h} | {p} | {ratio:.3f} | {goal}{mark} |")
EOF

# Legacy glyph-code bytes to Unicode against iconv: two more rows of the table.
bench/legacy_decode.sh "$build"

# The engine against ICU and FriBidi, with and without LTO: a table of its own.
echo
bench/dictionary_bench.sh "$build"

# harf-convert on a 10 MB .docx against unzip plus zip: a table of its own.
echo
bench/convert_bench.sh "$build"

# harf-convert on a PDF, a .xlsx and a .pptx against pdftotext and unzip plus
# zip: a table of its own. Its own build directory, because it configures
# without the window and would leave this one unable to build harf.
echo
bench/formats_bench.sh "$build-formats"
