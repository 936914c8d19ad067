#!/usr/bin/python3
"""harf-convert on workbooks LibreOffice made from a flat spreadsheet: every
cell in the legacy font (by its cell style or a rich-text span, a bold letter
inside a word included, on two sheets) reads back in LibreOffice as the
Unicode words it was typed from; numbers, formulas and plain cells stay; a
shared string used by a legacy cell and a plain cell is split; converted
cells are in the Unicode font, right to left; a round trip through the
legacy font gives the same sheets; the same for .ods. A sheet with a DTD, a file that is no
workbook and an .xlsx named .ods are refused with nothing written.

usage: spreadsheet_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import csv
import glob
import os
import re
import shutil
import subprocess
import sys
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402

PHRASES = ["بسم الله الرحمن الرحيم", "مستشفى", "شمس وحياة خضراء", "صندوق نص", "قلم أحمر"]
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"


def book(codes):
    """The sheets with legacy text, and the sheets LibreOffice must show after
    conversion (rows of cell texts)."""
    w = [office.encode(c, "windows-1252") for c in codes]
    s = [office.encode(c, "symbol") for c in codes]
    mustashfa = w[1]
    sheets = [
        ("Eins", [
            [("P", "Name"), ("L", w[0]), 42],
            [("P", "Preis"), ("R", [(False, "Preis: "), (True, s[2])]), ("F", "=[.C1]*2")],
            [("R", [(True, mustashfa[:3]), ("bold", mustashfa[3:4]), (True, mustashfa[4:])]),
             None, ("L", s[3])],
            [("L", w[0]), ("P", "Kopie:"), ("P", w[0])],
        ]),
        ("Zwei", [[("L", w[4]), 3.5]]),
    ]
    expected = {
        "Eins": [["Name", PHRASES[0], "42"],
                 ["Preis", "Preis: " + PHRASES[2], "84"],
                 [PHRASES[1], "", PHRASES[3]],
                 [PHRASES[0], "Kopie:", w[0].strip()]],
        "Zwei": [[PHRASES[4], "3.5"]],
    }
    return sheets, expected


def read_csv(path):
    with open(path, encoding="utf-8", newline="") as f:
        rows = [[re.sub(" +", " ", c).strip() for c in row] for row in csv.reader(f)]
    width = max(map(len, rows))
    return [row + [""] * (width - len(row)) for row in rows]


def cell_format(xlsx, ref):
    """(font name, reading order) of a cell of the first sheet, read by
    namespace (a converted part may use another prefix)."""
    ns = {"x": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
    with zipfile.ZipFile(xlsx) as z:
        sheet = ET.fromstring(z.read("xl/worksheets/sheet1.xml"))
        styles = ET.fromstring(z.read("xl/styles.xml"))
    cell = sheet.find(".//x:c[@r='%s']" % ref, ns)
    xf = styles.findall("x:cellXfs/x:xf", ns)[int(cell.get("s", "0"))]
    font = styles.findall("x:fonts/x:font", ns)[int(xf.get("fontId", "0"))]
    name = font.find("x:name", ns)
    align = xf.find("x:alignment", ns)
    return (name.get("val") if name is not None else None,
            align.get("readingOrder") if align is not None else None)


OFFICE = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
}


def office_writing_mode(fods, ref):
    """The writing mode LibreOffice gives a cell of the first sheet, from the
    flat file it saved: the cell's own style, else its column's default."""
    col = ord(ref[0]) - ord("A")
    row = int(ref[1:]) - 1
    tree = ET.parse(fods)
    t, s = "{%s}" % OFFICE["table"], "{%s}" % OFFICE["style"]
    table = tree.find(".//" + t + "table")
    rows = []
    for r in table.iter(t + "table-row"):
        rows += [r] * int(r.get(t + "number-rows-repeated", "1"))
        if len(rows) > row:
            break
    cells = []
    for c in rows[row]:
        if c.tag in (t + "table-cell", t + "covered-table-cell"):
            cells += [c] * int(c.get(t + "number-columns-repeated", "1"))
    name = cells[col].get(t + "style-name")
    for style in tree.iter(s + "style"):
        if style.get(s + "name") == name:
            props = style.find(s + "paragraph-properties")
            return props.get(s + "writing-mode") if props is not None else None
    return None


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    codes = office.shape(shape, PHRASES)
    sheets, expected = book(codes)
    src = os.path.join(work, "book.fods")
    with open(src, "w", encoding="utf-8") as f:
        f.write(office.fods(sheets))
    failed = 0
    results = []
    for ext in ("xlsx", "ods"):
        office.soffice(work, ext, work, [src])
        for args in ([os.path.join(work, "book." + ext)],
                     ["--to", "legacy", os.path.join(work, "book.unicode." + ext)],
                     [os.path.join(work, "book.unicode.legacy." + ext)]):
            result = subprocess.run([convert, *args], capture_output=True, text=True,
                                    timeout=120)
            if result.returncode != 0:
                print("%s: exit %d: %s" % (args, result.returncode, result.stderr))
                sys.exit(1)
        results += [os.path.join(work, "book.unicode." + ext),
                    os.path.join(work, "book.unicode.legacy.unicode." + ext)]
    xlsx = os.path.join(work, "book.xlsx")
    # .xls goes through LibreOffice inside harf-convert: one way is enough.
    office.soffice(work, "xls", work, [src])
    result = subprocess.run([convert, os.path.join(work, "book.xls")], capture_output=True,
                            text=True, timeout=300)
    if result.returncode != 0:
        print("book.xls: exit %d: %s" % (result.returncode, result.stderr))
        failed += 1
    results.append(os.path.join(work, "book.unicode.xls"))
    out = os.path.join(work, "csv")
    os.makedirs(out)
    office.soffice(work, CSV_FILTER, out, results)
    for path in results:
        stem = os.path.basename(path)
        for sheet, rows in expected.items():
            got = read_csv(os.path.join(out, "%s-%s.csv" % (os.path.splitext(stem)[0], sheet)))
            if got != rows:
                print("%s, sheet %s:\n  expected %s\n  got      %s" % (stem, sheet, rows, got))
                failed += 1
            else:
                print("%s, sheet %s: %d rows right" % (stem, sheet, len(rows)))
    for ref, want in (("B1", ("Amiri", "2")), ("A4", ("Amiri", "2")), ("C4", None),
                      ("A1", None)):
        got = cell_format(results[0], ref)
        if (want and got != want) or (not want and got[0] == "Amiri"):
            print("cell %s: format %s, expected %s" % (ref, got, want or "unchanged"))
            failed += 1
    # What LibreOffice makes of the converted format: the cell reads right to
    # left there too, and a cell left alone keeps its direction.
    shown = os.path.join(work, "shown")
    os.makedirs(shown)
    office.soffice(work, "fods", shown, [results[0]])
    fods = os.path.join(shown, "book.unicode.fods")
    for ref, want in (("B1", "rl-tb"), ("A4", "rl-tb"), ("A1", None)):
        got = office_writing_mode(fods, ref)
        if (want and got != want) or (not want and got == "rl-tb"):
            print("cell %s as LibreOffice reads it: writing mode %s, expected %s"
                  % (ref, got, want or "not right to left"))
            failed += 1

    # Refusals: a sheet with a DTD; a file that is no workbook.
    hostile = os.path.join(work, "dtd.xlsx")
    with zipfile.ZipFile(xlsx) as z, zipfile.ZipFile(hostile, "w", zipfile.ZIP_DEFLATED) as h:
        for item in z.infolist():
            data = z.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                data = data.replace(b"?>", b'?><!DOCTYPE worksheet [<!ENTITY a "aaaa">]>', 1)
            h.writestr(item, data)
    fake = os.path.join(work, "fake.xlsx")
    with open(fake, "w") as f:
        f.write("Name,Wert\n")
    # A workbook of the other kind under this name.
    other = os.path.join(work, "other.ods")
    shutil.copy(xlsx, other)
    for bad in (hostile, fake, other):
        target = os.path.join(work, "refused" + os.path.splitext(bad)[1])
        result = subprocess.run([convert, "-o", target, bad], capture_output=True, text=True,
                                timeout=60)
        lines = [l for l in result.stderr.splitlines() if "1 file," not in l]
        if result.returncode != 2 or len(lines) != 1 or os.path.exists(target):
            print("%s: expected one line, exit 2, nothing written; got %d:\n%s"
                  % (bad, result.returncode, result.stderr))
            failed += 1
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    import readers  # noqa: E402
    readers.require("soffice")
    main()
