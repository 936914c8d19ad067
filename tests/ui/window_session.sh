# Sourced by the end-to-end scripts, which with_xvfb.sh runs: checks the tools
# named in $tools, makes $work (removed on exit, with the window) and gives
# start_harf, which starts $harf on the X display and focuses its window ($win).
for tool in $tools; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "run me through with_xvfb.sh"; exit 1; }
work=$(mktemp -d)
harf_pid=""
cleanup() {
  [ -n "$harf_pid" ] && kill "$harf_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A real X window, whatever platform the rest of the suite runs Qt on.
start_harf() {
  QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$harf" >>"$work/harf.log" 2>&1 &
  harf_pid=$!
  win=""
  for _ in $(seq 300); do
    win=$(xdotool search --onlyvisible --name '^Harf$' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "the window did not appear"; cat "$work/harf.log"; exit 1; }
  xdotool windowfocus --sync "$win"
  sleep 0.3
}
