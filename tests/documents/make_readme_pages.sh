#!/bin/sh
# Draws the first page of the generated letter before and after conversion to
# Unicode, as LibreOffice prints it, into docs/convert-before.png and
# docs/convert-after.png; the same for the format tests' workbook and slides
# (docs/sheet-*.png, docs/slide-*.png), cropped to what is drawn. For the "before" page LibreOffice needs the legacy
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

# The workbook and the deck of the format tests, made by LibreOffice.
/usr/bin/python3 - "$root/tests/documents" "$build/tools/harf-shape" "$work" <<'PY'
import os, sys
sys.path.insert(0, sys.argv[1])
import office_sources as office
import presentation_test
import spreadsheet_test
work = sys.argv[3]
with open(os.path.join(work, "sheet.fods"), "w", encoding="utf-8") as f:
    codes = office.shape(sys.argv[2], spreadsheet_test.PHRASES)
    # Columns wide enough for the longest phrase.
    f.write(office.fods(spreadsheet_test.book(codes)[0][:1]).replace(
        "<table:table-column ", '<table:table-column table:style-name="wide" ').replace(
        "<office:automatic-styles>", '<office:automatic-styles><style:style style:name="wide" '
        'style:family="table-column"><style:table-column-properties style:column-width="5cm"/>'
        "</style:style>"))
with open(os.path.join(work, "slide.fodp"), "w", encoding="utf-8") as f:
    codes = office.shape(sys.argv[2], presentation_test.PHRASES)
    f.write(office.fodp(presentation_test.deck(codes)[:1]))
PY
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to ods \
  --outdir "$work" "$work/sheet.fods" >/dev/null
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to odp \
  --outdir "$work" "$work/slide.fodp" >/dev/null
for doc in sheet.ods slide.odp; do
  kind="${doc%.*}"
  cp "$work/$doc" "$work/pdf/$kind-before.${doc#*.}"
  "$build/tools/harf-convert" -o "$work/pdf/$kind-after.${doc#*.}" "$work/$doc"
done
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf \
  --outdir "$work/pdf" "$work/pdf/sheet-before.ods" "$work/pdf/sheet-after.ods" \
  "$work/pdf/slide-before.odp" "$work/pdf/slide-after.odp" >/dev/null
for page in sheet-before sheet-after slide-before slide-after; do
  pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/pdf/$page.pdf" "$work/pdf/$page"
  # A sheet fills the top of its page, its page number at the foot: only the
  # top quarter is kept. Then only what is drawn, with a margin.
  top=100%
  case "$page" in sheet-*) top=25% ;; esac
  convert "$work/pdf/$page.png" -gravity North -crop "100%x$top+0+0" +repage -trim \
    -bordercolor white -border 12 +repage -strip "$root/docs/$page.png"
done
echo "wrote docs/convert-*.png, docs/sheet-*.png and docs/slide-*.png"
