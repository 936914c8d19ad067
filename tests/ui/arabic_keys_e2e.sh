#!/bin/sh
# The real window in a real X server: Arabic letters typed with xdotool on the
# X server's Arabic keymap (setxkbmap ara), and Ctrl+V of the window's own copy and of Unicode text, each line copied
# with F5 and its STRING bytes checked against harf-shape.
#   with_xvfb.sh sh arabic_keys_e2e.sh HARF HARF_SHAPE
set -eu
harf="$1"
shape="$2"

tools="xdotool xclip od setxkbmap"
. "$(dirname "$0")/window_session.sh"

codes_of_bytes() { od -An -tu1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
fail() { echo "FAIL: $*"; exit 1; }

# F5, then the clipboard's STRING target as codes once it holds `want`
# (the copy is asynchronous to xclip), or whatever it holds after 3 s.
copied() {
  want="$1"
  xdotool key F5
  for _ in $(seq 30); do
    got=$(xclip -o -selection clipboard -t STRING 2>/dev/null | codes_of_bytes) || got=""
    [ "$got" = "$want" ] && break
    sleep 0.1
  done
  echo "$got"
}

start_harf

words="بسمِ الله الرحمن الرحيم "
expected=$(printf '%s\n' "$words" | "$shape" --from unicode --format codes)
[ -n "$expected" ] || fail "harf-shape gave nothing"
# On the Arabic keymap every letter has its own key: xdotool need not map
# spare keys to them while the window reads the keymap.
setxkbmap ara
sleep 0.5
xdotool type --delay 40 "$words"
setxkbmap us
sleep 0.5
got=$(copied "$expected")
echo "typed Arabic: $got"
[ "$got" = "$expected" ] || fail "Arabic typed on the keys gives '$got', harf-shape '$expected'"

# The window's own copy (its Unicode targets hold the symbol kind), pasted back.
xdotool key F7
xdotool key ctrl+v
got=$(copied "$expected")
echo "own copy pasted: $got"
[ "$got" = "$expected" ] || fail "Ctrl+V of the window's own copy gives '$got'"

# Unicode Arabic from another program.
unicode="لا إله إلا الله "
printf '%s' "$unicode" | xclip -i -selection clipboard
sleep 0.3
xdotool key F7
xdotool key ctrl+v
expected=$(printf '%s\n' "$unicode" | "$shape" --from unicode --format codes)
got=$(copied "$expected")
echo "Unicode pasted: $got"
[ "$got" = "$expected" ] || fail "Ctrl+V of Unicode gives '$got', harf-shape '$expected'"

# Latin-1 glyph text from another program: the bytes of the line typed above.
printf '%s' "$got" | awk '{ for (i = 1; i <= NF; i++) printf "%c", $i }' | iconv -f LATIN1 -t UTF-8 |
  xclip -i -selection clipboard
sleep 0.3
xdotool key F7
xdotool key ctrl+v
got=$(copied "$expected")
echo "Latin-1 glyph text pasted: $got"
[ "$got" = "$expected" ] || fail "Ctrl+V of Latin-1 glyph text gives '$got', harf-shape '$expected'"
echo "Arabic keys and Ctrl+V end-to-end check passed"
