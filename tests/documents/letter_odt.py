"""The test letter as .odt, made with odfpy (Debian's python3-odf)."""
import os
import re
import zipfile

from odf.opendocument import OpenDocumentText
from odf import teletype
from odf.style import (FontFace, MasterPage, PageLayout, PageLayoutProperties, Header,
                       Style, TextProperties, GraphicProperties)
from odf.text import P, Span, Note, NoteCitation, NoteBody, LineBreak
from odf.office import Annotation
from odf.dc import Creator, Date
from odf.table import Table, TableColumn, TableRow, TableCell
from odf.draw import Frame, TextBox

from letter_text import LEGACY, encode


def c1_safe(legacy):
    """odfpy turns C1 controls (codes 128..159 in Latin-1) into U+FFFD; carry
    them as private-use stand-ins and put them back in the written package."""
    return {k: ("".join(chr(0xE000 + ord(ch)) if 0x80 <= ord(ch) < 0xA0 else ch for ch in t), c)
            for k, (t, c) in legacy.items()}


def restore_c1(path):
    with zipfile.ZipFile(path) as z:
        entries = [(i, z.read(i.filename)) for i in z.infolist()]
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for info, data in entries:
            if info.filename.endswith(".xml"):
                text = data.decode("utf-8")
                data = re.sub("[\ue080-\ue09f]", lambda m: chr(ord(m.group()) - 0xE000),
                              text).encode("utf-8")
            z.writestr(info, data)
    os.replace(tmp, path)


def make_odt(path, legacy):
    legacy = c1_safe(legacy)
    d = OpenDocumentText()
    d.fontfacedecls.addElement(FontFace(name=LEGACY, fontfamily=LEGACY, fontpitch="variable"))
    auto = Style(name="T1", family="text")
    auto.addElement(TextProperties(fontname=LEGACY))
    d.automaticstyles.addElement(auto)
    bold = Style(name="T2", family="text")
    bold.addElement(TextProperties(fontname=LEGACY, fontweight="bold", color="#c00000"))
    d.automaticstyles.addElement(bold)
    # A common style naming the font through fo:font-family, and one based on it.
    common = Style(name="Arabisch", family="text")
    common.addElement(TextProperties(fontfamily=LEGACY))
    d.styles.addElement(common)
    para = Style(name="ArabischAbsatz", family="paragraph")
    para.addElement(TextProperties(fontname=LEGACY))
    d.styles.addElement(para)
    frame_style = Style(name="fr1", family="graphic")
    frame_style.addElement(GraphicProperties(anchortype="paragraph"))
    d.automaticstyles.addElement(frame_style)

    layout = PageLayout(name="pm1")
    layout.addElement(PageLayoutProperties(pagewidth="21cm", pageheight="29.7cm"))
    d.automaticstyles.addElement(layout)
    master = MasterPage(name="Standard", pagelayoutname=layout)
    header = Header()
    hp = P(text="Briefkopf der Firma Müller – ")
    hs = Span(stylename=auto)
    teletype.addTextToElement(hs, legacy["header"][0])
    hp.addElement(hs)
    header.addElement(hp)
    master.addElement(header)
    d.masterstyles.addElement(master)

    def para_with(prefix, key, style=auto, suffix=None):
        p = P(text=prefix)
        s = Span(stylename=style)
        teletype.addTextToElement(s, legacy[key][0])
        p.addElement(s)
        if suffix:
            p.addText(suffix)
        d.text.addElement(p)
        return p

    d.text.addElement(P(text="Sehr geehrte Damen und Herren,"))
    para_with("der Titel lautet „", "symbol", suffix="“ und wurde gedruckt.")
    para_with("Auf Latin-1: ", "latin1")
    para_with("Auf Windows-1252: ", "cp1252", suffix=" – Ende.")
    p = P()
    s = Span(stylename=auto)
    teletype.addTextToElement(s, legacy["paragraph"][0])
    p.addElement(s)
    d.text.addElement(p)
    para_with("Mit Zeichenformat: ", "styled", style=common)
    p = P(stylename=para)
    teletype.addTextToElement(p, legacy["para_style"][0])
    d.text.addElement(p)

    codes = legacy["bold_split"][1]
    half = len(codes) // 2
    p = P(text="Fett im Wort: ")
    split = c1_safe({"l": (encode(codes[:half], "windows-1252"), []),
                     "r": (encode(codes[half:], "windows-1252"), [])})
    p.addElement(Span(stylename=auto, text=split["l"][0]))
    p.addElement(Span(stylename=bold, text=split["r"][0]))
    d.text.addElement(p)

    table = Table(name="Tabelle1")
    table.addElement(TableColumn(numbercolumnsrepeated=2))
    row = TableRow()
    c1 = TableCell()
    c1.addElement(P(text="Stift"))
    c2 = TableCell()
    cp = P()
    cs = Span(stylename=auto)
    teletype.addTextToElement(cs, legacy["table"][0])
    cp.addElement(cs)
    c2.addElement(cp)
    row.addElement(c1)
    row.addElement(c2)
    table.addElement(row)
    d.text.addElement(table)

    for text, ident, kind, citation in (("Siehe Fußnote", "ftn1", "footnote", "1"),
                                        ("Siehe Endnote", "edn1", "endnote", "i")):
        p = P(text=text)
        note = Note(id=ident, noteclass=kind)
        note.addElement(NoteCitation(text=citation))
        body = NoteBody()
        np_ = P(text=" Quelle: ")
        ns = Span(stylename=auto)
        teletype.addTextToElement(ns, legacy[kind][0])
        np_.addElement(ns)
        body.addElement(np_)
        note.addElement(body)
        p.addElement(note)
        d.text.addElement(p)

    p = P(text="Kommentiert")
    comment = Annotation()
    comment.addElement(Creator(text="Harf"))
    comment.addElement(Date(text="2026-12-08T10:00:00"))
    cp_ = P(text="Bitte prüfen: ")
    cs_ = Span(stylename=auto)
    teletype.addTextToElement(cs_, legacy["comment"][0])
    cp_.addElement(cs_)
    comment.addElement(cp_)
    p.addElement(comment)
    d.text.addElement(p)

    p = P(text="Textfeld: ")
    frame = Frame(stylename=frame_style, width="7cm", height="1.5cm", anchortype="paragraph")
    box = TextBox()
    bp = P()
    bs = Span(stylename=auto)
    teletype.addTextToElement(bs, legacy["textbox"][0])
    bp.addElement(bs)
    box.addElement(bp)
    frame.addElement(box)
    p.addElement(frame)
    d.text.addElement(p)

    p = P()
    s = Span(stylename=auto)
    teletype.addTextToElement(s, legacy["paragraph"][0])
    p.addElement(s)
    p.addElement(LineBreak())
    s = Span(stylename=auto)
    teletype.addTextToElement(s, legacy["second_line"][0])
    p.addElement(s)
    d.text.addElement(p)
    d.text.addElement(P(text="Mit freundlichen Grüßen"))
    d.save(path)
    restore_c1(path)
