#!/usr/bin/python3
"""Writes the inputs of bench/formats_bench.sh into DIR: a PDF of PAGES pages
of legacy text (printed by LibreOffice with the stand-in renamed
VarnelNormal), and an .xlsx and a .pptx of about SIZE_MB megabytes of legacy
text (written here: many rows of shared and inline strings in a legacy cell
format, many slides of legacy runs).

usage: make_bench_formats.py HARF_SHAPE DIR PAGES SIZE_MB
"""
import os
import re
import random
import sys
import zipfile
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "documents"))
import office_sources as office  # noqa: E402

WORDS = ["بسم", "الله", "الرحمن", "الرحيم", "مستشفى", "شمس", "وحياة", "خضراء", "صندوق", "نص",
         "قلم", "أحمر", "مكتبة", "الجامعة", "ضحى", "الخميس", "كتاب", "جديد", "سلام", "عليكم"]


def phrases(shape, n, seed):
    rnd = random.Random(seed)
    text = [" ".join(rnd.choice(WORDS) for _ in range(rnd.randint(3, 9))) for _ in range(n)]
    return [office.encode(c, "windows-1252") for c in office.shape(shape, text)]


def make_pdf(shape, work, pages):
    lines = phrases(shape, 200, 1)
    body = [[[(False, "Zeile %d: " % i), (True, lines[(p * 40 + i) % len(lines)])]
             for i in range(25)] for p in range(pages)]
    src = os.path.join(work, "bench.fodt")
    with open(src, "w", encoding="utf-8") as f:
        f.write(office.fodt(body))
    env, _ = office.install_font(work, "windows-1252")
    office.soffice(work, "pdf", work, [src], env, timeout=1200)


XLSX_TYPES = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
              'package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
              '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.'
              'relationships+xml"/><Override PartName="/xl/workbook.xml" ContentType="application/'
              'vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName='
              '"/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument'
              '.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType='
              '"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
              '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-'
              'officedocument.spreadsheetml.styles+xml"/></Types>')
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"


def make_xlsx(shape, path, size_mb):
    lines = phrases(shape, 2000, 2)
    rnd = random.Random(3)
    rows, strings = [], []
    target = size_mb * 2**20 * 8  # deflate packs these rows about eight to one
    total, r = 0, 0
    while total < target:
        r += 1
        text = lines[rnd.randrange(len(lines))] + " " + lines[rnd.randrange(len(lines))]
        strings.append("<si><t xml:space=\"preserve\">%s</t></si>" % escape(text))
        row = ('<row r="%d"><c r="A%d" s="1" t="s"><v>%d</v></c><c r="B%d"><v>%d</v></c>'
               '<c r="C%d" t="inlineStr"><is><r><rPr><rFont val="VarnelNormal"/></rPr><t xml:space='
               '"preserve">%s</t></r></is></c></row>' % (r, r, len(strings) - 1, r, r, r,
                                                        escape(lines[r % len(lines)])))
        rows.append(row)
        total += len(row) + len(strings[-1])
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", XLSX_TYPES)
        z.writestr("xl/workbook.xml", '<workbook xmlns="%s"><sheets><sheet name="A" sheetId="1"/>'
                   "</sheets></workbook>" % MAIN)
        z.writestr("xl/styles.xml", '<styleSheet xmlns="%s"><fonts count="2"><font><name val="Arial"/>'
                   '</font><font><name val="VarnelNormal"/></font></fonts><cellXfs count="2"><xf '
                   'fontId="0"/><xf fontId="1"/></cellXfs></styleSheet>' % MAIN)
        z.writestr("xl/sharedStrings.xml", '<sst xmlns="%s" count="%d" uniqueCount="%d">%s</sst>'
                   % (MAIN, len(strings), len(strings), "".join(strings)))
        z.writestr("xl/worksheets/sheet1.xml", '<worksheet xmlns="%s"><sheetData>%s</sheetData>'
                   "</worksheet>" % (MAIN, "".join(rows)))


def make_pptx(shape, work, path, size_mb):
    """LibreOffice's deck of one slide, its slide copied until the size is reached."""
    lines = phrases(shape, 2000, 4)
    paras = [[[(False, "Folie: "), (True, lines[i])], [(True, lines[i + 1])]]
             for i in range(0, 8, 2)]
    src = os.path.join(work, "deck.fodp")
    with open(src, "w", encoding="utf-8") as f:
        f.write(office.fodp([paras]))
    office.soffice(work, "pptx", work, [src])
    with zipfile.ZipFile(os.path.join(work, "deck.pptx")) as z:
        entries = {i.filename: z.read(i.filename) for i in z.infolist()}
    slide = entries["ppt/slides/slide1.xml"].decode()
    rels = entries["ppt/slides/_rels/slide1.xml.rels"]
    types = entries["[Content_Types].xml"].decode()
    rnd = random.Random(5)
    total, n = 0, 1
    extra = []
    while total < size_mb * 2**20 * 4:
        n += 1
        text = slide
        for old in set(re.findall(r"<a:t>([^<]*)</a:t>", slide)):
            if old.startswith("Folie"):
                continue
            text = text.replace("<a:t>%s</a:t>" % old,
                                "<a:t>%s</a:t>" % escape(lines[rnd.randrange(len(lines))]), 1)
        entries["ppt/slides/slide%d.xml" % n] = text.encode()
        entries["ppt/slides/_rels/slide%d.xml.rels" % n] = rels
        extra.append('<Override PartName="/ppt/slides/slide%d.xml" ContentType="application/vnd.'
                     'openxmlformats-officedocument.presentationml.slide+xml"/>' % n)
        total += len(text)
    entries["[Content_Types].xml"] = types.replace("</Types>", "".join(extra) + "</Types>").encode()
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries.items():
            z.writestr(name, data)


def main():
    shape, work, pages, size_mb = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    os.makedirs(work, exist_ok=True)
    make_pdf(shape, work, pages)
    make_xlsx(shape, os.path.join(work, "bench.xlsx"), size_mb)
    make_pptx(shape, work, os.path.join(work, "bench.pptx"), size_mb)


if __name__ == "__main__":
    main()
