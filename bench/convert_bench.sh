#!/bin/sh
# harf-convert on a 10 MB .docx of legacy text against the container's floor,
# unzip plus zip of the same file (each entry inflated, then deflated again at
# zip's default level, the level harf-convert writes changed parts with).
# Runs alternate, RUNS of each (default 5); prints medians of wall time and
# of max RSS, and the CPU time of each side (harf-convert reads, converts and
# deflates on three threads). A benchmark, not a test: it asserts nothing.
#   bench/convert_bench.sh [BUILD_DIR] [RUNS] [SIZE_MB]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
runs="${2:-5}"
size="${3:-10}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf-convert harf-shape >/dev/null
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT INT TERM

doc="$tmp/legacy.docx"
/usr/bin/python3 bench/make_bench_docx.py "$build/tools/harf-shape" "$size" "$doc" >&2

floor() {
  rm -rf "$tmp/x" "$tmp/floor.zip"
  mkdir "$tmp/x"
  unzip -q "$doc" -d "$tmp/x"
  (cd "$tmp/x" && zip -q -r -X "$tmp/floor.zip" .)
}

# One untimed run of each warms the file cache.
"$build/tools/harf-convert" --force -o "$tmp/out.docx" "$doc" 2>/dev/null
floor
i=0
while [ "$i" -lt "$runs" ]; do
  /usr/bin/time -f "%e %M %U %S" -a -o "$tmp/convert.txt" \
    "$build/tools/harf-convert" --force -o "$tmp/out.docx" "$doc" 2>/dev/null
  # The floor's two programs: times add, memory is the larger of the two.
  /usr/bin/time -f "%e %M %U %S" -o "$tmp/unzip.txt" sh -c "rm -rf '$tmp/x' '$tmp/floor.zip'; mkdir '$tmp/x'; unzip -q '$doc' -d '$tmp/x'"
  /usr/bin/time -f "%e %M %U %S" -o "$tmp/zip.txt" sh -c "cd '$tmp/x' && zip -q -r -X '$tmp/floor.zip' ."
  paste -d' ' "$tmp/unzip.txt" "$tmp/zip.txt" >>"$tmp/floor.txt"
  i=$((i + 1))
done

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
/usr/bin/python3 - "$tmp" "$doc" "$runs" "$(nproc)" "$cpu" <<'PY'
import os, statistics, sys
tmp, doc, runs, cores, cpu = sys.argv[1:6]
conv = [tuple(map(float, l.split())) for l in open(f"{tmp}/convert.txt") if l.strip()]
flo = [tuple(map(float, l.split())) for l in open(f"{tmp}/floor.txt") if l.strip()]
t_c = statistics.median(r[0] for r in conv)
m_c = statistics.median(r[1] for r in conv) / 1024
cpu_c = statistics.median(r[2] + r[3] for r in conv)
t_f = statistics.median(r[0] + r[4] for r in flo)
m_f = statistics.median(max(r[1], r[5]) for r in flo) / 1024
cpu_f = statistics.median(r[2] + r[3] + r[6] + r[7] for r in flo)
size = os.path.getsize(doc) / 2**20
print(f"Machine: {cores} cores, {cpu}. Input: {size:.1f} MB .docx; medians of {runs} alternating runs.")
print()
print("| measure | harf-convert | peer | ratio | goal |")
print("|---|---|---|---|---|")
print(f"| 10 MB .docx to Unicode (s), vs unzip + zip | {t_c:.2f} | {t_f:.2f} | {t_c / t_f:.2f} | ≤ 2.0{' met' if t_c / t_f <= 2 else ' **missed**'} |")
print(f"| (the same in CPU seconds, user + system) | {cpu_c:.2f} | {cpu_f:.2f} | {cpu_c / cpu_f:.2f} | |")
print(f"| max RSS (MB), vs the file's size | {m_c:.0f} | {size:.1f} | {m_c / size:.1f} | ≤ 3.0{' met' if m_c / size <= 3 else ' **missed**'} |")
print(f"| (unzip and zip's own max RSS, MB) | | {m_f:.1f} | | |")
PY
