#!/usr/bin/python3
"""harf-convert on real documents: the generated German letter with legacy
runs (.docx and .odt) converted to Unicode and back, tables and text files,
and every kind of bad input.

usage: convert_docs_test.py HARF_CONVERT HARF_SHAPE WORK_DIR [GROUP...]

A group is one of the test classes below (CTest runs each as its own test);
without one, all of them run.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
import zipfile

from doc_packages import write_docx

HERE = os.path.dirname(os.path.abspath(__file__))
W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
STYLE = "{urn:oasis:names:tc:opendocument:xmlns:style:1.0}"
OFFICE = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
FO = "{urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0}"
LEGACY = "VarnelNormal"
# The parts of the letter that hold legacy runs.
DOCX_PARTS = ("word/document.xml", "word/header1.xml", "word/footnotes.xml",
              "word/endnotes.xml", "word/comments.xml")
CONVERT = SHAPE = WORK = None
EXPECTED = {}


def run(*args, ok=(0,)):
    p = subprocess.run([CONVERT, *args], capture_output=True, text=True)
    if p.returncode not in ok:
        raise AssertionError("harf-convert %s: exit %d\n%s" % (args, p.returncode, p.stderr))
    return p


def fresh(name):
    d = os.path.join(WORK, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    return d


def part(path, name):
    with zipfile.ZipFile(path) as z:
        return z.read(name)


def docx_paragraphs(xml):
    """Each w:p as (element, its own text: text boxes inside it left out)."""
    root = ET.fromstring(xml)
    out = []
    for p in root.iter(W + "p"):
        nested = {id(t) for q in p.iter(W + "p") if q is not p for t in q.iter(W + "t")}
        out.append((p, "".join(t.text or "" for t in p.iter(W + "t") if id(t) not in nested)))
    return out


def odt_paragraphs(xml):
    root = ET.fromstring(xml)
    out = []
    for p in root.iter():
        if p.tag not in (TEXT + "p", TEXT + "h"):
            continue
        out.append((p, odt_text(p)))
    return out


def odt_text(e, skip_nested=True):
    s = e.text or ""
    for c in e:
        if c.tag == TEXT + "s":
            s += " " * int(c.get(TEXT + "c", "1"))
        elif c.tag in (TEXT + "note", "{urn:oasis:names:tc:opendocument:xmlns:drawing:1.0}frame",
                       OFFICE + "annotation"):
            pass
        else:
            s += odt_text(c)
        s += c.tail or ""
    return s


def legacy_codes(text, encoding):
    """The glyph codes of legacy text written in `encoding`."""
    if encoding == "symbol":
        return [ord(c) - 0xF000 for c in text]
    if encoding == "latin1":
        return [ord(c) for c in text]
    return [ord(c) if ord(c) in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else c.encode("cp1252")[0]
            for c in text]


def canonical(xml):
    return ET.canonicalize(xml_data=xml, strip_text=False)


class Letter(unittest.TestCase):
    """The generated letter, converted to Unicode."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("letter")
        subprocess.run([sys.executable, os.path.join(HERE, "make_test_docs.py"), SHAPE, cls.dir],
                       check=True)
        with open(os.path.join(cls.dir, "expected.json"), encoding="utf-8") as f:
            EXPECTED.update(json.load(f))
        cls.docx = os.path.join(cls.dir, "letter.docx")
        cls.odt = os.path.join(cls.dir, "letter.odt")
        p = run(cls.docx, cls.odt)
        assert "2 converted" in p.stderr and "0 failed" in p.stderr, p.stderr
        cls.udocx = os.path.join(cls.dir, "letter.unicode.docx")
        cls.uodt = os.path.join(cls.dir, "letter.unicode.odt")

    def where(self, key):
        return {"header": "header", "footnote": "notes", "endnote": "endnotes",
                "comment": "comments"}.get(key, "body")

    def test_docx_holds_the_unicode_words_where_they_were(self):
        parts = {"body": docx_paragraphs(part(self.udocx, "word/document.xml")),
                 "header": docx_paragraphs(part(self.udocx, "word/header1.xml")),
                 "notes": docx_paragraphs(part(self.udocx, "word/footnotes.xml")),
                 "endnotes": docx_paragraphs(part(self.udocx, "word/endnotes.xml")),
                 "comments": docx_paragraphs(part(self.udocx, "word/comments.xml"))}
        for key, e in EXPECTED.items():
            if key == "bold_split":
                continue
            texts = [t for _, t in parts[self.where(key)]]
            self.assertTrue(any(e["unicode"] in t for t in texts), "%s: %s not in %s" %
                            (key, e["unicode"], texts))
        body = dict((t.strip(), p) for p, t in parts["body"])
        # The legacy run's spaces at both ends stay between it and the quotes.
        self.assertIn("der Titel lautet „ %s “ und wurde gedruckt." % EXPECTED["symbol"]["unicode"],
                      body)
        # A paragraph of Arabic alone turns right to left; a mixed one does not.
        ppr = body[EXPECTED["paragraph"]["unicode"]].find(W + "pPr")
        self.assertIsNotNone(ppr.find(W + "bidi"))
        mixed = body["Auf Latin-1:  " + EXPECTED["latin1"]["unicode"]].find(W + "pPr")
        self.assertTrue(mixed is None or mixed.find(W + "bidi") is None)
        # Converted runs: the Unicode font in every slot, right to left.
        for p, _ in sum(parts.values(), []):
            for r in p.findall(W + "r"):
                fonts = r.find(W + "rPr/" + W + "rFonts")
                if fonts is not None and fonts.get(W + "cs") == "Amiri":
                    self.assertEqual({fonts.get(W + s) for s in ("ascii", "hAnsi", "eastAsia")},
                                     {"Amiri"})
                    self.assertIsNotNone(r.find(W + "rPr/" + W + "rtl"))
                text = "".join(t.text or "" for t in r.findall(W + "t"))
                if re.search("[\u0600-\u06ff]", text):
                    self.assertEqual(fonts.get(W + "cs"), "Amiri", text)
        # Two legacy lines of one paragraph stay two lines.
        last = [p for p, t in parts["body"] if EXPECTED["second_line"]["unicode"] in t][0]
        self.assertEqual(len(last.findall(".//" + W + "br")), 1)

    def check_bold_split(self, runs):
        """runs: (text, bold) of the converted word's runs, in logical order."""
        word = EXPECTED["bold_split"]["unicode"]
        self.assertEqual("".join(t for t, _ in runs).strip(), word)
        bold = "".join(t for t, b in runs if b)
        # The bold glyphs were the right half: the start of the word.
        self.assertTrue(bold and word.startswith(bold) and bold != word, runs)

    def test_docx_word_split_by_bold_stays_one_word(self):
        for p, t in docx_paragraphs(part(self.udocx, "word/document.xml")):
            if t.startswith("Fett im Wort: "):
                runs = [("".join(x.text for x in r.iter(W + "t")),
                         r.find(W + "rPr/" + W + "b") is not None) for r in p.findall(W + "r")]
                self.check_bold_split(runs[1:])
                # The space before the word keeps its own run, where it was.
                colour = [r.find(W + "rPr/" + W + "color") for r in p.findall(W + "r")
                          if r.find(W + "rPr/" + W + "b") is not None]
                self.assertIsNotNone(colour[0], "the bold glyphs' colour went missing")
                return
        self.fail("no bold-split paragraph")

    def test_odt_holds_the_unicode_words_where_they_were(self):
        content = odt_paragraphs(part(self.uodt, "content.xml"))
        styles = odt_paragraphs(part(self.uodt, "styles.xml"))
        texts = [t for _, t in content]
        for key, e in EXPECTED.items():
            if key == "bold_split" or e["docx_only"]:
                continue
            where = [t for _, t in styles] if key == "header" else texts
            self.assertTrue(any(e["unicode"] in t for t in where), "%s: %s" % (key, where))
        # The endnote and the comment are converted where they stand.
        root = ET.fromstring(part(self.uodt, "content.xml"))
        for key, holder in (("endnote", ".//%snote[@%snote-class='endnote']" % (TEXT, TEXT)),
                            ("comment", ".//%sannotation" % OFFICE)):
            inside = [odt_text(p) for h in root.iterfind(holder) for p in h.iter(TEXT + "p")]
            self.assertTrue(any(EXPECTED[key]["unicode"] in t for t in inside), (key, inside))
        autos = {s.get(STYLE + "name"): s for s in root.iter(STYLE + "style")}
        for p, t in content:
            if t == EXPECTED["paragraph"]["unicode"]:
                props = autos[p.get(TEXT + "style-name")].find(STYLE + "paragraph-properties")
                self.assertEqual(props.get(STYLE + "writing-mode"), "rl-tb")
            for span in p.iter(TEXT + "span"):
                if re.search("[\u0600-\u06ff]", odt_text(span)):
                    props = autos[span.get(TEXT + "style-name")].find(STYLE + "text-properties")
                    self.assertEqual(props.get(STYLE + "font-name-complex"), "Amiri")
                    self.assertEqual(props.get(STYLE + "font-name"), "Amiri")
            if t.startswith("Fett im Wort: "):
                runs = [(odt_text(s), autos[s.get(TEXT + "style-name")].find(
                    STYLE + "text-properties").get(FO + "font-weight") == "bold")
                    for s in p.findall(TEXT + "span")]
                self.check_bold_split(runs)

    def test_docx_everything_else_is_unchanged(self):
        changed = set(DOCX_PARTS)
        with zipfile.ZipFile(self.docx) as a, zipfile.ZipFile(self.udocx) as b:
            self.assertEqual(a.namelist(), b.namelist())
            for info in a.infolist():
                other = b.getinfo(info.filename)
                if info.filename in changed:
                    continue
                # Copied as stored: same compressed bytes, so same CRC and size.
                self.assertEqual((info.CRC, info.compress_size, info.compress_type),
                                 (other.CRC, other.compress_size, other.compress_type),
                                 info.filename)
            styles_ids = {"LegacyChar", "LegacyCharBased"}
            for name in changed:
                self.assertEqual(self.strip_docx(a.read(name), styles_ids, legacy=True),
                                 self.strip_docx(b.read(name), styles_ids, legacy=False), name)

    @staticmethod
    def strip_docx(xml, legacy_styles, legacy):
        """The part without the legacy (or converted) runs and the right-to-left
        marks the conversion adds, canonical."""
        root = ET.fromstring(xml)
        for p in list(root.iter(W + "p")):
            ppr = p.find(W + "pPr")
            style = ppr.find(W + "pStyle") if ppr is not None else None
            whole = style is not None and style.get(W + "val") == "LegacyPara"
            for r in list(p.findall(W + "r")):
                fonts = r.find(W + "rPr/" + W + "rFonts")
                rstyle = r.find(W + "rPr/" + W + "rStyle")
                font = fonts.get(W + "ascii") if fonts is not None else None
                sym = r.find(W + "sym")
                if sym is not None and sym.get(W + "font", "").lower() == LEGACY.lower():
                    font = LEGACY
                if (font == (LEGACY if legacy else "Amiri") or
                        (legacy and (whole or (rstyle is not None and
                                               rstyle.get(W + "val") in legacy_styles)))):
                    p.remove(r)
            if ppr is not None and ppr.find(W + "bidi") is not None:
                ppr.remove(ppr.find(W + "bidi"))
                if len(ppr) == 0:
                    p.remove(ppr)
        return canonical(ET.tostring(root, encoding="unicode"))

    def test_odt_everything_else_is_unchanged(self):
        with zipfile.ZipFile(self.odt) as a, zipfile.ZipFile(self.uodt) as b:
            self.assertEqual(a.namelist(), b.namelist())
            self.assertEqual(b.infolist()[0].filename, "mimetype")
            self.assertEqual(b.infolist()[0].compress_type, zipfile.ZIP_STORED)
            for info in a.infolist():
                if info.filename in ("content.xml", "styles.xml"):
                    self.assertEqual(self.strip_odt(a.read(info.filename), True),
                                     self.strip_odt(b.read(info.filename), False), info.filename)
                else:
                    self.assertEqual(a.read(info.filename), b.read(info.filename), info.filename)

    @staticmethod
    def strip_odt(xml, legacy):
        root = ET.fromstring(xml)
        parents = {c: p for p in root.iter() for c in p}
        for e in list(root.iter()):
            if e.tag in (TEXT + "p", TEXT + "h"):
                name = e.get(TEXT + "style-name", "")
                if name == "ArabischAbsatz" or name.startswith("HarfP"):
                    for c in list(e):
                        if c.tag in (TEXT + "s", TEXT + "span"):
                            e.remove(c)
                    e.text = None
                    e.attrib.pop(TEXT + "style-name", None)
            if e.tag == TEXT + "span":
                name = e.get(TEXT + "style-name", "")
                if name in ("T1", "T2", "Arabisch") or name.startswith("HarfT"):
                    parent = parents[e]
                    if e not in list(parent):
                        continue
                    i = list(parent).index(e)
                    tail = e.tail or ""
                    parent.remove(e)
                    if tail:
                        if i == 0:
                            parent.text = (parent.text or "") + tail
                        else:
                            prev = parent[i - 1]
                            prev.tail = (prev.tail or "") + tail
            if e.tag == STYLE + "style" and e.get(STYLE + "name", "").startswith("Harf"):
                parents[e].remove(e)
            if e.tag == STYLE + "font-face" and e.get(STYLE + "name") == "Amiri":
                parents[e].remove(e)
        return canonical(ET.tostring(root, encoding="unicode"))

    def test_round_trip_gives_the_same_codes(self):
        for src, ext in ((self.udocx, "docx"), (self.uodt, "odt")):
            out = os.path.join(self.dir, "back." + ext)
            run("--to", "legacy", "-o", out, "--force", src)
            if ext == "docx":
                paragraphs = []
                for name in DOCX_PARTS:
                    root = ET.fromstring(part(out, name))
                    for p in root.iter(W + "p"):
                        codes = []
                        for r in p.iter(W + "r"):
                            fonts = r.find(W + "rPr/" + W + "rFonts")
                            if fonts is not None and fonts.get(W + "ascii") == LEGACY:
                                codes += legacy_codes("".join(t.text or "" for t in
                                                              r.findall(W + "t")), "cp1252")
                        paragraphs.append(codes)
            else:
                root = ET.fromstring(part(out, "content.xml"))
                styles = ET.fromstring(part(out, "styles.xml"))
                autos = {s.get(STYLE + "name"): s for s in root.iter(STYLE + "style")}
                paragraphs = []
                for tree in (root, styles):
                    for p in tree.iter(TEXT + "p"):
                        codes = []
                        for s in p.iter(TEXT + "span"):
                            st = autos.get(s.get(TEXT + "style-name"))
                            if st is not None and st.find(STYLE + "text-properties").get(
                                    STYLE + "font-name") == LEGACY:
                                codes += legacy_codes(odt_text(s), "cp1252")
                        paragraphs.append(codes)
            for key, e in EXPECTED.items():
                if ext == "odt" and e["docx_only"]:
                    continue
                want = e["codes"]
                self.assertTrue(any(self.contains(c, want) for c in paragraphs),
                                "%s %s: %s not in %s" % (ext, key, want, paragraphs))

    @staticmethod
    def contains(codes, want):
        # The padding space at a line's right end comes back with its line.
        want = want[:-1] if want and want[-1] == 32 else want
        return any(codes[i:i + len(want)] == want for i in range(len(codes) - len(want) + 1))


