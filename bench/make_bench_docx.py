#!/usr/bin/python3
"""Makes a .docx of about SIZE megabytes of legacy text for the converter's
benchmark: paragraphs of German with runs of Arabic in the legacy font
(Windows-1252), phrases of words drawn from Debian's Arabic dictionary and
shaped by harf-shape, some words split by bold in their middle, so that the
text compresses like real text and not like one repeated line.

usage: make_bench_docx.py HARF_SHAPE SIZE_MB OUT.docx
"""
import io
import os
import random
import subprocess
import sys
import zipfile
import zlib

import docx

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
GERMAN = ("Sehr geehrte Damen und Herren, wie besprochen folgt der Text", "Der Titel lautet",
          "Auf Seite", "Mit freundlichen Grüßen", "Die Übersetzung ist", "Bemerkung:")
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def encode(codes):
    return "".join(chr(c) if c in CP1252_UNDEFINED else bytes([c]).decode("cp1252")
                   for c in codes)


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def main():
    shape, size_mb, out = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    rnd = random.Random(20261208)
    with open("/usr/share/hunspell/ar.dic", encoding="utf-8") as f:
        next(f)
        words = [line.split("/")[0].split("\t")[0].strip() for line in f]
    words = [w for w in words if w]
    phrases = [" ".join(rnd.choice(words) for _ in range(rnd.randint(2, 6))) + " "
               for _ in range(20000)]
    shaped = subprocess.run([shape, "--from", "unicode"], input="\n".join(phrases) + "\n",
                            capture_output=True, text=True, check=True).stdout.splitlines()
    legacy = [[int(c) for c in line.split()] for line in shaped]

    legacy_rpr = '<w:rPr><w:rFonts w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/>%s</w:rPr>'
    body = io.StringIO()
    packed = zlib.compressobj(6, zlib.DEFLATED, -15)
    packed_size = 0
    target = size_mb * 1e6
    n = 0
    while packed_size < target:
        codes = legacy[n % len(legacy)]
        german = GERMAN[n % len(GERMAN)] + " %d: " % n
        if n % 7 == 3 and len(codes) > 4:
            half = len(codes) // 2
            arabic = ('<w:r>%s<w:t xml:space="preserve">%s</w:t></w:r>'
                      '<w:r>%s<w:t xml:space="preserve">%s</w:t></w:r>' % (
                          legacy_rpr % "", esc(encode(codes[:half])),
                          legacy_rpr % "<w:b/>", esc(encode(codes[half:]))))
        else:
            arabic = '<w:r>%s<w:t xml:space="preserve">%s</w:t></w:r>' % (
                legacy_rpr % "", esc(encode(codes)))
        p = ('<w:p><w:r><w:t xml:space="preserve">%s</w:t></w:r>%s'
             '<w:r><w:t xml:space="preserve"> (Ende)</w:t></w:r></w:p>' % (esc(german), arabic))
        body.write(p)
        packed_size += len(packed.compress(p.encode()))
        n += 1
        if n % 2000 == 0:
            packed_size += len(packed.flush(zlib.Z_FULL_FLUSH))
    document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document %s>'
                '<w:body>%s<w:sectPr/></w:body></w:document>' % (W, body.getvalue()))

    template = io.BytesIO()
    docx.Document().save(template)
    with zipfile.ZipFile(template) as src, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for info in src.infolist():
            data = document.encode() if info.filename == "word/document.xml" else src.read(info)
            z.writestr(info.filename, data, zipfile.ZIP_DEFLATED)
    print("%s: %d paragraphs, document.xml %.1f MB, file %.1f MB" % (
        out, n, len(document.encode()) / 1e6, os.path.getsize(out) / 1e6))


if __name__ == "__main__":
    main()
