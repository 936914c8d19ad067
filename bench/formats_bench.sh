#!/bin/sh
# harf-convert on the formats of bench/make_bench_formats.py against peers:
# a PDF of PAGES pages against pdftotext on the same file, and a SIZE_MB .xlsx
# and .pptx against unzip plus zip of the same package. Runs alternate, RUNS
# of each (default 5); prints medians of wall time, CPU time and max RSS and
# their ratios. A benchmark, not a test: it asserts nothing.
#   bench/formats_bench.sh [BUILD_DIR] [RUNS] [PAGES] [SIZE_MB]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
runs="${2:-5}"
pages="${3:-300}"
size="${4:-10}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DHARF_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf-convert harf-shape >/dev/null
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT INT TERM
/usr/bin/python3 bench/make_bench_formats.py "$build/tools/harf-shape" "$tmp" "$pages" "$size" >&2
convert="$build/tools/harf-convert"

timed() { # FILE COMMAND...: appends "wall rss user sys" to FILE
  out="$1"
  shift
  /usr/bin/time -f "%e %M %U %S" -a -o "$out" "$@" >/dev/null 2>&1
}


# One untimed run of each warms the file cache.
for f in bench.pdf bench.xlsx bench.pptx; do "$convert" --force -o "$tmp/out.${f#bench.}" "$tmp/$f" 2>/dev/null || true; done
i=0
while [ "$i" -lt "$runs" ]; do
  timed "$tmp/pdf.conv" "$convert" --force -o "$tmp/out.txt" "$tmp/bench.pdf"
  timed "$tmp/pdf.peer" pdftotext "$tmp/bench.pdf" "$tmp/peer.txt"
  for kind in xlsx pptx; do
    timed "$tmp/$kind.conv" "$convert" --force -o "$tmp/out.$kind" "$tmp/bench.$kind"
    timed "$tmp/$kind.peer" sh -c "rm -rf '$tmp/x' '$tmp/floor.zip'; mkdir '$tmp/x'; unzip -q '$tmp/bench.$kind' -d '$tmp/x' && cd '$tmp/x' && zip -q -r -X '$tmp/floor.zip' ."
  done
  i=$((i + 1))
done

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
/usr/bin/python3 - "$tmp" "$runs" "$(nproc)" "$cpu" <<'PY'
import os, statistics, sys
tmp, runs, cores, cpu = sys.argv[1:5]
def load(name):
    return [tuple(map(float, l.split())) for l in open(os.path.join(tmp, name)) if l.strip()]
print(f"Machine: {cores} cores, {cpu}; medians of {runs} alternating runs.")
print()
print("| input | measure | harf-convert | peer | ratio | goal |")
print("|---|---|---|---|---|---|")
for kind, peer, goals in (("pdf", "pdftotext", (1.5, None, 2.0)),
                          ("xlsx", "unzip + zip", (2.0, 2.0, None)),
                          ("pptx", "unzip + zip", (2.0, 2.0, None))):
    conv, other = load(kind + ".conv"), load(kind + ".peer")
    size = os.path.getsize(os.path.join(tmp, "bench." + kind)) / 2**20
    rows = (("wall s", lambda r: r[0]), ("CPU s", lambda r: r[2] + r[3]),
            ("max RSS MB", lambda r: r[1] / 1024))
    for (label, f), goal in zip(rows, goals):
        a = statistics.median(map(f, conv))
        b = statistics.median(map(f, other))
        ratio = a / b if b else float("inf")
        print(f"| {kind} ({size:.1f} MB) | {label} | {a:.2f} | {b:.2f} ({peer}) | {ratio:.2f}x | "
              f"{'<= %.1fx' % goal if goal else ''} |")
    if kind != "pdf":
        rss = statistics.median(r[1] / 1024 for r in conv)
        print(f"| {kind} | max RSS / file | {rss:.1f} MB | {size:.1f} MB | {rss / size:.2f}x | <= 3x |")
PY