class PlainFiles(unittest.TestCase):
    def test_text_in_bytes_and_in_symbol_characters(self):
        d = fresh("text")
        src = os.path.join(d, "words.txt")
        with open(src, "w", encoding="utf-8", newline="") as f:
            f.write("بسم الله الرحمن الرحيم\r\nفي عام 2024\n\nمستشفى")
        run("--to", "legacy", src)
        with open(os.path.join(d, "words.legacy.txt"), "rb") as f:
            raw = f.read()
        self.assertEqual(raw.count(b"\r\n"), 1)  # line endings kept
        self.assertIn(bytes([82, 80, 82, 84]), raw)  # 2024 reads 2024 on screen
        run(os.path.join(d, "words.legacy.txt"))
        with open(os.path.join(d, "words.legacy.unicode.txt"), encoding="utf-8", newline="") as f:
            self.assertEqual(f.read(), "بسم الله الرحمن الرحيم\r\nفي عام ٢٠٢٤\n\nمستشفى")
        run("--to", "legacy", "--encoding", "symbol", "-o", os.path.join(d, "sym.txt"), src)
        with open(os.path.join(d, "sym.txt"), encoding="utf-8") as f:
            self.assertTrue(all(0xF000 <= ord(c) <= 0xF0FF for c in f.read() if c not in "\r\n"))
        run("-o", os.path.join(d, "sym.unicode.txt"), os.path.join(d, "sym.txt"))
        with open(os.path.join(d, "sym.unicode.txt"), encoding="utf-8", newline="") as f:
            self.assertIn("مستشفى", f.read())

    def test_long_lines_are_broken_at_spaces(self):
        d = fresh("long")
        src = os.path.join(d, "long.txt")
        with open(src, "w", encoding="utf-8") as f:
            f.write(" ".join(["كتاب"] * 40) + "\n")
        run("--to", "legacy", "--line-glyphs", "20", src)
        with open(os.path.join(d, "long.legacy.txt"), "rb") as f:
            lines = f.read().split(b"\n")[:-1]
        self.assertGreater(len(lines), 5)
        self.assertTrue(all(len(l) <= 20 for l in lines), [len(l) for l in lines])

    def test_table_columns_by_name_and_number(self):
        d = fresh("table")
        src = os.path.join(d, "list.csv")
        with open(src, "w", encoding="utf-8", newline="") as f:
            f.write('Name,Arabisch,Nr\r\nBuch,كتاب,1\r\n"Stift, rot","قلم أحمر",2\r\n')
        run("--to", "legacy", "--columns", "Arabisch", src)
        out = os.path.join(d, "list.legacy.csv")
        with open(out, encoding="utf-8", newline="") as f:
            text = f.read()
        self.assertTrue(text.startswith('Name,Arabisch,Nr\r\nBuch,'))
        self.assertIn('"Stift, rot",', text)
        run("--columns", "2", "-o", os.path.join(d, "back.csv"), out)
        with open(os.path.join(d, "back.csv"), encoding="utf-8", newline="") as f:
            back = f.read().split("\r\n")
        self.assertEqual(back[1], "Buch,كتاب,1")
        self.assertEqual(back[2], '"Stift, rot",قلم أحمر,2')
        p = run("--columns", "Nope", src, ok=(2,))
        self.assertIn("no column named 'Nope'", p.stderr)


