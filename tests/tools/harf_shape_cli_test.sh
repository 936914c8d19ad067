#!/bin/sh
# Checks harf-shape's command line: formats, layouts, line handling, Unicode
# input and output, errors.
shape="$1"
fails=0

check() {  # name, expected output, command...
  name="$1"; expected="$2"; shift 2
  actual=$("$@" 2>/dev/null; echo "rc=$?")
  if [ "$actual" != "$expected" ]; then
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$name" "$expected" "$actual"
    fails=$((fails + 1))
  fi
}

nl='
'
check "lam alif space" "32 252 32${nl}rc=0" sh -c "printf \"l' \\n\" | $shape"
check "three ba" "107 106 105 32${nl}rc=0" sh -c "printf 'bbb\\n' | $shape"
check "backspace" "107 105 32${nl}rc=0" sh -c "printf 'bbb\\b\\n' | $shape"
check "arabic layout" "32 252 32${nl}rc=0" sh -c "printf 'gh \\n' | $shape --layout arabic"
check "layout with =" "32 252 32${nl}rc=0" sh -c "printf 'gh \\n' | $shape --layout=arabic"
check "one line per input line" "108 32${nl}${nl}222 32${nl}rc=0" sh -c "printf 'b\\n\\nl' | $shape"
check "crlf line ends" "108 32${nl}rc=0" sh -c "printf 'b\\r\\n' | $shape"
check "enter inside a line" "108 32${nl}222 32${nl}rc=0" sh -c "printf 'b\\rl\\n' | $shape"
check "unmapped characters ignored" "108 32${nl}rc=0" sh -c "printf 'xb\\342\\202\\254\\n' | $shape"
check "bytes exact" " 74 108 32 10${nl}rc=0" sh -c "printf 'ba\\n' | $shape --format bytes | od -An -tu1 | tr -s ' '"
check "empty input" "rc=0" sh -c "printf '' | $shape"
check "invalid utf-8" "108 32${nl}rc=2" sh -c "printf 'b\\nb\\377\\n' | $shape"
check "unknown option" "rc=2" "$shape" --frobnicate
check "bad layout" "rc=2" "$shape" --layout qwerty
check "bad format" "rc=2" "$shape" --format=hex
check "missing value" "rc=2" "$shape" --format

# Unicode in and out. The letters come back in logical order, the padding
# space that comes with the first letter of a line left out.
check "keys to unicode" "لا ${nl}rc=0" sh -c "printf \"l' \\n\" | $shape --format unicode"
check "keys to unicode, backspace keeps kasra" "بِ${nl}rc=0" sh -c "printf 'bib\\b\\n' | $shape --format=unicode"
check "unicode to codes" "32 252 32${nl}rc=0" sh -c "printf 'لا \\n' | $shape --from unicode"
check "unicode with =" "32 252 32${nl}rc=0" sh -c "printf 'لا \\n' | $shape --from=unicode"
check "presentation forms" "لا بِنْتٌ${nl}rc=0" sh -c "printf '\\357\\273\\273 بِنْتٌ\\n' | $shape --from unicode --format unicode"
check "ascii digits" "٢٠٢٤${nl}rc=0" sh -c "printf '2024\\n' | $shape --from unicode --format unicode"
check "alif wasla and both commas" "ٱب،,${nl}rc=0" sh -c "printf 'ٱب،,\\n' | $shape --from unicode --format unicode"
check "unicode line breaks" "108 32${nl}112 32${nl}${nl}81${nl}${nl}rc=0" sh -c "printf 'ب\\rت\\r\\n\\n١\\342\\200\\250' | $shape --from unicode"
check "no length limit" "60${nl}rc=0" sh -c "printf '١%.0s' \$(seq 60) | $shape --from unicode | wc -w | tr -d ' '"
check "lone mark at the start" "74${nl}rc=0" sh -c "printf '\\331\\216\\n' | $shape --from unicode"
check "controls skipped" "107 105 32${nl}rc=0" sh -c "printf 'ب\\001\\033\\tب\\n' | $shape --from unicode"
check "invalid utf-8 from unicode" "108 32${nl}rc=2" sh -c "printf 'ب\\n\\330\\n' | $shape --from unicode"
check "bad from" "rc=2" "$shape" --from latin1

# What was skipped is told on standard error, with a normal exit.
err=$(printf 'xب\331\216\331\216\n' | "$shape" --from unicode 2>&1 >/dev/null)
case "$err" in
  *"skipped 2 characters"*) ;;
  *) echo "FAIL skipped characters not told: '$err'"; fails=$((fails + 1)) ;;
