#!/bin/sh
# A program's options as its parser declares them, as --help lists them and as
# its manual page lists them must be the same names; each of them must be
# taken by the program, and --version must name the project's version.
usage="usage: help_and_man_test.sh PROGRAM OPTIONS_SOURCE MAN_PAGE VERSION"
program="${1:?$usage}"
source="${2:?$usage}"
man="${3:?$usage}"
version="${4:?$usage}"
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() {
  echo "FAIL $name: $*"
  fails=$((fails + 1))
}

# Declared: the names in the parser's Flag, Value and Choice calls.
tr '\n' ' ' < "$source" | grep -oE '\.(Flag|Value|Choice)(<[^(]*>)?\( *(\{[^}]*\}|"[^"]*")' |
  grep -oE '"--?[a-z][a-z0-9-]*"' | tr -d '"' | sort -u > "$work/declared"
# "--" ends the options; it is listed, though no parser call declares it.
[ "$name" = harf-convert ] && echo "--" >> "$work/declared"
sort -u -o "$work/declared" "$work/declared"

# --help: the first column of the "Options:" section.
"$program" --help | sed -n '/^Options:/,/^[^ O]/p' | grep -E '^  -' |
  awk '{ sub(/^  /, ""); sub(/  .*/, ""); print }' |
  grep -oE '(^|, )--?([a-z][a-z0-9-]*)?' | sed 's/^, //' | sort -u > "$work/help"

# The manual: the tag line of every entry in OPTIONS.
sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$man" | grep -A1 '^\.TP' | grep -vE '^(\.TP|--)$' |
  sed 's/\\-/-/g; s/\\f[BIRP]//g' | grep -oE '(^|[ "])--?([a-z][a-z0-9-]*)?' |
  tr -d ' "' | sort -u > "$work/man"

for list in help man; do
  if ! cmp -s "$work/declared" "$work/$list"; then
    fail "declared options and $list differ ('<' declared only, '>' $list only):"
    diff "$work/declared" "$work/$list" | grep '^[<>]'
  fi
done
if [ "$(wc -l < "$work/declared")" -lt 3 ]; then
  fail "only $(wc -l < "$work/declared") options found in $source"
fi

# Each declared option is taken: whatever it says, it does not call it unknown.
while read -r option; do
  [ "$option" = "--" ] && continue
  if "$program" "$option" < /dev/null 2>&1 >/dev/null | grep -q "unknown option"; then
    fail "declares $option but refuses it"
  fi
done < "$work/declared"

if [ "$("$program" --version)" != "$name $version" ]; then
  fail "--version says '$("$program" --version)', not '$name $version'"
fi

[ "$fails" -eq 0 ] && echo "$name: $(wc -l < "$work/declared") options, the same in its parser, --help and manual"
exit "$fails"