def big_docx(path, paragraphs):
    """A .docx of many paragraphs of legacy runs."""
    run = ('<w:p><w:r><w:t xml:space="preserve">Absatz %d: </w:t></w:r><w:r><w:rPr><w:rFonts '
           'w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/></w:rPr><w:t xml:space="preserve">'
           '%s</w:t></w:r></w:p>')
    glyphs = "".join(chr(c) for c in (32, 108, 98, 225, 229, 98, 32, 163, 224, 236, 163))
    write_docx(path, (run % (i, glyphs * (1 + i % 5)) for i in range(paragraphs)))


def split_table(text, sep):
    """Rows of fields; a field in quotes may hold the separator."""
    import csv
    import io
    return list(csv.reader(io.StringIO(text), delimiter=sep))


class TableColumns(unittest.TestCase):
    """tests/data/table_columns.tsv: which fields --columns converts."""

    def test_cases(self):
        d = fresh("columns")
        with open(os.path.join(HERE, "..", "data", "table_columns.tsv"), encoding="utf-8") as f:
            cases = [l.rstrip("\n").split("\t") for l in f if l.strip() and l[0] != "#"]
        for n, (ext, to, columns, table, expect) in enumerate(cases):
            with self.subTest(line=(ext, to, columns, table)):
                table = table.replace("\\n", "\n").replace("\\t", "\t")
                src = os.path.join(d, "%d.%s" % (n, ext))
                with open(src, "w", encoding="utf-8", newline="") as f:
                    f.write(table)
                out = os.path.join(d, "%d.out.%s" % (n, ext))
                args = ["--to", to, "-o", out, src]
                if columns != "-":
                    args = ["--columns", columns] + args
                if expect.startswith("refused: "):
                    p = run(*args, ok=(2,))
                    self.assertIn(expect[len("refused: "):], p.stderr)
                    self.assertFalse(os.path.exists(out))
                    self.assertEqual([n for n in os.listdir(d) if n.startswith(".")], [])
                    continue
                run(*args)
                sep = "," if ext == "csv" else "\t"
                with open(out, encoding="utf-8", newline="") as f:
                    after = split_table(f.read(), sep)
                before = split_table(table, sep)
                self.assertEqual([len(r) for r in after], [len(r) for r in before])
                changed = ["%d:%d" % (r + 1, c + 1) for r, row in enumerate(before)
                           for c, field in enumerate(row) if after[r][c] != field]
                self.assertEqual(",".join(changed) or "-", expect)


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


