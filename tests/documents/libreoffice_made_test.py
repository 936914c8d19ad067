#!/usr/bin/python3
"""Documents made by LibreOffice itself: a flat ODT written here holds every
glyph code the tables use, in each of the three kinds (symbol, Latin-1,
Windows-1252), and two short legacy paragraphs aligned right and left;
headless LibreOffice makes .docx, .doc, .rtf and .odt of it. Each is converted
to Unicode: every kind's paragraph must read as harf-shape reads the same codes
(LibreOffice writes code 173 as w:softHyphen, and bytes 0x80..0x9F its own
way), and in LibreOffice's PDF of each converted document the aligned
paragraphs keep their edge on the page.

usage: libreoffice_made_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
GLYPHS = os.path.join(HERE, "..", "..", "src", "tables", "glyphs.tsv")
W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
KINDS = ("symbol", "latin1", "windows-1252")
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}
ALIGNED = [("right", "end", "رسالة رسمية"), ("left", "start", "مكتبة الجامعة")]
# Points an edge may move: the fonts before and after differ in width, not in
# where a line starts or ends.
EDGE_SLACK = 3.0


def table_codes():
    codes = set()
    with open(GLYPHS, encoding="utf-8") as f:
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if cols[0] == "letter":
                codes |= {int(c) for c in cols[3:7] if c != "-"}
            elif cols[0] == "ligature":
                codes.add(int(cols[1]))
    codes.discard(32)
    return sorted(codes)


def char_of(code, kind):
    if kind == "symbol":
        return chr(0xF000 + code)
    if kind == "latin1" or code in CP1252_UNDEFINED:
        return chr(code)
    return bytes([code]).decode("cp1252")


def fodt(paragraphs):
    """paragraphs: (alignment or None, text)."""
    body = "".join('<text:p text:style-name="%s">%s</text:p>' % (
        "P" + (a or "none"), "".join("&#x%X;" % ord(c) for c in t)) for a, t in paragraphs)
    styles = "".join(
        '<style:style style:name="P%s" style:family="paragraph"><style:paragraph-properties%s/>'
        '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
        % (a, ' fo:text-align="%s"' % a if a != "none" else "") for a in ("none", "end", "start"))
    return (
        '<?xml version="1.0" encoding="UTF-8"?><office:document xmlns:office="urn:oasis:names:tc:'
        'opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:'
        '1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:fo="urn:oasis:'
        'names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:svg="urn:oasis:names:tc:'
        'opendocument:xmlns:svg-compatible:1.0" office:version="1.3" office:mimetype="application/'
        'vnd.oasis.opendocument.text"><office:font-face-decls><style:font-face style:name='
        '"VarnelNormal" svg:font-family="VarnelNormal"/></office:font-face-decls>'
        '<office:automatic-styles>%s</office:automatic-styles><office:body><office:text>%s'
        '</office:text></office:body></office:document>' % (styles, body))


def shape(harf_shape, args, lines):
    out = subprocess.run([harf_shape] + args, input="".join(l + "\n" for l in lines),
                         check=True, capture_output=True, text=True).stdout
    return out.splitlines()


def paragraph_texts(path):
    with zipfile.ZipFile(path) as z:
        if path.endswith(".odt"):
            root = ET.fromstring(z.read("content.xml"))
            return ["".join(p.itertext()) for p in root.iter(TEXT + "p")]
        root = ET.fromstring(z.read("word/document.xml"))
        return ["".join(t.text or "" for t in p.iter(W + "t")) for p in root.iter(W + "p")]


def first_lines(pdf, n):
    """(xMin, xMax) of the first n lines of the PDF's first page."""
    out = subprocess.run(["pdftotext", "-bbox-layout", "-f", "1", "-l", "1", pdf, "-"],
                         check=True, capture_output=True, text=True).stdout
    lines = re.findall(r'<line xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"', out)
    lines.sort(key=lambda l: float(l[1]))
    return [(float(a), float(c)) for a, _, c in lines[:n]]


