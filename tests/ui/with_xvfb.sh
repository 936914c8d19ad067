#!/bin/sh
# Runs a command against its own Xvfb, with Qt on the xcb platform.
#   with_xvfb.sh COMMAND [ARGS...]
set -eu
command -v Xvfb >/dev/null || { echo "missing Xvfb (scripts/install-deps.sh installs it)"; exit 1; }
work=$(mktemp -d)
display=":$(( 300 + $$ % 300 ))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$@"
