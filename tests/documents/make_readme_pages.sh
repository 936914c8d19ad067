#!/bin/sh
# Draws the first page of the generated letter before and after conversion to
# Unicode, as LibreOffice prints it, into docs/convert-before.png and
# docs/convert-after.png. For the "before" page LibreOffice needs the legacy
# font: the stand-in, renamed VarnelNormal, through a private fontconfig
# (never installed system-wide).
#
# usage: tests/documents/make_readme_pages.sh BUILD_DIR
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/fonts" "$work/cache" "$work/pdf"
/usr/bin/python3 "$root/tests/fonts/rename_font.py" "$root/fonts/HarfStandIn.ttf" \
  "$work/fonts/VarnelNormal.ttf" VarnelNormal
cat > "$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$work/fonts</dir>
  <cachedir>$work/cache</cachedir>
</fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf"

/usr/bin/python3 "$root/tests/documents/make_test_docs.py" "$build/tools/harf-shape" "$work"
cp "$work/letter.docx" "$work/pdf/before.docx"
"$build/tools/harf-convert" -o "$work/pdf/after.docx" "$work/letter.docx"
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf \
  --outdir "$work/pdf" "$work/pdf/before.docx" "$work/pdf/after.docx" >/dev/null
for page in before after; do
  pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$work/pdf/$page.pdf" "$root/docs/convert-$page"
done
echo "wrote docs/convert-before.png and docs/convert-after.png"
