#!/usr/bin/python3
"""Legacy text whose font comes from styles.xml, in .ods and .odp files
LibreOffice made: cells and a frame in the legacy font only through a named
style's parent, a sheet's page header and a slide master's frame.
After harf-convert LibreOffice reads every one as the Unicode words it was
typed from (sheets to .csv and .xlsx, slides to PDF), converted cells read
right to left, and a round trip through the legacy font gives the same.

usage: odf_styles_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import zipfile
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402
from presentation_test import pdf_text  # noqa: E402
from spreadsheet_test import CSV_FILTER, read_csv  # noqa: E402

PHRASES = ["بسم الله الرحمن الرحيم", "مستشفى", "شمس وحياة خضراء", "صندوق نص"]

# Named styles: the font is set two parents up, as a user's template does.
NAMED = ('<office:styles>'
         '<style:style style:name="ArabBase" style:family="table-cell">'
         '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
         '<style:style style:name="Arab" style:family="table-cell" '
         'style:parent-style-name="ArabBase"/>'
         '<style:style style:name="BoxBase" style:family="graphic">'
         '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
         '<style:style style:name="Box" style:family="graphic" '
         'style:parent-style-name="BoxBase"/>'
         '</office:styles>')

HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
        'office:mimetype="application/vnd.oasis.opendocument.%s">' + office.FONT_FACES + NAMED)


def span(text):
    # Calc and Impress keep no named text styles: a span's font is automatic.
    return office.legacy_span(text)


def fods(w):
    masters = ('<office:master-styles><style:master-page style:name="Default" '
               'style:page-layout-name="pm1"><style:header><text:p>%s</text:p></style:header>'
               '</style:master-page></office:master-styles>' % span(w[3]))
    cells = ('<table:table-row><table:table-cell table:style-name="ce1" '
             'office:value-type="string"><text:p>%s</text:p></table:table-cell>'
             '<table:table-cell office:value-type="string"><text:p>Name</text:p>'
             '</table:table-cell></table:table-row>'
             '<table:table-row><table:table-cell office:value-type="string"><text:p>%s</text:p>'
             '</table:table-cell><table:table-cell table:style-name="Arab" '
             'office:value-type="string"><text:p>%s</text:p></table:table-cell>'
             '</table:table-row>' % (escape(w[0]), span(w[1]), escape(w[2])))
    return (HEAD % (office.NS, "spreadsheet") +
            '<office:automatic-styles><style:page-layout style:name="pm1"/>' + office.TEXT_STYLES +
            '<style:style style:name="ce1" style:family="table-cell" '
            'style:parent-style-name="Arab"/></office:automatic-styles>' + masters +
            '<office:body><office:spreadsheet><table:table table:name="Blatt">'
            '<table:table-column table:number-columns-repeated="2"/>%s</table:table>'
            '</office:spreadsheet></office:body></office:document>\n' % cells)


def fodp(w):
    frame = ('<draw:frame %ssvg:x="2cm" svg:y="%dcm" svg:width="22cm" svg:height="3cm">'
             '<draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>')
    masters = ('<office:master-styles><style:master-page style:name="Default">%s'
               '</style:master-page></office:master-styles>' % (frame % ("", 14, span(w[3]))))
    page = frame % ('draw:style-name="Box" ', 2, escape(w[0])) + \
        frame % ("", 6, "Nur " + span(w[2]))
    return (HEAD % (office.NS, "presentation") + '<office:automatic-styles>' +
            office.TEXT_STYLES + '</office:automatic-styles>' + masters +
            '<office:body><office:presentation><draw:page draw:name="page1" '
            'draw:master-page-name="Default">%s</draw:page></office:presentation></office:body>'
            '</office:document>\n' % page)


def header_text(ods):
    """The header's text as the converted package holds it."""
    ns = {"style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0"}
    with zipfile.ZipFile(ods) as z:
        root = ET.fromstring(z.read("styles.xml"))
    header = root.find(".//style:header", ns)
    return re.sub(r"\s+", " ", "".join(header.itertext())).strip() if header is not None else None


def reading_order(xlsx, ref):
    ns = {"x": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
    with zipfile.ZipFile(xlsx) as z:
        sheet = ET.fromstring(z.read("xl/worksheets/sheet1.xml"))
        styles = ET.fromstring(z.read("xl/styles.xml"))
    cell = sheet.find(".//x:c[@r='%s']" % ref, ns)
    xf = styles.findall("x:cellXfs/x:xf", ns)[int(cell.get("s", "0"))]
    align = xf.find("x:alignment", ns)
    return align.get("readingOrder") if align is not None else None


def run(convert, *args):
    result = subprocess.run([convert, *args], capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        print("%s: exit %d: %s" % (args, result.returncode, result.stderr))
        sys.exit(1)


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    w = [office.encode(c, "windows-1252") for c in office.shape(shape, PHRASES)]
    failed = 0
    for name, source in (("sheet.fods", fods(w)), ("slide.fodp", fodp(w))):
        with open(os.path.join(work, name), "w", encoding="utf-8") as f:
            f.write(source)
    office.soffice(work, "ods", work, [os.path.join(work, "sheet.fods")])
    office.soffice(work, "odp", work, [os.path.join(work, "slide.fodp")])
    done = []
    for stem in ("sheet.ods", "slide.odp"):
        base, ext = os.path.splitext(os.path.join(work, stem))
        run(convert, base + ext)
        run(convert, "--to", "legacy", base + ".unicode" + ext)
        run(convert, base + ".unicode.legacy" + ext)
        done += [base + ".unicode" + ext, base + ".unicode.legacy.unicode" + ext]

    out = os.path.join(work, "read")
    os.makedirs(out)
    sheets = [p for p in done if p.endswith(".ods")]
    slides = [p for p in done if p.endswith(".odp")]
    office.soffice(work, CSV_FILTER, out, sheets)
    office.soffice(work, "xlsx", out, sheets[:1])
    office.soffice(work, "pdf", out, slides)
    want_rows = [[PHRASES[0], "Name"], [PHRASES[1], PHRASES[2]]]
    for path in sheets:
        stem = os.path.splitext(os.path.basename(path))[0]
        got = read_csv(os.path.join(out, stem + "-Blatt.csv"))
        if got != want_rows:
            print("%s: expected %s\n  got %s" % (stem, want_rows, got))
            failed += 1
        if header_text(path) != PHRASES[3]:
            print("%s: header %r, expected %r" % (stem, header_text(path), PHRASES[3]))
            failed += 1
    xlsx = os.path.join(out, "sheet.unicode.xlsx")
    for ref, want in (("A1", "2"), ("B2", "2"), ("B1", None)):
        if reading_order(xlsx, ref) != want:
            print("cell %s: reading order %s, expected %s" % (ref, reading_order(xlsx, ref), want))
            failed += 1
    for path in slides:
        pdf = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + ".pdf")
        text = pdf_text(pdf)
        for phrase in (PHRASES[0], PHRASES[2], PHRASES[3]):
            if phrase not in text:
                print("%s: %r missing from %r" % (os.path.basename(pdf), phrase, text))
                failed += 1
    if not failed:
        print("%d sheets and %d slides read right" % (len(sheets), len(slides)))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
