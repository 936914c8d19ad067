#!/bin/sh
# Checks harf-shape's command line: formats, layouts, line handling, errors.
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

# Errors say one line on standard error and nothing on standard output.
out=$(printf 'bbb\nb\377\n' | "$shape" 2>/tmp/harf-shape-err.$$)
err_lines=$(wc -l < /tmp/harf-shape-err.$$)
rm -f /tmp/harf-shape-err.$$
if [ -n "$out" ] || [ "$err_lines" -ne 1 ]; then
  echo "FAIL invalid input printed '$out' and $err_lines error lines"; fails=$((fails + 1))
fi
if ! "$shape" --help | grep -q -- '--format codes|bytes'; then
  echo "FAIL --help does not document --format"; fails=$((fails + 1))
fi

[ "$fails" -eq 0 ] && echo "all harf-shape checks passed"
exit "$fails"
