#!/bin/sh
# Starts the real window in a real X server (Xvfb), types words on the
# physical keyboard with xdotool, presses F5, and checks the bytes that reach
# the clipboard's STRING target against harf-shape for the same keys.
#   with_xvfb.sh sh window_e2e.sh HARF HARF_SHAPE [SCREENSHOT.png]
set -eu
harf="$1"
shape="$2"
shot="${3:-}"

tools="xdotool xclip"
. "$(dirname "$0")/window_session.sh"
start_harf

words="bsm 'llh 'lrHmn 'lrHym"
# Systematic layout: transliteration; Backspace is released like a real key.
xdotool type --delay 30 "$words"
xdotool key --delay 30 x b BackSpace
sleep 0.3
[ -n "$shot" ] && import -window root -crop 677x621+0+0 "$shot"
xdotool key F5
sleep 0.5

actual=$(xclip -o -selection clipboard -t STRING | od -An -tu1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
expected=$(printf '%sxb\b\n' "$words" | "$shape" --format bytes | head -c -1 | od -An -tu1 |
           tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
echo "clipboard: $actual"
echo "harf-shape: $expected"
if [ -z "$expected" ] || [ "$actual" != "$expected" ]; then
  echo "FAIL: the clipboard does not hold the glyph codes harf-shape gives"
  exit 1
fi
# The Unicode target carries the stand-in's characters, U+F000 + code, so that
# no code is a control character or a soft hyphen in another program.
unicode=$(xclip -o -selection clipboard -t 'text/plain;charset=utf-8' | iconv -f UTF-8 -t UTF-32BE |
          od -An -tu1 -w4 | awk '{ printf "%s%d", sep, $3 * 256 + $4 - 61440; sep = " " }')
echo "unicode target, less U+F000: $unicode"
if [ "$unicode" != "$expected" ]; then
  echo "FAIL: the Unicode target does not hold U+F000 + each glyph code"
  exit 1
fi
echo "window end-to-end check passed"
