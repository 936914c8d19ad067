"""The generated German letter with legacy runs (.docx and .odt) to Unicode
and back."""
import json
import os
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
import zipfile

from convert_docs_support import (DOCX_PARTS, FO, HERE, LEGACY, OFFICE, STYLE, TEXT, W, canonical,
                                  docx_paragraphs, fresh, legacy_codes, odt_paragraphs, odt_text,
                                  part, paths, run)

# What make_test_docs.py wrote the letter from, by key: filled by Letter.setUpClass.
EXPECTED = {}


class Letter(unittest.TestCase):
    """The generated letter, converted to Unicode."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("letter")
        subprocess.run([sys.executable, os.path.join(HERE, "make_test_docs.py"), paths.shape,
                        cls.dir], check=True)
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
