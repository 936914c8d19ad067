"""Unicode documents (.docx, .odt) to the legacy font: paragraphs broken into
lines that fit and back, and an .odt that declares none of the prefixes
written into it."""
import os
import unittest
import xml.etree.ElementTree as ET
import zipfile

from convert_docs_support import FO, HERE, LEGACY, STYLE, TEXT, W, fresh, part, run


def unicode_document(path, kind, pieces, font_faces=True):
    """A document of one German paragraph and one Arabic paragraph made of
    (text, bold) pieces; an .odt declares its font as word processors do
    unless `font_faces` is false."""
    if kind == "docx":
        import docx
        d = docx.Document()
        d.add_paragraph("Ein arabischer Absatz:")
        p = d.add_paragraph()
        for text, bold in pieces:
            p.add_run(text).bold = bold or None
        d.save(path)
        return
    from odf.opendocument import OpenDocumentText
    from odf.style import FontFace, Style, TextProperties
    from odf.text import P, Span
    d = OpenDocumentText()
    if font_faces:
        d.fontfacedecls.addElement(FontFace(name="Amiri", fontfamily="Amiri"))
    strong = Style(name="Fett", family="text")
    strong.addElement(TextProperties(fontweight="bold"))
    d.automaticstyles.addElement(strong)
    d.text.addElement(P(text="Ein arabischer Absatz:"))
    p = P()
    for text, bold in pieces:
        p.addElement(Span(stylename=strong, text=text) if bold else Span(text=text))
    d.text.addElement(p)
    d.save(path)


def document_lines(path, kind, font):
    """The lines (text, bold text) of the runs set in `font` in the document's
    last paragraph, split at its line breaks (in any run)."""
    lines = [["", ""]]

    def add(text, bold):
        lines[-1][0] += text
        lines[-1][1] += text if bold else ""
    if kind == "docx":
        root = ET.fromstring(part(path, "word/document.xml"))
        for r in list(root.iter(W + "p"))[-1].iter(W + "r"):
            fonts = r.find(W + "rPr/" + W + "rFonts")
            mine = fonts is not None and fonts.get(W + "ascii") == font
            bold = r.find(W + "rPr/" + W + "b") is not None
            for c in r:
                if c.tag == W + "br":
                    lines.append(["", ""])
                elif c.tag == W + "t" and mine:
                    add(c.text or "", bold)
        return lines
    root = ET.fromstring(part(path, "content.xml"))
    autos = {s.get(STYLE + "name"): s.find(STYLE + "text-properties")
             for s in root.iter(STYLE + "style")}

    def walk(e, mine, bold):
        if e.tag == TEXT + "span":
            props = autos.get(e.get(TEXT + "style-name"))
            mine = props is not None and props.get(STYLE + "font-name") == font
            bold = props is not None and props.get(FO + "font-weight") == "bold"
        if mine:
            add(e.text or "", bold)
        for c in e:
            if c.tag == TEXT + "line-break":
                lines.append(["", ""])
            elif c.tag == TEXT + "s":
                if mine:
                    add(" " * int(c.get(TEXT + "c", "1")), bold)
            else:
                walk(c, mine, bold)
            if mine:
                add(c.tail or "", bold)
    walk(list(root.iter(TEXT + "p"))[-1], False, False)
    return lines


class LegacyParagraphs(unittest.TestCase):
    """tests/data/legacy_paragraphs.tsv: Unicode paragraphs to the legacy font
    in lines that fit, and back."""

    def test_cases(self):
        d = fresh("paragraphs")
        with open(os.path.join(HERE, "..", "data", "legacy_paragraphs.tsv"),
                  encoding="utf-8") as f:
            cases = [l.rstrip("\n").split("\t") for l in f if l.strip() and l[0] != "#"]
        for n, (kind, glyphs, least, words, text) in enumerate(cases):
            with self.subTest(line=(kind, glyphs, text)):
                pieces = [(t, i % 2 == 1) for i, t in enumerate(text.split("*")) if t]
                src = os.path.join(d, "%d.%s" % (n, kind))
                unicode_document(src, kind, pieces)
                legacy = os.path.join(d, "%d.legacy.%s" % (n, kind))
                run("--to", "legacy", "--line-glyphs", glyphs, "-o", legacy, src)
                lines = document_lines(legacy, kind, LEGACY)
                if int(glyphs):
                    self.assertTrue(all(len(t) <= int(glyphs) for t, _ in lines),
                                    [len(t) for t, _ in lines])
                self.assertGreaterEqual(len(lines), int(least))
                back = os.path.join(d, "%d.back.%s" % (n, kind))
                run("-o", back, legacy)
                lines = document_lines(back, kind, "Amiri")
                plain = text.replace("*", "")
                self.assertEqual("".join(t for t, _ in lines).replace(" ", ""),
                                 plain.replace(" ", ""))
                if words == "kept":
                    # A line break stands where a space stood.
                    self.assertEqual(" ".join(t for t, _ in lines).split(), plain.split())
                    self.assertEqual(" ".join(b for _, b in lines).split(),
                                     " ".join(t for t, b in pieces if b).split())


class OdtWithoutFontFaces(unittest.TestCase):
    # The font face and styles written use the svg and fo prefixes, which such a
    # document does not declare.
    def test_an_odt_declaring_no_svg_namespace_converts_to_well_formed_xml(self):
        d = fresh("no-font-faces")
        src = os.path.join(d, "plain.odt")
        office = "urn:oasis:names:tc:opendocument:xmlns:"
        with zipfile.ZipFile(src, "w") as z:
            z.writestr("mimetype", "application/vnd.oasis.opendocument.text")
            z.writestr("META-INF/manifest.xml", (
                '<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="%s'
                'manifest:1.0"><manifest:file-entry manifest:full-path="/" manifest:media-type='
                '"application/vnd.oasis.opendocument.text"/><manifest:file-entry manifest:'
                'full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>'
                % office))
            z.writestr("content.xml", (
                '<?xml version="1.0" encoding="UTF-8"?><office:document-content xmlns:office='
                '"{o}office:1.0" xmlns:style="{o}style:1.0" xmlns:text="{o}text:1.0" '
                'office:version="1.2"><office:body><office:text><text:p>كتاب جديد</text:p>'
                '</office:text></office:body></office:document-content>').format(o=office))
        out = os.path.join(d, "plain.legacy.odt")
        run("--to", "legacy", "-o", out, src)
        ET.fromstring(part(out, "content.xml"))
