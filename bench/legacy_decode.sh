#!/bin/sh
# Legacy glyph-code bytes to Unicode against iconv on the same file, in one
# run, interleaved: prints Markdown table rows (bench/run.sh appends them to
# its table).
#   bench/legacy_decode.sh [BUILD_DIR] [RUNS] [MEGABYTES]
# The input is every word of Debian's Arabic dictionary typed from Unicode,
# eight to a line, as raw glyph codes (legacy text as Harf writes it),
# repeated to MEGABYTES (default 50). Harf reads every line back into letters
# and writes UTF-8 Unicode in logical order (harf_legacy_decode, the core path
# of harf-shape --from bytes --format unicode); the peer is
# iconv -c -f WINDOWS-1252 -t UTF-8, a table lookup per byte. glibc's
# WINDOWS-1252 has no mapping for the five undefined bytes (0x81 kha, 0x8D,
# 0x8F and 0x90 sin in the font), so iconv runs with -c and drops them: it does
# slightly less work than Harf. Both write to /dev/null; RUNS (default 11)
# alternate which goes first; medians.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
runs="${2:-11}"
megabytes="${3:-50}"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target harf-shape harf_legacy_decode >/dev/null
decode="$build/bench/harf_legacy_decode"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT INT TERM
sed -e 1d -e 's/[/\t].*//' /usr/share/hunspell/ar.dic | paste -d ' ' - - - - - - - - |
  "$build/tools/harf-shape" --from unicode --format bytes >"$tmp/words" 2>/dev/null
: >"$tmp/in"
while [ "$(stat -c %s "$tmp/in")" -lt $((megabytes * 1048576)) ]; do cat "$tmp/words" >>"$tmp/in"; done
head -c $((megabytes * 1048576 / 10)) "$tmp/in" >"$tmp/tenth"

# Milliseconds of one run, and its peak resident memory in kB appended to $2.
run() {
  kb="$1"
  shift
  t0=$(date +%s%N)
  /usr/bin/time -f %M -a -o "$kb" "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
"$decode" "$tmp/in" >/dev/null # warm the file cache
i=0
while [ "$i" -lt "$runs" ]; do
  if [ $((i % 2)) -eq 0 ]; then
    run "$tmp/harf.kb" "$decode" "$tmp/in" >>"$tmp/harf.ms"
    run "$tmp/iconv.kb" iconv -c -f WINDOWS-1252 -t UTF-8 "$tmp/in" >>"$tmp/iconv.ms"
  else
    run "$tmp/iconv.kb" iconv -c -f WINDOWS-1252 -t UTF-8 "$tmp/in" >>"$tmp/iconv.ms"
    run "$tmp/harf.kb" "$decode" "$tmp/in" >>"$tmp/harf.ms"
  fi
  run "$tmp/tenth.kb" "$decode" "$tmp/tenth" >/dev/null
  i=$((i + 1))
done

python3 - "$tmp" "$megabytes" "$(stat -c %s "$tmp/in")" <<'PY'
import statistics, sys
tmp, mb, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def med(name):
    return statistics.median(float(l) for l in open(f"{tmp}/{name}") if l.strip())
h, i = med("harf.ms"), med("iconv.ms")
ratio = h / i
print(f"| legacy bytes to Unicode, {size / 1e6:.0f} MB (ms), vs iconv -c -f WINDOWS-1252 -t UTF-8 "
      f"| {h:.0f} | {i:.0f} | {ratio:.3f} | ≤ 3 {'met' if ratio <= 3 else '**missed**'} |")
small, big = med("tenth.kb") / 1024, med("harf.kb") / 1024
print(f"| legacy bytes to Unicode, max RSS (MB), {size / 1e7:.0f} MB against {size / 1e6:.0f} MB "
      f"| {big:.1f} | {small:.1f} | {big / small:.3f} | independent of size "
      f"{'met' if big / small <= 1.1 else '**missed**'} |")
PY
