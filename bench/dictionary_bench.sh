#!/bin/sh
# The shaping engine against ICU's u_shapeArabic (and FriBidi) on the words of
# Debian's Arabic dictionary (hunspell-ar), built with and without link-time
# optimisation; prints a Markdown table of its own with the machine.
#   bench/dictionary_bench.sh [BUILD_DIR] [REPETITIONS]
# BUILD_DIR (default build-bench) is configured Release with LTO and
# BUILD_DIR-nolto without. Every input (letter indexes for Harf, UTF-16 for
# ICU, UTF-32 for FriBidi) and every output buffer is made before the timer;
# each side shapes the same words. REPETITIONS (default 25) short runs of
# every benchmark, interleaved at random so that a change in the speed of
# the machine does not fall on one side only; medians of CPU time, which a
# machine shared with other work disturbs less than wall time.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
reps="${2:-25}"
if [ ! -r /usr/share/hunspell/ar.dic ]; then
  echo "dictionary_bench.sh: /usr/share/hunspell/ar.dic is missing: install hunspell-ar" >&2
  exit 1
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DHARF_LTO=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf_dictionary_bench >/dev/null
cmake -S . -B "$build-nolto" -DCMAKE_BUILD_TYPE=Release -DHARF_LTO=OFF -DHARF_GUI=OFF >/dev/null
cmake --build "$build-nolto" -j"$(nproc)" --target harf_dictionary_bench >/dev/null

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT INT TERM
for b in "$build" "$build-nolto"; do
  "$b/bench/harf_dictionary_bench" --benchmark_min_time=0.1 --benchmark_repetitions="$reps" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_format=json \
    >"$tmp/$(basename "$b").json" 2>/dev/null
done

cpu="$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)"
python3 - "$tmp/$(basename "$build").json" "$tmp/$(basename "$build")-nolto.json" \
  "$(nproc)" "$cpu" "$reps" <<'EOF'
import json, sys

lto_path, plain_path, cores, cpu, reps = sys.argv[1:]

def medians(path):
    return {b["run_name"]: b for b in json.load(open(path))["benchmarks"]
            if b.get("aggregate_name") == "median"}

lto, plain = medians(lto_path), medians(plain_path)
rate = lambda m, name: m[name]["letters/s"]
M = lambda x: f"{x / 1e6:.1f} M"
words = int(lto["BM_HarfTypesEachLetter"]["words"])
letters = int(lto["BM_HarfTypesEachLetter"]["letters"])

rows = []
for label, m in (("LTO", lto), ("no LTO", plain)):
    icu = rate(m, "BM_IcuShapesDictionaryAsOneString")
    for name, what, goal in (
        ("BM_HarfShapesDictionaryInOnePass", "AddChars, one pass", 1.5),
        ("BM_HarfShapesDictionaryFromUtf16", "AddChars from ICU's UTF-16 (mapping timed)", None),
        ("BM_HarfTypesDictionaryAsOneLine", "AddChar letter by letter", None),
    ):
        h = rate(m, name)
        rows.append((f"dictionary as one string, {what}, vs ICU u_shapeArabic ({label})",
                     M(h), M(icu), h / icu, goal))
for label, m in (("LTO", lto), ("no LTO", plain)):
    icu, fribidi = rate(m, "BM_IcuShapesEachWord"), rate(m, "BM_FriBidiShapesEachWord")
    for name, what in (("BM_HarfShapesEachWordInOnePass", "AddChars"),
                       ("BM_HarfTypesEachLetter", "AddChar")):
        h = rate(m, name)
        rows.append((f"word by word, {what}, vs ICU u_shapeArabic ({label})", M(h), M(icu),
                     h / icu, None))
        rows.append((f"word by word, {what}, vs FriBidi ({label})", M(h), M(fribidi),
                     h / fribidi, None))

print(f"Machine: {cpu}, {cores} cores (nproc). Dictionary: {words} words, {letters} letters.")
print(f"Letters per second of CPU time, medians of {reps} interleaved repetitions (Release).")
print()
print("| engine | Harf | peer | ratio | goal |")
print("|---|---|---|---|---|")
for name, h, p, ratio, goal in rows:
    mark = "—" if goal is None else f"≥ {goal} " + ("met" if ratio >= goal else "**missed**")
    print(f"| {name} | {h} | {p} | {ratio:.2f} | {mark} |")
EOF