esac
err=$(printf 'ب\n' | "$shape" --from unicode 2>&1 >/dev/null)
if [ -n "$err" ]; then
  echo "FAIL nothing skipped but told: '$err'"; fails=$((fails + 1))
fi

# A 1 MB paste on one line comes back whole.
big=$(mktemp)
awk 'BEGIN { s = "بِسْمِ اللّهِ، لا فِي «٣٤» (كِتَاب). "; for (i = 0; i < 16000; i++) printf "%s", s; print "" }' > "$big"
lines=$("$shape" --from unicode --format unicode < "$big" | tee "$big.out" | wc -l)
if [ "$lines" -ne 1 ] || ! cmp -s "$big" "$big.out" || [ "$(wc -c < "$big")" -lt 1000000 ]; then
  echo "FAIL 1 MB paste: $lines lines, $(wc -c < "$big.out") of $(wc -c < "$big") bytes back"
  fails=$((fails + 1))
fi
rm -f "$big" "$big.out"

# Invalid input: the lines before it are printed, then one line on standard
# error names the line and the byte (counted from 1), and nothing after it.
out=$(printf 'bbb\nb\rl\377b\nb\n' | "$shape" 2>/tmp/harf-shape-err.$$)
err=$(cat /tmp/harf-shape-err.$$)
rm -f /tmp/harf-shape-err.$$
if [ "$out" != "107 106 105 32${nl}108 32" ] || [ "$err" != "harf-shape: invalid UTF-8 on input line 2 at byte 4" ]; then
  echo "FAIL invalid input printed '$out' and said '$err'"; fails=$((fails + 1))
fi
if ! "$shape" --help | grep -q -- '--format codes|bytes|unicode'; then
  echo "FAIL --help does not document --format"; fails=$((fails + 1))
fi
if ! "$shape" --help | grep -q -- '--from keys|unicode'; then
  echo "FAIL --help does not document --from"; fails=$((fails + 1))
fi

if ! "$shape" --version | grep -q '^harf-shape [0-9]'; then
  echo "FAIL --version"; fails=$((fails + 1))
fi

# A failed read or write: one line on standard error naming it, exit 1.
io_fail() {  # name, expected message part, command...
  name="$1"; part="$2"; shift 2
  err=$("$@" 2>&1 >/dev/null; echo "rc=$?")
  case "$err" in
    *"$part"*"rc=1") [ "$(printf '%s\n' "$err" | wc -l)" -eq 2 ] && return ;;
  esac
  printf 'FAIL %s\n  got: %s\n' "$name" "$err"
  fails=$((fails + 1))
}
io_fail "disk full" "No space left on device" sh -c "printf 'ktb\\n' | $shape > /dev/full"
io_fail "disk full, unicode" "No space left on device" sh -c "printf 'ب\\n' | $shape --from unicode --format unicode > /dev/full"
io_fail "help to a full disk" "No space left on device" sh -c "$shape --help > /dev/full"
io_fail "input is a folder" "Is a directory" sh -c "$shape < /tmp"
io_fail "input closed" "standard input" sh -c "$shape <&-"
io_fail "output closed" "standard output" sh -c "printf 'ktb\\n' | $shape >&-"
io_fail "output closed, no input" "standard output" sh -c "$shape < /dev/null >&-"

# On a pipe each line is answered as soon as it has been read, before the
# input ends: one line goes into a FIFO, its answer must come back while the
# input is still open (a program that reads to the end first never answers).
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/in" "$fifo_dir/out"
"$shape" < "$fifo_dir/in" > "$fifo_dir/out" &
pid=$!
exec 3> "$fifo_dir/in" 4< "$fifo_dir/out"
printf 'bbb\n' >&3
first=$(timeout 10 head -n 1 <&4)
printf 'l\n' >&3
second=$(timeout 10 head -n 1 <&4)
exec 3>&-
wait "$pid"
rc=$?
exec 4<&-
rm -rf "$fifo_dir"
if [ "$first" != "107 106 105 32" ] || [ "$second" != "222 32" ] || [ "$rc" -ne 0 ]; then
  echo "FAIL streaming: got '$first' and '$second' before the input closed, rc=$rc"
  fails=$((fails + 1))
fi

