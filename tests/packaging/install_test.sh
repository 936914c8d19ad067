#!/bin/sh
# Installs the build into a temporary DESTDIR and checks what a desktop and a
# user get: exactly the listed files, a menu entry and AppStream metadata the
# freedesktop validators accept, icons at their sizes, manual pages that
# format without warnings and match the programs, and --version everywhere.
# Arguments: build folder, source folder, project version, 1 if harf-convert
# is built (else 0).
set -u
build="$1" src="$2" version="$3" convert="$4"
here="$(dirname "$0")"
. "$here/expected_files.sh"
fails=0
fail() {
  printf 'FAIL %s\n' "$*"
  fails=$((fails + 1))
}

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
if ! DESTDIR="$root" cmake --install "$build" --prefix /usr >"$root.log" 2>&1; then
  cat "$root.log"
  rm -f "$root.log"
  echo "FAIL cmake --install"
  exit 1
fi
rm -f "$root.log"
usr="$root/usr"

# Exactly the listed files, nothing missing and nothing stray.
expected_files "$here/installed_files.txt" "$convert" >"$root/expected"
(cd "$usr" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$root/actual"
if ! diff -u "$root/expected" "$root/actual"; then
  fail "installed files differ from installed_files.txt (- expected, + installed)"
fi

# Menu entry and AppStream metadata, as the desktop sees them.
desktop="$usr/share/applications/org.harf.Harf.desktop"
metainfo="$usr/share/metainfo/org.harf.Harf.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$root/as.log" 2>&1 || {
  cat "$root/as.log"
  fail "appstreamcli validate"
}
appstreamcli validate-tree --no-net "$usr" >"$root/as.log" 2>&1 || {
  cat "$root/as.log"
  fail "appstreamcli validate-tree"
}
exec_line="$(sed -n 's/^Exec=//p' "$desktop")"
[ -x "$usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is no installed program"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $(basename "$desktop")"
grep -q "<release version=\"$version\"" "$metainfo" ||
  fail "the metainfo has no release $version"

# Icons: the SVG and each PNG at its own size, all under the entry's name.
svg="$usr/share/icons/hicolor/scalable/apps/$icon.svg"
xmllint --noout "$svg" || fail "$svg is not well-formed"
for size in 16 32 48 64 128 256; do
  png="$usr/share/icons/hicolor/${size}x$size/apps/$icon.png"
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png: $(file -b "$png")"
done

# Every program answers --version with its name and the project's version.
for program in harf harf-shape $([ "$convert" = 1 ] && echo harf-convert); do
  got="$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/$program" --version 2>&1)"
  [ "$got" = "$program $version" ] || fail "$program --version: '$got'"
done

# Manual pages: one per program, formatted without a warning, the version in
# the footer, and every option --help names described.
for program in harf harf-shape $([ "$convert" = 1 ] && echo harf-convert); do
  page="$usr/share/man/man1/$program.1.gz"
  gzip -t "$page" || fail "$page is not gzip"
  # col -b: the formatted page sets bold and underline by overstriking.
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>"$root/warnings" |
    col -bx >"$root/page"
  [ -s "$root/warnings" ] && fail "$page: $(cat "$root/warnings")"
  grep -q "Harf $version" "$root/page" || fail "$page does not name Harf $version"
  env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/$program" --help 2>/dev/null |
    grep -o -- '--[a-z][a-z-]*' | sort -u | while read -r option; do
      # man sets a hyphen in an option as U+2010 in some places; compare ASCII.
      sed 's/\xe2\x80\x90/-/g' "$root/page" | grep -q -- "$option" ||
        echo "$option" >>"$root/undocumented.$program"
    done
  if [ -s "$root/undocumented.$program" ]; then
    fail "$page does not describe $(tr '\n' ' ' <"$root/undocumented.$program")"
  fi
done

# The examples in harf-shape(1) give what the page says, run by the installed
# program: lines '.RB "$ " "COMMAND"' followed by the output lines.
zcat "$usr/share/man/man1/harf-shape.1.gz" | sed -n '/^\.SH EXAMPLES/,/^\.fi/p' |
  sed -e 's/\\(aq/'"'"'/g' -e 's/\\(dq/"/g' -e 's/\\-/-/g' -e 's/\\e/\\/g' >"$root/examples"
examples=0
awk -v dir="$root" '
  /^\.RB "\$ "/ { n++; sub(/^\.RB "\$ " "/, ""); sub(/"$/, ""); print > (dir "/example" n ".sh"); next }
  /^\./ { next }
  n { print > (dir "/example" n ".out") }
' "$root/examples"
for script in "$root"/example*.sh; do
  [ -e "$script" ] || break
  examples=$((examples + 1))
  expected="${script%.sh}.out"
  [ -e "$expected" ] || : >"$expected"
  if ! PATH="$usr/bin:$PATH" sh "$script" 2>&1 | diff -u "$expected" - >"$root/diff"; then
    fail "harf-shape(1) example '$(cat "$script")':"
    cat "$root/diff"
  fi
done
[ "$examples" -ge 3 ] || fail "found $examples examples in harf-shape(1)"

# The stand-in font, as fontconfig reads it.
font="$usr/share/fonts/truetype/harf/HarfStandIn.ttf"
cmp -s "$font" "$src/fonts/HarfStandIn.ttf" || fail "$font is not the stand-in"
[ "$(fc-scan --format '%{family}' "$font")" = "Harf Stand-in" ] || fail "fc-scan $font"

# Debian's documentation files.
copyright="$usr/share/doc/harf/copyright"
grep -q "^License: OFL-1.1$" "$copyright" && grep -q "SIL OPEN FONT LICENSE Version 1.1" "$copyright" ||
  fail "$copyright lacks the font's licence"
first="$(zcat "$usr/share/doc/harf/changelog.Debian.gz" | head -1)"
case "$first" in
"harf ($version-"*) ;;
*) fail "changelog.Debian.gz starts '$first', not version $version" ;;
esac

[ "$fails" -eq 0 ] || exit 1
echo "install: all checks passed"
