#!/usr/bin/python3
"""Makes the test documents for harf-convert: a German letter with Arabic
runs in the legacy font, in each of the three encodings, as .docx and .odt.

The legacy text is made by harf-shape from known Unicode phrases, so the
Unicode a conversion must give back is known. Writes DIR/letter.docx,
DIR/letter.odt and DIR/expected.json (the phrases, their glyph codes and where
they stand).

usage: make_test_docs.py HARF_SHAPE OUT_DIR
"""
import json
import os
import subprocess
import sys
import zipfile

import docx
from docx.oxml import parse_xml
from docx.oxml.ns import nsdecls, qn
from docx.enum.style import WD_STYLE_TYPE
from docx.shared import RGBColor

from letter_odt import make_odt
from letter_text import LEGACY, encode

# (key, Unicode phrase, encoding of its legacy run). Words with sin, shin,
# sad, dad, hha and kha use the codes 128..159, where the encodings differ.
PHRASES = [
    ("symbol", "بسم الله الرحمن الرحيم", "symbol"),
    ("latin1", "كتاب جديد", "latin1"),
    ("cp1252", "شمس وحياة خضراء", "windows-1252"),
    ("paragraph", "صباح الخير يا صديقي", "windows-1252"),
    ("styled", "مدرسة كبيرة", "windows-1252"),
    ("para_style", "سلام عليكم", "symbol"),
    ("bold_split", "مستشفى", "windows-1252"),
    ("table", "قلم أحمر", "latin1"),
    ("footnote", "مكتبة الجامعة", "windows-1252"),
    ("header", "رسالة رسمية", "symbol"),
    ("textbox", "صندوق نص", "windows-1252"),
    ("second_line", "شكرا جزيلا", "windows-1252"),
    ("word_sym", "نور الهدى", "symbol"),  # .docx only: Word's w:sym elements
    ("endnote", "خاتمة الكتاب", "windows-1252"),
    ("comment", "ملاحظة مهمة", "symbol"),
]
DOCX_ONLY = {"word_sym"}
NOT_PRINTED = {"comment"}  # a reader prints no comments by default


def shape(harf_shape, phrases):
    # Each phrase as typed with a space after it, which closes its last
    # ligature; the space stays in the legacy text, as a typist's would.
    out = subprocess.run([harf_shape, "--from", "unicode"], check=True, capture_output=True,
                         input="".join(p + " \n" for p in phrases), text=True).stdout
    return [[int(c) for c in line.split()] for line in out.splitlines()]


def make_docx(path, legacy):
    d = docx.Document()
    styles = d.styles
    char_style = styles.add_style("LegacyChar", WD_STYLE_TYPE.CHARACTER)
    char_style.font.name = LEGACY
    based = styles.add_style("LegacyCharBased", WD_STYLE_TYPE.CHARACTER)
    based.base_style = char_style
    para_style = styles.add_style("LegacyPara", WD_STYLE_TYPE.PARAGRAPH)
    para_style.base_style = styles["Normal"]
    para_style.font.name = LEGACY

    def run(p, key, **kw):
        r = p.add_run(legacy[key][0])
        r.font.name = LEGACY
        for k, v in kw.items():
            setattr(r.font, k, v)
        return r

    header = d.sections[0].header.paragraphs[0]
    header.add_run("Briefkopf der Firma Müller – ")
    run(header, "header")

    d.add_paragraph("Sehr geehrte Damen und Herren,")
    p = d.add_paragraph("der Titel lautet „")
    run(p, "symbol")
    p.add_run("“ und wurde gedruckt.")
    p = d.add_paragraph("Auf Latin-1: ")
    run(p, "latin1")
    p = d.add_paragraph("Auf Windows-1252: ")
    run(p, "cp1252")
    p.add_run(" – Ende.")
    p = d.add_paragraph()
    run(p, "paragraph")
    p = d.add_paragraph("Mit Zeichenformat: ")
    p.add_run(legacy["styled"][0], style="LegacyCharBased")
    d.add_paragraph(legacy["para_style"][0], style="LegacyPara")

    # One word, its right half (the start of the word) bold and red.
    codes = legacy["bold_split"][1]
    half = len(codes) // 2
    p = d.add_paragraph("Fett im Wort: ")
    left = p.add_run(encode(codes[:half], "windows-1252"))
    left.font.name = LEGACY
    right = p.add_run(encode(codes[half:], "windows-1252"))
    right.font.name = LEGACY
    right.font.bold = True
    right.font.color.rgb = RGBColor(0xC0, 0, 0)

    table = d.add_table(rows=1, cols=2)
    table.cell(0, 0).text = "Stift"
    run(table.cell(0, 1).paragraphs[0], "table")

    p = d.add_paragraph("Siehe Fußnote")
    p._p.append(parse_xml(
        '<w:r %s><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
        '<w:footnoteReference w:id="1"/></w:r>' % nsdecls("w")))

    p = d.add_paragraph("Siehe Endnote")
    p._p.append(parse_xml(
        '<w:r %s><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
        '<w:endnoteReference w:id="1"/></w:r>' % nsdecls("w")))
    p = d.add_paragraph()
    p._p.append(parse_xml('<w:commentRangeStart %s w:id="0"/>' % nsdecls("w")))
    p._p.append(parse_xml('<w:r %s><w:t>Kommentiert</w:t></w:r>' % nsdecls("w")))
    p._p.append(parse_xml('<w:commentRangeEnd %s w:id="0"/>' % nsdecls("w")))
    p._p.append(parse_xml('<w:r %s><w:commentReference w:id="0"/></w:r>' % nsdecls("w")))

    p = d.add_paragraph("Textfeld: ")
    box = legacy["textbox"][0]
    p._p.append(parse_xml(
        '<w:r %s %s><w:pict><v:shape style="width:200pt;height:40pt" type="#_x0000_t202">'
        '<v:textbox><w:txbxContent><w:p><w:r><w:rPr><w:rFonts w:ascii="%s" w:hAnsi="%s"/>'
        '</w:rPr><w:t xml:space="preserve">%s</w:t></w:r></w:p></w:txbxContent></v:textbox>'
        '</v:shape></w:pict></w:r>' % (nsdecls("w"), 'xmlns:v="urn:schemas-microsoft-com:vml"',
                                      LEGACY, LEGACY, xml_escape(box))))

    p = d.add_paragraph()
    run(p, "paragraph")
    r = p.add_run()
    r.add_break()
    run(p, "second_line")
    # Word keeps symbol-font text typed with Insert Symbol as w:sym elements.
    p = d.add_paragraph("Symbole: ")
    for c in legacy["word_sym"][1]:
        p._p.append(parse_xml('<w:r %s><w:sym w:font="%s" w:char="F0%02X"/></w:r>' % (
            nsdecls("w"), LEGACY.lower(), c)))
    d.add_paragraph("Mit freundlichen Grüßen")
    d.save(path)
    add_notes(path, legacy)