# Memory does not grow with the input: 16 MB of short lines take no more
# than 1 MB does, give or take 4 MB (peak resident memory, from time -f %M).
# AddressSanitizer would keep freed memory in quarantine: not here.
rss() {  # megabytes of input, text of a line, options...
  mb="$1"; text="$2"; shift 2
  yes "$text" | head -c "$((mb * 1048576))" |
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=0:thread_local_quarantine_size_kb=0" /usr/bin/time -f %M "$shape" "$@" 2>&1 >/dev/null | tail -n 1
}
for from in keys unicode; do
  text='bsm allh alrHmn alrHym'
  [ "$from" = unicode ] && text='بِسْمِ اللّهِ الرَّحْمنِ الرَّحِيمِ'
  small=$(rss 1 "$text" --from "$from")
  large=$(rss 16 "$text" --from "$from")
  if [ "$large" -gt $((small + 4096)) ]; then
    echo "FAIL memory grows with the input (--from $from): $small KB for 1 MB, $large KB for 16 MB"
    fails=$((fails + 1))
  fi
done

# Glyph codes read back: decimal codes, raw bytes, legacy text in each kind.
check "codes back to codes" "82 80 82 84 32 226 98 199 32${nl}rc=0" sh -c "printf '82 80 82 84 32 226 98 199 32\n' | $shape --from codes"
check "codes to unicode, number as shown" "عام ٢٠٢٤${nl}rc=0" sh -c "printf '82 80 82 84 32 226 98 199 32\n' | $shape --from codes --format unicode"
check "code above 255" "108 32${nl}rc=2" sh -c "printf '108 32\n1 256\n' | $shape --from codes"
check "not a code" "rc=2" sh -c "printf '108 x\n' | $shape --from codes"
err=$(printf '0032\n' | "$shape" --from codes 2>&1 >/dev/null)
case "$err" in
  *"more than three digits"*"line 1 at byte 4"*) ;;
  *) echo "FAIL 0032 is a code written with leading zeros, not one above 255: $err"; fails=$((fails + 1)) ;;
esac
check "bytes, crlf" "108 32${nl}32 252 32${nl}rc=0" sh -c "printf 'l \r\n \374 \n' | $shape --from bytes"
check "bytes no letter uses, C0, NUL" "108 32${nl}rc=0" sh -c "printf '\000\001{\177l \n' | $shape --from bytes"
check "sign on nothing, sign on a sign" "74${nl}74 108 32${nl}rc=0" sh -c "printf 'J\nJJl \n' | $shape --from bytes"
check "bytes to unicode" "لا ${nl}rc=0" sh -c "printf ' \374 \n' | $shape --from bytes --format unicode"
check "legacy, kind found" "108 32${nl}128 32${nl}rc=0" sh -c "printf '\357\201\254\357\200\240\n\342\202\254\n' | $shape --from legacy"
check "legacy invalid utf-8" "108 32${nl}rc=2" sh -c "printf 'l \n\377\n' | $shape --from legacy"
check "legacy out, symbol" " 239 129 172 239 128 160 10${nl}rc=0" sh -c "printf 'ب\n' | $shape --from unicode --format legacy | od -An -tu1 | tr -s ' '"
check "bad encoding" "rc=2" "$shape" --from legacy --encoding cp1252
for enc in symbol latin1 windows-1252; do
  check "round trip through $enc" "كتب نحن «٢٠٢٤»${nl}rc=0" sh -c "printf 'كتب نحن «2024»\n' | $shape --from unicode --format legacy --encoding $enc | $shape --from legacy --encoding $enc --format unicode"
done
err=$(printf 'JJl \001\n' | "$shape" --from bytes 2>&1 >/dev/null)
case "$err" in
  *"skipped 2 codes"*) ;;
  *) echo "FAIL skipped codes not told: '$err'"; fails=$((fails + 1)) ;;
esac

# One 50 MB line of glyph-code bytes: held once, its text written as it goes
# (peak resident memory under 3 bytes per code, from time -f %M).
line=$(mktemp)
yes 'lbk ' | tr -d '\n' | head -c 52428800 > "$line"
echo >> "$line"
kb=$(ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=0:thread_local_quarantine_size_kb=0" /usr/bin/time -f %M "$shape" --from bytes --format unicode < "$line" 2>&1 >/dev/null | tail -n 1)
echo "one 50 MB line, --from bytes --format unicode: max RSS $kb KB"
if [ "$kb" -gt 160000 ]; then
  echo "FAIL one 50 MB line took $kb KB"; fails=$((fails + 1))
fi
rm -f "$line"

[ "$fails" -eq 0 ] && echo "all harf-shape checks passed"
exit "$fails"
