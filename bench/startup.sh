#!/bin/sh
# Start-up to the first painted frame: Harf against an empty Qt Widgets window
# of the same size, alternating runs in one X server (Xvfb), same machine.
#   bench/startup.sh [BUILD_DIR] [RUNS]
set -eu
build="${1:-build}"
runs="${2:-30}"
harf="$build/src/ui/harf"
empty="$build/bench/harf_empty_window"
[ -x "$harf" ] && [ -x "$empty" ] || { echo "build first: cmake --build $build"; exit 1; }

display=":$(( 600 + $$ % 300 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT INT TERM
export DISPLAY="$display" HARF_QUIT_AFTER_FIRST_FRAME=1 XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp}"
sleep 1

# Milliseconds for one start, first paint and exit of a program.
ms() {
  t0=$(date +%s%N)
  "$1" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(( (t1 - t0) / 1000000 ))
}
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# Warm the file cache for both.
ms "$harf" >/dev/null; ms "$empty" >/dev/null
: >/tmp/harf-startup.$$; : >/tmp/empty-startup.$$
i=0
while [ "$i" -lt "$runs" ]; do
  ms "$empty" >>/tmp/empty-startup.$$
  ms "$harf" >>/tmp/harf-startup.$$
  i=$((i + 1))
done
e=$(median </tmp/empty-startup.$$)
h=$(median </tmp/harf-startup.$$)
rm -f /tmp/harf-startup.$$ /tmp/empty-startup.$$
echo "start-up to first frame, median of $runs runs each (ms)"
echo "  empty Qt Widgets window: $e"
echo "  Harf:                    $h"
awk -v h="$h" -v e="$e" 'BEGIN { printf "  ratio Harf / empty:      %.2f\n", h / e }'