class RandomTables(unittest.TestCase):
    """Random tables through --to legacy and back: every record and every field
    not converted comes out as it went in, the converted column as it was."""

    WORDS = ("كتاب", "جديد", "مستشفى", "صباح", "الخير", "شمس", "وحياة", "خضراء", "قلم", "أحمر",
             "مدرسة", "كبيرة", "سلام", "عليكم", "الله")
    OTHER = ("Buch", "Stift, rot", 'sagte "ja"', "Zeile\neins", "", " ", "a\r\nb", "٢٠٢٤",
             "كتاب", ";", "\t", "Grüße")

    def test_round_trip(self):
        import csv
        import io
        import random
        rnd = random.Random(20261208)
        d = fresh("random-tables")
        for ext, sep in (("csv", ","), ("tsv", "\t")):
            for n in range(5):
                with self.subTest(ext=ext, table=n):
                    rows = [[rnd.choice(self.OTHER),
                             " ".join(rnd.choice(self.WORDS) for _ in range(rnd.randint(1, 4))),
                             rnd.choice(self.OTHER)] for _ in range(rnd.randint(1, 60))]
                    if ext == "tsv":  # no quoting in a .tsv: no separators or breaks in fields
                        rows = [[f.replace("\t", " ").replace("\n", " ").replace("\r", " ")
                                 .replace('"', "'") for f in r] for r in rows]
                    text = io.StringIO()
                    csv.writer(text, delimiter=sep, lineterminator=rnd.choice(("\n", "\r\n")),
                               quoting=csv.QUOTE_MINIMAL if ext == "csv" else csv.QUOTE_NONE,
                               escapechar=None if ext == "csv" else "\\").writerows(rows)
                    src = os.path.join(d, "%d.%s" % (n, ext))
                    with open(src, "w", encoding="utf-8", newline="") as f:
                        f.write(text.getvalue())
                    legacy = os.path.join(d, "%d.legacy.%s" % (n, ext))
                    back = os.path.join(d, "%d.back.%s" % (n, ext))
                    run("--to", "legacy", "--columns", "2", "-o", legacy, src)
                    run("--columns", "2", "-o", back, legacy)
                    with open(legacy, encoding="utf-8", newline="") as f:
                        middle = split_table(f.read(), sep)
                    with open(back, encoding="utf-8", newline="") as f:
                        after = split_table(f.read(), sep)
                    self.assertEqual(len(after), len(rows))
                    for want, mid, got in zip(rows, middle, after):
                        self.assertEqual((mid[0], mid[2]), (want[0], want[2]))
                        self.assertNotEqual(mid[1], want[1])
                        self.assertEqual(got, want)


