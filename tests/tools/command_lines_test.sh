#!/bin/sh
# Runs both tools on the command lines of a table, one case a line:
#   tool <TAB> arguments <TAB> status <TAB> standard output <TAB> standard error <TAB> file
# Arguments are split at spaces. Each run starts in an empty folder holding
# a.txt and b.txt (a legacy line), -dash.txt (the same) and the folder d, with
# "gh " and a line feed on standard input. Outputs are compared with their
# last line feed dropped and "\n" standing for the others; "*" takes anything
# and "(none)" stands for nothing. The file, unless "(none)", must exist
# after the run.
# With RECORD=1 it prints each case's line as the tools answer it instead, for
# writing a new case (check what it says before keeping it).
usage="usage: command_lines_test.sh TABLE HARF_SHAPE HARF_CONVERT"
table="${1:?$usage}"
shape="${2:?$usage}"
convert="${3:?$usage}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tab=$(printf '\t')
fails=0
cases=0

# Joins lines with a literal \n, or says (none) for nothing.
flat() {
  if [ -s "$1" ]; then awk 'NR > 1 { printf "\\n" } { printf "%s", $0 }' "$1"; else printf '(none)'; fi
}

while IFS="$tab" read -r tool args status out err file; do
  case "$tool" in '' | '#'*) continue ;; esac
  case "$tool" in
    harf-shape) program="$shape" ;;
    harf-convert) program="$convert" ;;
    *) echo "FAIL unknown tool '$tool' in $table"; fails=$((fails + 1)); continue ;;
  esac
  [ "$args" = "(none)" ] && args=""
  rm -rf "$work/run"
  mkdir -p "$work/run/d"
  printf 'l \n' > "$work/run/a.txt"
  cp "$work/run/a.txt" "$work/run/b.txt"
  cp "$work/run/a.txt" "$work/run/-dash.txt"
  set -f
  # shellcheck disable=SC2086
  (cd "$work/run" && printf 'gh \n' | "$program" $args > "$work/out" 2> "$work/err")
  rc=$?
  set +f
  actual_out=$(flat "$work/out")
  actual_err=$(flat "$work/err")
  if [ "${RECORD:-0}" = 1 ]; then
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$tool" "${args:-(none)}" "$rc" "$actual_out" "$actual_err" "$file"
    continue
  fi
  cases=$((cases + 1))
  problem=""
  [ "$rc" = "$status" ] || problem="$problem status $rc, not $status;"
  [ "$out" = "*" ] || [ "$actual_out" = "$out" ] || problem="$problem standard output '$actual_out';"
  [ "$err" = "*" ] || [ "$actual_err" = "$err" ] || problem="$problem standard error '$actual_err';"
  [ "$file" = "(none)" ] || [ -e "$work/run/$file" ] || problem="$problem no $file;"
  if [ -n "$problem" ]; then
    printf 'FAIL %s %s:%s\n' "$tool" "$args" "$problem"
    fails=$((fails + 1))
  fi
done < "$table"

[ "${RECORD:-0}" = 1 ] && exit 0
if [ "$cases" -eq 0 ]; then
  echo "FAIL no cases in $table"
  exit 1
fi
[ "$fails" -eq 0 ] && echo "all $cases command lines answered as the table says"
exit "$fails"