def xml_escape(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def legacy_note_run(text):
    return ('<w:r><w:rPr><w:rFonts w:ascii="%s" w:hAnsi="%s" w:cs="%s"/><w:i/></w:rPr>'
            '<w:t xml:space="preserve">%s</w:t></w:r>' % (LEGACY, LEGACY, LEGACY, xml_escape(text)))


def notes_part(kind, text):
    """A footnotes or endnotes part: Word's two separators and note 1."""
    w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
    return (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<w:{k}s xmlns:w="{w}">'
        '<w:{k} w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:{k}>'
        '<w:{k} w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/>'
        '</w:r></w:p></w:{k}>'
        '<w:{k} w:id="1"><w:p><w:r><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
        '<w:{k}Ref/></w:r><w:r><w:t xml:space="preserve"> Quelle: </w:t></w:r>{run}'
        '</w:p></w:{k}></w:{k}s>').format(k=kind, w=w, run=legacy_note_run(text))


def comments_part(text):
    w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<w:comments xmlns:w="%s"><w:comment w:id="0" w:author="Harf" w:initials="H" '
            'w:date="2026-12-08T10:00:00Z"><w:p><w:r><w:annotationRef/></w:r>'
            '<w:r><w:t xml:space="preserve">Bitte prüfen: </w:t></w:r>%s</w:p></w:comment>'
            '</w:comments>' % (w, legacy_note_run(text)))


def add_notes(path, legacy):
    """python-docx has no footnotes, endnotes or comments: add the parts, their
    relationships and their content types by hand."""
    prefix = "application/vnd.openxmlformats-officedocument.wordprocessingml."
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    parts = [("footnotes", notes_part("footnote", legacy["footnote"][0])),
             ("endnotes", notes_part("endnote", legacy["endnote"][0])),
             ("comments", comments_part(legacy["comment"][0]))]
    with zipfile.ZipFile(path) as z:
        entries = [(i, z.read(i.filename)) for i in z.infolist()]
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in entries:
            if info.filename == "[Content_Types].xml":
                data = data.replace(b"</Types>", "".join(
                    '<Override PartName="/word/%s.xml" ContentType="%s%s+xml"/>' % (
                        name, prefix, name) for name, _ in parts).encode() + b"</Types>")
            elif info.filename == "word/_rels/document.xml.rels":
                data = data.replace(b"</Relationships>", "".join(
                    '<Relationship Id="rId%s" Type="%s%s" Target="%s.xml"/>' % (
                        name.capitalize(), rel, name, name) for name, _ in parts).encode() +
                    b"</Relationships>")
            z.writestr(info, data)
        for name, xml in parts:
            z.writestr("word/%s.xml" % name, xml.encode())
    os.replace(tmp, path)


def main():
    harf_shape, out_dir = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    codes = shape(harf_shape, [p for _, p, _ in PHRASES])
    legacy = {key: (encode(c, enc), c) for (key, _, enc), c in zip(PHRASES, codes)}
    make_docx(os.path.join(out_dir, "letter.docx"), legacy)
    make_odt(os.path.join(out_dir, "letter.odt"), legacy)
    expected = {key: {"unicode": phrase, "codes": c, "encoding": enc, "docx_only": key in DOCX_ONLY,
                      "printed": key not in NOT_PRINTED}
                for (key, phrase, enc), c in zip(PHRASES, codes)}
    with open(os.path.join(out_dir, "expected.json"), "w", encoding="utf-8") as f:
        json.dump(expected, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