class Interrupted(unittest.TestCase):
    """A conversion stopped by a signal leaves nothing behind, dies of that
    signal, and stops LibreOffice with it."""

    def interrupt(self, args, sig, started, tmp=None):
        """Starts harf-convert, waits until `started()` holds, and sends `sig`.
        The program is stopped (SIGSTOP) the moment the work shows, so that a
        loaded machine cannot let it finish before the signal lands; `sig`
        is delivered when it goes on."""
        import signal
        import time
        env = dict(os.environ)
        if tmp:
            env["TMPDIR"] = tmp
        p = subprocess.Popen([CONVERT, *args], stderr=subprocess.DEVNULL, env=env)
        deadline = time.monotonic() + 60
        while not started() and time.monotonic() < deadline and p.poll() is None:
            time.sleep(0.005)
        p.send_signal(signal.SIGSTOP)
        self.assertIsNone(p.poll(), "finished before it could be interrupted")
        p.send_signal(sig)
        p.send_signal(signal.SIGCONT)
        self.assertEqual(p.wait(timeout=30), -sig)

    def test_text_and_docx_leave_no_temporary_file(self):
        import signal
        d = fresh("interrupt")
        text = os.path.join(d, "big.txt")
        with open(text, "wb") as f:
            f.write(("بسم الله الرحمن الرحيم " * 20 + "\n").encode() * 40000)
        document = os.path.join(d, "big.docx")
        big_docx(document, 300000)
        inputs = sorted(os.listdir(d))

        def temp_of(name):
            return lambda: any(n.startswith("." + name) for n in os.listdir(d))
        for src, to, sig in ((text, "legacy", signal.SIGTERM), (text, "legacy", signal.SIGINT),
                             (document, "unicode", signal.SIGHUP),
                             (document, "unicode", signal.SIGTERM)):
            with self.subTest(src=src, sig=sig):
                out = os.path.basename(src).replace("big.", "big.%s." % to)
                self.interrupt(["--to", to, src], sig, temp_of(out))
                self.assertEqual(sorted(os.listdir(d)), inputs)

    @unittest.skipUnless(shutil.which("soffice"), "LibreOffice is not installed")
    def test_libreoffice_is_stopped_and_its_folders_removed(self):
        import signal
        d = fresh("interrupt-office")
        tmp = os.path.join(d, "tmp")
        os.makedirs(tmp)
        src = os.path.join(d, "brief.rtf")
        with open(src, "w") as f:
            f.write("{\\rtf1\\ansi{\\fonttbl{\\f0 VarnelNormal;}}\\f0 lb\\par}")

        def office_started():
            return any(os.path.isdir(os.path.join(tmp, n, "profile")) for n in os.listdir(tmp))
        # Ctrl+C at the terminal: LibreOffice, in a process group of its own,
        # does not get it and must be stopped by harf-convert.
        self.interrupt([src], signal.SIGINT, office_started, tmp=tmp)
        self.assertEqual(os.listdir(tmp), [])
        self.assertEqual(sorted(os.listdir(d)), ["brief.rtf", "tmp"])
        self.assertEqual(office_processes(tmp), [])


