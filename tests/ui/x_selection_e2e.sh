#!/bin/sh
# The X clipboard and primary selection of the real window in a real X server
# (Xvfb), read by another client (xclip): for each case of CASES the keys are
# typed with xdotool, copied, and every text target checked against harf-shape
# for the same keys. Then one copy of several megabytes is read back whole
# (INCR), another client takes the clipboard and a copy takes it back, and a
# copy is pasted into the window itself. Last, with a VarnelNormal of the
# Windows-1252 kind installed through fontconfig, the Unicode targets carry
# that kind's characters.
#   with_xvfb.sh sh x_selection_e2e.sh HARF HARF_SHAPE CASES WINDOWS_1252_VARIANT.ttf
set -eu
harf="$1"
shape="$2"
cases="$3"
variant="$4"

tools="xdotool xclip iconv python3"
. "$(dirname "$0")/window_session.sh"
start_harf

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Decimal codes of bytes; of UTF-8 text, U+F000 + code as the code and a real
# CR or LF as itself (anything else is marked bad).
codes_of_bytes() { od -An -tu1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
codes_of_chars() {
  iconv -f UTF-8 -t UTF-32BE | od -An -tu1 -v -w4 |
    awk '{ v = $2 * 65536 + $3 * 256 + $4
           if (v >= 61440 && v <= 61695) c = v - 61440; else if (v == 10 || v == 13) c = v; else c = "bad" v
           printf "%s%s", sep, c; sep = " " }'
}
read_target() { timeout 10 xclip -o -selection "$1" -t "$2" 2>/dev/null; }

# Window coordinates of the controls (the window is laid out in fixed pixels).
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.2; }
copy_text() { click 321 289; }
drag() {  # FROM-X FROM-Y TO-X TO-Y, in the window, with the left button
  xdotool mousemove --window "$win" "$1" "$2" mousedown 1
  sleep 0.1
  xdotool mousemove --window "$win" $((($1 + $3) / 2)) $((($2 + $4) / 2))
  sleep 0.1
  xdotool mousemove --window "$win" "$3" "$4" mouseup 1
  sleep 0.3
}
clear_text() { click 441 289; }

# Waits (ten seconds at most) until a target holds what is expected: the
# window takes a selection once it has caught up with the keys and clicks
# sent to it, later on a loaded machine.
settle() {  # SELECTION TARGET EXPECTED [codes]
  for _ in $(seq 100); do
    if [ "${4:-}" = codes ]; then
      got=$(read_target "$1" "$2" | codes_of_bytes)
    else
      got=$(read_target "$1" "$2")
    fi
    [ "$got" = "$3" ] && return 0
    sleep 0.1
  done
}

check_selection() {  # SELECTION CASE EXPECTED-CODES
  sel="$1"
  name="$2"
  expected="$3"
  settle "$sel" STRING "$expected" codes
  got=$(read_target "$sel" STRING | codes_of_bytes)
  [ "$got" = "$expected" ] || fail "$name, $sel STRING: '$got', harf-shape: '$expected'"
  for target in UTF8_STRING TEXT text/plain 'text/plain;charset=utf-8'; do
    got=$(read_target "$sel" "$target" | codes_of_chars)
    [ "$got" = "$expected" ] || fail "$name, $sel $target: '$got', harf-shape: '$expected'"
  done
  targets=$(read_target "$sel" TARGETS)
  for target in TARGETS TIMESTAMP STRING UTF8_STRING TEXT text/plain 'text/plain;charset=utf-8'; do
    printf '%s\n' "$targets" | grep -qxF "$target" || fail "$name, $sel TARGETS lacks $target"
  done
  printf '%s\n' "$targets" | grep -qi 'html' && fail "$name, $sel TARGETS offers HTML"
  time=$(read_target "$sel" TIMESTAMP | tr -d '\n')
  [ "${time:-0}" -gt 0 ] 2>/dev/null || fail "$name, $sel TIMESTAMP is '$time', not a server time"
}

type_keys() {  # the keys of a case: text, \r for Enter, \b for Backspace
  printf '%s\n' "$1" | sed 's/\\r/\n<Return>\n/g; s/\\b/\n<BackSpace>\n/g' |
    while IFS= read -r piece; do
      case "$piece" in
        "") ;;
        "<Return>") xdotool key --delay 30 Return ;;
        "<BackSpace>") xdotool key --delay 30 BackSpace ;;
        *) xdotool type --delay 30 -- "$piece" ;;
      esac
    done
  sleep 0.3
}

all_expected=""
count=0
while IFS='	' read -r name copy keys; do
  case "$name" in "#"* | "") continue ;; esac
  count=$((count + 1))
  shaped=$(printf '%b\n' "$keys" | "$shape" --format codes)
  type_keys "$keys"
  case "$copy" in
    line)
      expected="$shaped"
      xdotool key F5
      check_selection clipboard "$name" "$expected"
      # A drag across the whole line box selects every glyph of the line.
      drag 26 70 648 70
      check_selection primary "$name" "$expected"
      xdotool key F7
      ;;
    text)
      expected=$(printf '%s\n' "$shaped" | awk '{ printf "%s%s", sep, $0; sep = " 13 10 " }')
      copy_text
      check_selection clipboard "$name" "$expected"
      # From left of the first line to below the end of the last one.
      drag 30 116 640 270
      check_selection primary "$name" "$expected"
      clear_text
      ;;
    *) fail "$name: no copy called '$copy'" ;;
  esac
  all_expected="$all_expected $expected"
