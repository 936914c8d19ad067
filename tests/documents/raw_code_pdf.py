#!/usr/bin/python3
"""Writes a PDF whose legacy text is drawn with the font's own 8-bit codes
and no ToUnicode map, as older PDF producers wrote text in a symbol font.

usage: raw_code_pdf.py FONT.ttf KIND OUT.pdf PAGES.json
KIND: symbol (a symbolic font, no encoding) or windows-1252 (WinAnsi).
PAGES.json: pages, each a list of lines, each a list of [font, payload]
where font is "legacy" (payload: glyph codes) or "latin" (payload: text).
"""
import json
import sys
import zlib

from fontTools.ttLib import TTFont


def main():
    font_path, kind, out, lines_path = sys.argv[1:5]
    with open(lines_path, encoding="utf-8") as f:
        pages = json.load(f)
    font = TTFont(font_path)
    cmap = font["cmap"].tables[0].cmap
    scale = 1000 / font["head"].unitsPerEm
    metrics = font["hmtx"].metrics

    def width(code):
        point = 0xF000 + code if kind == "symbol" else ord(bytes([code]).decode("cp1252", "replace"))
        glyph = cmap.get(point)
        return round(metrics[glyph][0] * scale) if glyph else 0

    objects = []

    def add(body):
        objects.append(body)
        return len(objects)

    with open(font_path, "rb") as f:
        program = f.read()
    packed = zlib.compress(program)
    font_file = add(b"<</Length %d/Length1 %d/Filter/FlateDecode>>stream\n" % (len(packed), len(program))
                    + packed + b"\nendstream")
    flags = 4 if kind == "symbol" else 32
    descriptor = add(b"<</Type/FontDescriptor/FontName/ABCDEF+VarnelNormal/Flags %d"
                     b"/FontBBox[-500 -600 1200 1100]/ItalicAngle 0/Ascent 900/Descent -300"
                     b"/CapHeight 700/StemV 80/FontFile2 %d 0 R>>" % (flags, font_file))
    widths = b" ".join(b"%d" % width(c) for c in range(32, 256))
    encoding = b"" if kind == "symbol" else b"/Encoding/WinAnsiEncoding"
    legacy = add(b"<</Type/Font/Subtype/TrueType/BaseFont/ABCDEF+VarnelNormal/FirstChar 32"
                 b"/LastChar 255/Widths[" + widths + b"]/FontDescriptor %d 0 R" % descriptor
                 + encoding + b">>")
    latin = add(b"<</Type/Font/Subtype/Type1/BaseFont/Helvetica/Encoding/WinAnsiEncoding>>")
    pages_id = len(objects) + 1 + 2 * len(pages)
    kids = []
    for page in pages:
        ops = [b"BT"]
        y = 760
        for line in page:
            ops.append(b"1 0 0 1 72 %d Tm" % y)
            for face, payload in line:
                if face == "legacy":
                    ops.append(b"/F1 14 Tf <" + bytes(payload).hex().encode() + b"> Tj")
                else:
                    ops.append(b"/F2 12 Tf <" + payload.encode("cp1252").hex().encode() + b"> Tj")
            y -= 24
        ops.append(b"ET")
        stream = b"\n".join(ops)
        content = add(b"<</Length %d>>stream\n" % len(stream) + stream + b"\nendstream")
        kids.append(add(b"<</Type/Page/Parent %d 0 R/MediaBox[0 0 595 842]/Contents %d 0 R"
                        b"/Resources<</Font<</F1 %d 0 R/F2 %d 0 R>>>>>>"
                        % (pages_id, content, legacy, latin)))
    add(b"<</Type/Pages/Kids[" + b" ".join(b"%d 0 R" % k for k in kids) + b"]/Count %d>>" % len(kids))
    catalog = add(b"<</Type/Catalog/Pages %d 0 R>>" % pages_id)
    data = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        data += b"%010d 00000 n \n" % offset
    data += b"trailer\n<</Size %d/Root %d 0 R>>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, catalog, xref)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