def office_processes(folder):
    """Processes whose command line names `folder`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if folder.encode() in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found


def set_unpacked_size(path, name, size):
    """Makes the zip at `path` say that entry `name` unpacks to `size` bytes,
    in its central directory and its local header, the data left as it is."""
    import struct
    with open(path, "r+b") as f:
        data = f.read()
        end = data.rindex(b"PK\x05\x06")
        count, _, start = struct.unpack_from("<HII", data, end + 10)
        at = start
        for _ in range(count):
            name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, at + 28)
            local = struct.unpack_from("<I", data, at + 42)[0]
            if data[at + 46:at + 46 + name_len] == name.encode():
                for offset in (at + 24, local + 22):
                    f.seek(offset)
                    f.write(struct.pack("<I", size))
                return
            at += 46 + name_len + extra_len + comment_len
    raise AssertionError("no entry " + name)


class BadInput(unittest.TestCase):
    """Every bad input: its message, exit status 2, nothing written."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("bad")
        letter = os.path.join(WORK, "letter")
        if not os.path.exists(os.path.join(letter, "letter.docx")):
            subprocess.run([sys.executable, os.path.join(HERE, "make_test_docs.py"), SHAPE,
                            letter], check=True)
        cls.good = os.path.join(letter, "letter.docx")
        cls.good_odt = os.path.join(letter, "letter.odt")

    def make(self, name, build):
        path = os.path.join(self.dir, name)
        build(path)
        return path

    def check_refused(self, path, message):
        before = set(os.listdir(self.dir))
        p = run(path, ok=(2,))
        self.assertIn(message, p.stderr)
        self.assertEqual(len([l for l in p.stderr.splitlines() if path in l]), 1, p.stderr)
        self.assertEqual(set(os.listdir(self.dir)), before, "something was written")

    def test_not_a_document_of_its_extension(self):
        def empty(path):
            open(path, "w").close()

        def other_zip(path):
            with zipfile.ZipFile(path, "w") as z:
                z.writestr("notizen.txt", "Sehr geehrte Damen und Herren")
        for name, build, message in (
                ("empty.docx", empty, "not a zip package"),
                ("empty.odt", empty, "not a zip package"),
                ("notes.docx", other_zip, "not a .docx document: no [Content_Types].xml"),
                ("notes.odt", other_zip, "not an .odt document: no mimetype")):
            with self.subTest(name=name):
                self.check_refused(self.make(name, build), message)

    def test_not_a_zip(self):
        def build(path):
            with open(path, "w") as f:
                f.write("Sehr geehrte Damen und Herren\n")
        self.check_refused(self.make("text.docx", build), "not a zip package")

    def test_malformed_xml(self):
        def build(path):
            with zipfile.ZipFile(self.good) as a, zipfile.ZipFile(path, "w") as b:
                for info in a.infolist():
                    data = a.read(info.filename)
                    if info.filename == "word/document.xml":
                        data = data.replace(b"</w:body>", b"</w:bod>")
                    b.writestr(info, data)
        self.check_refused(self.make("broken.docx", build), "malformed XML in word/document.xml")

    def test_encrypted_entry(self):
        def build(path):
            src = os.path.join(self.dir, "plain")
            shutil.rmtree(src, ignore_errors=True)
            os.makedirs(src)
            with zipfile.ZipFile(self.good) as a:
                a.extractall(src)
            subprocess.run(["zip", "-q", "-r", "-e", "-P", "secret", path, "."], cwd=src,
                           check=True)
            shutil.rmtree(src)
        self.check_refused(self.make("locked.docx", build), "encrypted")

    def with_entry(self, path, name, data):
        """The letter with `data` stored deflated as entry `name` (replaced
        or added)."""
        with zipfile.ZipFile(self.good) as a, zipfile.ZipFile(
                path, "w", zipfile.ZIP_DEFLATED) as b:
            for info in a.infolist():
                if info.filename != name:
                    b.writestr(info, a.read(info.filename))
            b.writestr(name, data)

    def test_zip_bombs(self):
        # A real one: 40 MB of zeros deflate to 40 kB.
        self.check_refused(self.make("bomb.docx", lambda p: self.with_entry(
            p, "word/media/big.bin", b"\0" * (40 << 20))), "more than 200 times")

        # Sizes that lie, so that inflating would end in a damaged entry
        # instead of the refusal: the limits are checked before anything is
        # unpacked. 3.2 MB that do not deflate, said to be 600 MB (187 times).
        def past_512_mb(path):
            self.with_entry(path, "word/media/noise.bin", os.urandom(3200 << 10))
            set_unpacked_size(path, "word/media/noise.bin", 600 << 20)
        self.check_refused(self.make("huge.docx", past_512_mb), "512 MB")

        def part_past_200_times(path):
            with zipfile.ZipFile(self.good) as z:
                packed = z.getinfo("word/document.xml").compress_size
            shutil.copy(self.good, path)
            set_unpacked_size(path, "word/document.xml", max(packed * 300, 2 << 20))
        self.check_refused(self.make("dense.docx", part_past_200_times), "200 times")

        def odt_past_512_mb(path):
            shutil.copy(self.good_odt, path)
            set_unpacked_size(path, "content.xml", 513 << 20)
        # Past both limits: either message will do.
        self.check_refused(self.make("huge.odt", odt_past_512_mb),
                           "zip entry content.xml unpacks to")

    # (letter, entry, what is done to it, message): one refused document each.
    DAMAGED = [
        ("odt", "content.xml", lambda d: d.replace(b"</office:text>", b"</office:txt>"),
         "malformed XML in content.xml"),
        ("odt", "styles.xml", lambda d: d[:-20], "malformed XML in styles.xml"),
        ("docx", "word/styles.xml", lambda d: d[:-20], "malformed XML in word/styles.xml"),
        ("docx", "word/endnotes.xml", lambda d: d.replace(b"</w:endnotes>", b""),
         "malformed XML in word/endnotes.xml"),
        ("docx", "word/comments.xml", lambda d: d.replace(b"<w:p>", b"<w:p><w:p>", 1),
         "malformed XML in word/comments.xml"),
        ("odt", "META-INF/manifest.xml", lambda d: d.replace(
            b"<manifest:file-entry", b"<manifest:file-entry><manifest:encryption-data/>"
            b"</manifest:file-entry><manifest:file-entry", 1), "encrypted document"),
        ("odt", "mimetype", lambda d: b"application/vnd.oasis.opendocument.spreadsheet",
         "not an .odt document: its type is"),
    ]

    def test_damaged_parts(self):
        for n, (kind, entry, damage, message) in enumerate(self.DAMAGED):
            with self.subTest(entry=entry, message=message):
                def build(path):
                    source = self.good if kind == "docx" else self.good_odt
                    with zipfile.ZipFile(source) as a, zipfile.ZipFile(path, "w") as b:
                        for info in a.infolist():
                            data = a.read(info.filename)
                            b.writestr(info, damage(data) if info.filename == entry else data)
                self.check_refused(self.make("damaged%d.%s" % (n, kind), build), message)

    def test_unicode_text_that_is_not_utf8(self):
        for ext in ("txt", "csv"):
            def build(path):
                with open(path, "wb") as f:
                    f.write("كتاب,".encode() + b"\xff\xfe\n")
            path = self.make("latin." + ext, build)
            before = set(os.listdir(self.dir))
            p = run("--to", "legacy", path, ok=(2,))
            self.assertIn("not UTF-8 text", p.stderr)
            self.assertEqual(set(os.listdir(self.dir)), before)

    def test_a_docx_that_is_an_odt_and_back(self):
        self.check_refused(self.make("odt.docx", lambda p: shutil.copy(self.good_odt, p)),
                           "not a .docx document: it is an OpenDocument file")
        self.check_refused(self.make("docx.odt", lambda p: shutil.copy(self.good, p)),
                           "not an .odt document")

    def test_outputs_are_never_overwritten_without_force(self):
        d = fresh("outputs")
        src = os.path.join(d, "letter.docx")
        shutil.copy(self.good, src)
        run(src)
        p = run(src, ok=(1,))
        self.assertIn("exists", p.stderr)
        run("--force", src)
        p = run("-o", src, "--force", src, ok=(2,))
        self.assertIn("is the input itself", p.stderr)
        with open(src, "rb") as a, open(self.good, "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual(sorted(os.listdir(d)), ["letter.docx", "letter.unicode.docx"])

    def test_a_batch_writes_over_none_of_its_inputs_and_outputs(self):
        d = fresh("batch-outputs")
        a = os.path.join(d, "a.docx")
        shutil.copy(self.good, a)
        # The output of the first input is the second input, not read yet.
        shutil.copy(self.good_odt, os.path.join(d, "a.unicode.docx"))
        p = run("--force", a, os.path.join(d, "a.unicode.docx"), ok=(2,))
        self.assertIn("a.unicode.docx is another input", p.stderr)
        with open(os.path.join(d, "a.unicode.docx"), "rb") as x, open(self.good_odt, "rb") as y:
            self.assertEqual(x.read(), y.read())
        # Two inputs of one name into one folder.
        for sub in ("x", "y"):
            os.makedirs(os.path.join(d, sub))
            shutil.copy(self.good, os.path.join(d, sub, "b.docx"))
        out = os.path.join(d, "out")
        os.makedirs(out)
        p = run("--force", "--out-dir", out, os.path.join(d, "x", "b.docx"),
                os.path.join(d, "y", "b.docx"), ok=(2,))
        self.assertIn("was written for another input", p.stderr)
        self.assertIn("2 files, 1 converted", p.stderr)
        self.assertEqual(os.listdir(out), ["b.unicode.docx"])

    def test_a_bad_file_does_not_stop_the_batch(self):
        d = fresh("batch")
        bad = os.path.join(d, "bad.docx")
        with open(bad, "w") as f:
            f.write("x")
        good = os.path.join(d, "good.odt")
        shutil.copy(self.good_odt, good)
        p = run(bad, good, ok=(2,))
        self.assertTrue(os.path.exists(os.path.join(d, "good.unicode.odt")))
        self.assertIn("2 files, 1 converted", p.stderr)
        self.assertIn("1 failed", p.stderr)
        self.assertNotIn("\r", p.stderr)  # no progress bar into a pipe
        # A missing file is a failure to read: status 1.
        p = run(os.path.join(d, "missing.odt"), good, "--force", ok=(1,))
        self.assertIn("missing.odt: cannot read", p.stderr)
        self.assertIn("2 files, 1 converted", p.stderr)

    def test_progress_bar_on_a_terminal(self):
        import pty
        d = fresh("progress")
        # Names longer than the bar shows, in two-byte characters, and one
        # with a terminal escape in it.
        files = ["%d__%s.odt" % (n, "رسالة" * 5) for n in range(2)] + ["2\x1b[2J.odt"]
        for name in files:
            shutil.copy(self.good_odt, os.path.join(d, name))
        master, slave = pty.openpty()
        p = subprocess.Popen([CONVERT, *files], stderr=slave, stdout=subprocess.DEVNULL, cwd=d)
        os.close(slave)
        shown = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal is gone with the program
                break
            if not chunk:
                break
            shown += chunk
        os.close(master)
        self.assertEqual(p.wait(), 0)
        shown = shown.decode()  # whole characters only
        for n in range(4):
            self.assertIn("] %d/3" % n, shown)
        self.assertIn("3 files, 3 converted", shown)
        self.assertNotIn("\x1b[2J", shown)

    def test_without_libreoffice_the_package_is_named(self):
        d = fresh("no-office")
        src = os.path.join(d, "brief.rtf")
        with open(src, "w") as f:
            f.write("{\\rtf1\\ansi Brief\\par}")
        p = subprocess.run([CONVERT, src], capture_output=True, text=True,
                           env=dict(os.environ, PATH="/nonexistent"))
        self.assertEqual(p.returncode, 1, p.stderr)
        self.assertIn("install the Debian package libreoffice-writer-nogui", p.stderr)
        self.assertEqual(len([l for l in p.stderr.splitlines() if src in l]), 1, p.stderr)
        self.assertEqual(os.listdir(d), ["brief.rtf"])

    def test_help_and_version_into_a_full_disk_fail(self):
        for option in ("--help", "--version"):
            with open("/dev/full", "w") as full:
                p = subprocess.run([CONVERT, option], stdout=full, stderr=subprocess.PIPE,
                                   text=True)
            self.assertEqual(p.returncode, 1, option)
            self.assertIn("cannot write", p.stderr)

    def test_bad_usage(self):
        with open(os.path.join(HERE, "..", "data", "convert_bad_usage.txt"), encoding="utf-8") as f:
            cases = [l.split() for l in f if l.strip() and l[0] != "#"]
        for args in cases:
            with self.subTest(args=args):
                p = run(*(a for a in args if a != "-"), ok=(2,))
                self.assertTrue(p.stderr.startswith("harf-convert: "), p.stderr)


if __name__ == "__main__":
    CONVERT, SHAPE, WORK = sys.argv[1:4]
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])