done <"$cases"
echo "$count cases checked"
for code in 133 137 141 145 159 173; do
  case " $all_expected " in *" $code "*) ;; *) fail "no case gives code $code" ;; esac
done

# Several megabytes in the text area: pasted as Unicode (each line moves to
# the text area), copied, and read back whole by a client that needs INCR.
python3 -c '
import sys
sys.stdout.write("\u0628\u0633\u0645 \u0627\u0644\u0644\u0647 \u0627\u0644\u0631\u062d\u0645\u0646 \u0627\u0644\u0631\u062d\u064a\u0645 \n" * 120000)
' >"$work/big.txt"
xclip -i -selection clipboard "$work/big.txt"
xdotool key ctrl+shift+v
copy_text
# The window takes the clipboard from xclip once it has typed the paste.
for _ in $(seq 300); do
  read_target clipboard TARGETS | grep -qxF 'text/plain;charset=utf-8' && break
  sleep 0.1
done
read_target clipboard STRING >"$work/big.bytes"
read_target clipboard UTF8_STRING >"$work/big.utf8"
"$shape" --from unicode --format bytes <"$work/big.txt" >"$work/big.shaped"
python3 - "$work/big.bytes" "$work/big.utf8" "$work/big.shaped" <<'EOF' || fail "the large copy"
import sys
got = open(sys.argv[1], "rb").read()
chars = open(sys.argv[2], "rb").read().decode("utf-8")
expected = open(sys.argv[3], "rb").read().rstrip(b"\n").replace(b"\n", b"\r\n")
print(f"large copy: {len(got)} bytes in STRING, {len(chars)} characters in UTF8_STRING")
assert len(got) > 2_000_000, "not several megabytes"
assert got == expected, "STRING differs from harf-shape"
assert chars == "".join(chr(b) if b in (10, 13) else chr(0xF000 + b) for b in got), "UTF8_STRING"
EOF

# Another client takes the clipboard; the next copy takes it back.
clear_text
printf 'other' | xclip -i -selection clipboard
settle clipboard STRING other
[ "$(read_target clipboard STRING)" = other ] || fail "xclip could not take the clipboard"
type_keys "l' "
xdotool key F5
settle clipboard STRING "32 252 32" codes
[ "$(read_target clipboard STRING | codes_of_bytes)" = "32 252 32" ] ||
  fail "a copy after another client's did not take the clipboard back"
# Pasted into the window itself: Qt asks the X server, which asks us.
xdotool key ctrl+shift+l
xdotool key F5
settle clipboard STRING "32 252 32 252 32" codes
got=$(read_target clipboard STRING | codes_of_bytes)
[ "$got" = "32 252 32 252 32" ] || fail "the window's own copy pasted back gives '$got'"
# Copy Line as Unicode goes through Qt's clipboard, which takes the selection
# from us; pasting it back as Unicode doubles the line again.
xdotool key ctrl+shift+c
expected=$(printf "l' l' \n" | "$shape" --format unicode)
settle clipboard UTF8_STRING "$expected"
got=$(read_target clipboard UTF8_STRING)
[ "$got" = "$expected" ] || fail "Copy Line as Unicode gives '$got', harf-shape '$expected'"
xdotool key ctrl+shift+v
xdotool key F5
expected=$(printf "l' l' l' l' \n" | "$shape" --format codes)
settle clipboard STRING "$expected" codes
got=$(read_target clipboard STRING | codes_of_bytes)
[ "$got" = "$expected" ] || fail "the Unicode copy pasted back gives '$got', harf-shape '$expected'"

# The Windows-1252 variant installed for the window alone.
kill "$harf_pid"
wait "$harf_pid" 2>/dev/null || true
mkdir -p "$work/fonts"
cp "$variant" "$work/fonts/"
cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$work/fonts</dir>
  <cachedir>$work/fontcache</cachedir>
</fontconfig>
EOF
export FONTCONFIG_FILE="$work/fonts.conf"
start_harf
keys='sHr Cbr SvC nHn '
type_keys "$keys"
xdotool key F5
settle clipboard STRING "$(printf '%s\n' "$keys" | "$shape" --format codes)" codes
read_target clipboard STRING >"$work/variant.bytes"
read_target clipboard UTF8_STRING >"$work/variant.utf8"
printf '%s\n' "$keys" | "$shape" --format bytes | head -c -1 >"$work/variant.shaped"
python3 - "$work/variant.bytes" "$work/variant.utf8" "$work/variant.shaped" <<'EOF' ||
import sys
got = open(sys.argv[1], "rb").read()
chars = open(sys.argv[2], "rb").read().decode("utf-8")
expected = open(sys.argv[3], "rb").read()
assert got == expected, f"STRING {list(got)}, harf-shape {list(expected)}"
assert any(0x80 <= b <= 0x9F for b in got), "no code in 0x80..0x9F"
# Windows keeps its five undefined bytes at their Latin-1 code points.
kind = "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b) for b in got)
assert chars == kind, f"UTF8_STRING {[hex(ord(c)) for c in chars]}"
EOF
  fail "with the Windows-1252 VarnelNormal installed"

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  cat "$work/harf.log"
  exit 1
fi
echo "X selection end-to-end checks passed"
