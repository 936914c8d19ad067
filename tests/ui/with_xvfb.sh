#!/bin/sh
# Runs a command against its own Xvfb, with Qt on the xcb platform.
#   with_xvfb.sh COMMAND [ARGS...]
set -eu
command -v Xvfb >/dev/null || { echo "missing Xvfb (scripts/install-deps.sh installs it)"; exit 1; }
work=$(mktemp -d)
# Xvfb picks a free display itself: other test runs on the machine have theirs.
# -noreset: without it the server resets when its last client leaves, and a
# window started during the reset finds no display.
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=":$(head -n 1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$@"
