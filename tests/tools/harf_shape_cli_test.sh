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
check "invalid utf-8" "rc=2" sh -c "printf 'b\\nb\\377\\n' | $shape"
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
check "invalid utf-8 from unicode" "rc=2" sh -c "printf 'ب\\n\\330\\n' | $shape --from unicode"
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

# Errors say one line on standard error and nothing on standard output.
out=$(printf 'bbb\nb\377\n' | "$shape" 2>/tmp/harf-shape-err.$$)
err_lines=$(wc -l < /tmp/harf-shape-err.$$)
rm -f /tmp/harf-shape-err.$$
if [ -n "$out" ] || [ "$err_lines" -ne 1 ]; then
  echo "FAIL invalid input printed '$out' and $err_lines error lines"; fails=$((fails + 1))
fi
if ! "$shape" --help | grep -q -- '--format codes|bytes|unicode'; then
  echo "FAIL --help does not document --format"; fails=$((fails + 1))
fi
if ! "$shape" --help | grep -q -- '--from keys|unicode'; then
  echo "FAIL --help does not document --from"; fails=$((fails + 1))
fi

[ "$fails" -eq 0 ] && echo "all harf-shape checks passed"
exit "$fails"