def main():
    harf_convert, harf_shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    office = ["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"),
              "--headless"]
    codes = table_codes()
    aligned_codes = [[int(c) for c in l.split()]
                     for l in shape(harf_shape, ["--from", "unicode"], [t for _, _, t in ALIGNED])]
    paragraphs = [(a, "".join(char_of(c, "windows-1252") for c in cs))
                  for (_, a, _), cs in zip(ALIGNED, aligned_codes)]
    # Every code on its own between spaces, so that each reads alone.
    line = [c for code in codes for c in (code, 32)]
    paragraphs += [(None, "".join(char_of(c, k) for c in line)) for k in KINDS]
    want = shape(harf_shape, ["--from", "codes", "--format", "unicode"],
                 [" ".join(map(str, line))])[0]
    src = os.path.join(work, "made.fodt")
    with open(src, "w", encoding="utf-8") as f:
        f.write(fodt(paragraphs))

    exts = ("docx", "doc", "rtf", "odt")
    for ext in exts:
        subprocess.run(office + ["--convert-to", ext, "--outdir", work, src], check=True,
                       capture_output=True, timeout=300)
    out = os.path.join(work, "out")
    os.makedirs(out)
    converted = []
    for ext in exts:
        dst = os.path.join(out, "u-%s.%s" % (ext, ext))
        p = subprocess.run([harf_convert, "--to", "unicode", "-o", dst,
                            os.path.join(work, "made." + ext)], capture_output=True, text=True,
                           timeout=600)
        if p.returncode != 0:
            print("made.%s: exit %d %s" % (ext, p.returncode, p.stderr))
            sys.exit(1)
        converted.append(dst)
    # .doc and .rtf read back through LibreOffice's .docx; every document printed.
    readable = os.path.join(work, "readable")
    subprocess.run(office + ["--convert-to", "docx", "--outdir", readable] + converted[1:3],
                   check=True, capture_output=True, timeout=300)
    subprocess.run(office + ["--convert-to", "pdf", "--outdir", out,
                             os.path.join(work, "made.docx")] + converted,
                   check=True, capture_output=True, timeout=300)

    failed = 0
    squeeze = lambda s: re.sub(" +", " ", s).strip()
    for ext, path in zip(exts, converted):
        if ext in ("doc", "rtf"):
            path = os.path.join(readable, "u-%s.docx" % ext)
        texts = [squeeze(t) for t in paragraph_texts(path) if t.strip()]
        got = texts[len(ALIGNED):len(ALIGNED) + len(KINDS)]
        for kind, text in zip(KINDS, got):
            if text != squeeze(want):
                diff = [(i, a, b) for i, (a, b) in enumerate(zip(text, squeeze(want))) if a != b]
                print("%s %s: the codes read %r..., want %r... (first difference %s)" % (
                    ext, kind, text[:40], squeeze(want)[:40], diff[:1]))
                failed += 1
        for (name, _, words), t in zip(ALIGNED, texts):
            if squeeze(t) != words:
                print("%s: the %s-aligned paragraph reads %r, want %r" % (ext, name, t, words))
                failed += 1
    before = first_lines(os.path.join(out, "made.pdf"), len(ALIGNED))
    for ext, path in zip(exts, converted):
        after = first_lines(os.path.splitext(path)[0] + ".pdf", len(ALIGNED))
        for (name, _, _), b, a in zip(ALIGNED, before, after):
            edge = 1 if name == "right" else 0
            if abs(a[edge] - b[edge]) > EDGE_SLACK:
                print("%s: the %s-aligned paragraph moved: x %.1f-%.1f before, %.1f-%.1f after"
                      % (ext, name, b[0], b[1], a[0], a[1]))
                failed += 1
    print("%d documents, %d kinds, %d codes each; %d failures"
          % (len(exts), len(KINDS), len(codes), failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import readers  # noqa: E402
    readers.require("soffice", "pdftotext")
    main()
