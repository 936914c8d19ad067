#!/usr/bin/python3
"""Inline constructs inside one line: every case of
tests/data/docx_constructs.tsv (and odt_constructs.tsv) written as a .docx (.odt) in the legacy font (glyph
codes from harf-shape, words in display order), converted to Unicode; and
written in Unicode, converted to the legacy font and back. The words must come
back in reading order, the construct holding the words it held and an inline
object standing after the same word.

usage: constructs_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import os
import re
import shutil
import sys
import xml.etree.ElementTree as ET
import zipfile

from construct_cases import OBJECT_MARK, convert, display_order, is_arabic, read_cases, shape, squeeze, tokens
from doc_packages import W_NS, write_docx
from odt_constructs import odt_cases

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "docx_constructs.tsv")
ODT_DATA = os.path.join(HERE, "..", "data", "odt_constructs.tsv")
W = "{%s}" % W_NS
LEGACY = '<w:rPr><w:rFonts w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/></w:rPr>'
UNICODE = ('<w:rPr><w:rFonts w:ascii="Amiri" w:hAnsi="Amiri" w:cs="Amiri"/><w:rtl/>'
           '</w:rPr>')
LATIN = '<w:rPr><w:rFonts w:ascii="Liberation Serif" w:hAnsi="Liberation Serif"/></w:rPr>'
OBJECTS = {
    "footnoteReference": '<w:r><w:footnoteReference w:id="1"/></w:r>',
    "commentReference": '<w:r><w:commentReference w:id="0"/></w:r>',
    "pict": '<w:r><w:pict/></w:r>',
}
FIELD_HEAD = ('<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space='
              '"preserve"> DOCPROPERTY Title </w:instrText></w:r><w:r><w:fldChar '
              'w:fldCharType="separate"/></w:r>')
WRAPPERS = {
    "hyperlink": ('<w:hyperlink w:anchor="x">', "</w:hyperlink>"),
    "smartTag": ('<w:smartTag w:uri="urn:x" w:element="place"><w:smartTagPr/>', "</w:smartTag>"),
    "sdt": ('<w:sdt><w:sdtPr><w:alias w:val="a"/></w:sdtPr><w:sdtContent>',
            "</w:sdtContent></w:sdt>"),
    "fldSimple": ('<w:fldSimple w:instr=" DOCPROPERTY Title ">', "</w:fldSimple>"),
    "fldChar": (FIELD_HEAD, '<w:r><w:fldChar w:fldCharType="end"/></w:r>'),
    "customXml": ('<w:customXml w:element="x">', "</w:customXml>"),
    "ins": ('<w:ins w:id="1" w:author="a" w:date="2024-01-01T00:00:00Z">', "</w:ins>"),
    "moveTo": ('<w:moveTo w:id="2" w:author="a" w:date="2024-01-01T00:00:00Z">', "</w:moveTo>"),
    "dir": ('<w:dir w:val="ltr">', "</w:dir>"),
    "bdo": ('<w:bdo w:val="ltr">', "</w:bdo>"),
    "del": ('<w:del w:id="3" w:author="a" w:date="2024-01-01T00:00:00Z">', "</w:del>"),
    "bookmark": ('<w:bookmarkStart w:id="5" w:name="b"/>', '<w:bookmarkEnd w:id="5"/>'),
    "nested": ('<w:sdt><w:sdtContent><w:hyperlink w:anchor="y">',
               "</w:hyperlink></w:sdtContent></w:sdt>"),
    "latin": ("", ""), "digits": ("", ""), "softHyphen": ("", ""),
}
# The element whose text is the bracketed words, found in the output.
HOLDER = {"sdt": "sdtContent", "nested": "hyperlink"}


def run_xml(text, props, deleted=False, soft_hyphen=False):
    tag = "w:delText" if deleted else "w:t"
    body = ""
    for i, part in enumerate(text.split("\u00ad") if soft_hyphen else [text]):
        if i:
            body += "<w:softHyphen/>"
        if part:
            body += '<%s xml:space="preserve">%s</%s>' % (tag, part, tag)
    return "<w:r>%s%s</w:r>" % (props, body)


def paragraph(construct, toks, legacy, codes):
    """The w:p of a case: legacy, display order; or Unicode, logical order."""
    order = display_order(construct, toks) if legacy else toks
    open_, close = WRAPPERS.get(construct, ("", ""))
    # Neighbouring tokens with the same place and kind of run share a run.
    pieces = []  # (inside, props, text)
    for kind, value, inside in order:
        if kind == "object":
            pieces.append((inside, None, OBJECTS[construct]))
            continue
        arabic = kind != "word" or is_arabic(value)
        # A space between Latin and Arabic belongs to the Latin run.
        latin = (kind == "word" and not arabic) or (
            construct == "latin" and kind == "space" and not inside)
        if legacy and not latin:
            text = "".join(chr(0xF000 + c) for c in (codes[value] if kind == "word"
                                                     else [32] * len(value)))
            props = LEGACY
        else:
            text = value
            props = LATIN if latin else UNICODE
            if construct == "digits" and inside:
                props = ""  # digits as LibreOffice writes them: no w:rtl
        if pieces and pieces[-1][0] == inside and pieces[-1][1] == props:
            pieces[-1] = (inside, props, pieces[-1][2] + text)
        else:
            pieces.append((inside, props, text))
    out, opened = "", False
    for inside, props, text in pieces:
        if inside and not opened:
            out += open_
            opened = True
        elif not inside and opened:
            out += close
            opened = False
        if props is None:
            out += text
        else:
            out += run_xml(text, props, deleted=inside and construct == "del",
                           soft_hyphen=construct == "softHyphen" and legacy)
    if opened:
        out += close
    bidi = "" if legacy or construct in ("latin",) else "<w:pPr><w:bidi/></w:pPr>"
    return "<w:p>%s%s</w:p>" % (bidi, out)


def visible(e, view):
    """Text of an element in document order: view 'accepted' leaves deleted
    text out, 'all' reads it; a field's code is left out, objects are marks."""
    out = []
    stack = [(e, False)]
    code = 0
    for node in e.iter():
        tag = node.tag.replace(W, "")
        if tag == "fldChar":
            t = node.get(W + "fldCharType")
            code = code + 1 if t == "begin" else (code - 1 if t == "separate" else code)
        elif tag == "t" and not code:
            out.append(node.text or "")
        elif tag == "delText" and view == "all":
            out.append(node.text or "")
        elif tag in OBJECTS:
            out.append(OBJECT_MARK)
    del stack
    return "".join(out)


def field_result(p):
    """The text between a complex field's separate and end."""
    out, state = [], None
    for node in p.iter():
        tag = node.tag.replace(W, "")
        if tag == "fldChar":
            state = node.get(W + "fldCharType")
        elif tag == "t" and state == "separate":
            out.append(node.text or "")
    return "".join(out)


def check(construct, where, text, p, label):
    errors = []
    want = text.replace("[", "").replace("]", "")
    if squeeze(visible(p, "all")) != squeeze(want):
        errors.append("%s: read %r, want %r" % (label, squeeze(visible(p, "all")), squeeze(want)))
    held = squeeze(re.search(r"\[(.*)\]", text).group(1)) if "[" in text else None
    if held is None or construct in ("latin", "digits", "bookmark", "softHyphen"):
        return errors
    if construct == "fldChar":
        got = [field_result(p)]
    else:
        tag = HOLDER.get(construct, construct)
        got = [visible(h, "all") for h in p.iter(W + tag)]
    if [squeeze(g) for g in got] != [held]:
        errors.append("%s: the %s holds %r, want [%r]" % (label, construct, got, held))
    if construct == "del":
        accepted = squeeze(re.sub(r"\[.*\]", "", text))
        if squeeze(visible(p, "accepted")) != accepted:
            errors.append("%s: accepted %r, want %r" % (label, visible(p, "accepted"), accepted))
    return errors


def paragraphs(path):
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("word/document.xml"))
    return list(root.iter(W + "p"))


def renamed_prefix(src, dst):
    """The same package with WordprocessingML's prefix w: renamed ns0:."""
    with zipfile.ZipFile(src) as a, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as b:
        for info in a.infolist():
            data = a.read(info.filename)
            if info.filename == "word/document.xml":
                data = re.sub(rb"(</?|\s)w:", rb"\1ns0:", data).replace(b"xmlns:w=", b"xmlns:ns0=")
            b.writestr(info, data)


THEME = ('<?xml version="1.0" encoding="UTF-8"?><a:theme xmlns:a="http://schemas.openxmlformats.'
         'org/drawingml/2006/main" name="T"><a:themeElements><a:fontScheme name="F"><a:majorFont>'
         '<a:latin typeface="Liberation Serif"/><a:ea typeface=""/><a:cs typeface=""/></a:majorFont>'
         '<a:minorFont><a:latin typeface="VarnelNormal"/><a:ea typeface=""/><a:cs typeface=""/>'
         '</a:minorFont></a:fontScheme></a:themeElements></a:theme>')


def with_theme(src, dst):
    """The package with a theme whose minor (body) font is the legacy font."""
    with zipfile.ZipFile(src) as a, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as b:
        for info in a.infolist():
            data = a.read(info.filename)
            if info.filename == "[Content_Types].xml":
                data = data.replace(b"</Types>", (
                    b'<Override PartName="/word/theme/theme1.xml" ContentType="application/vnd.'
                    b'openxmlformats-officedocument.theme+xml"/></Types>'))
            b.writestr(info, data)
        b.writestr("word/theme/theme1.xml", THEME)


def canonical(path):
    with zipfile.ZipFile(path) as z:
        return ET.canonicalize(z.read("word/document.xml").decode(), rewrite_prefixes=True)


def main():
    harf_convert, harf_shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cases = read_cases(DATA)
    odt = read_cases(ODT_DATA)
    words = sorted({v for _, _, t in cases + odt for k, v, _ in tokens(t)
                    if k == "word" and is_arabic(v)})
    codes = dict(zip(words, shape(harf_shape, words)))
    # One document of every case each way: a paragraph a case.
    legacy = os.path.join(work, "legacy.docx")
    unicode = os.path.join(work, "unicode.docx")
    write_docx(legacy, [paragraph(c, tokens(t), True, codes) for c, _, t in cases])
    write_docx(unicode, [paragraph(c, tokens(t), False, codes) for c, _, t in cases])
    convert(harf_convert, legacy, os.path.join(work, "legacy-u.docx"), "unicode")
    convert(harf_convert, unicode, os.path.join(work, "unicode-l.docx"), "legacy")
    convert(harf_convert, os.path.join(work, "unicode-l.docx"),
            os.path.join(work, "unicode-l-u.docx"), "unicode")
    errors = []
    # Prefixes do not matter: ns0: for w: converts to the same document.
    renamed_prefix(legacy, os.path.join(work, "ns0.docx"))
    convert(harf_convert, os.path.join(work, "ns0.docx"), os.path.join(work, "ns0-u.docx"),
            "unicode")
    if canonical(os.path.join(work, "ns0-u.docx")) != canonical(os.path.join(work, "legacy-u.docx")):
        errors.append("ns0: for w: converts to another document")
    # A legacy font set through the theme.
    words = "اشغر عرجاء تحويل آجلة"
    themed_run = ('<w:r><w:rPr><w:rFonts w:asciiTheme="minorHAnsi" w:hAnsiTheme="minorHAnsi"/>'
                  '</w:rPr><w:t xml:space="preserve">%s</w:t></w:r>')
    display = [c for w in reversed(words.split()) for c in codes[w] + [32]][:-1]
    write_docx(os.path.join(work, "plain.docx"), [
        "<w:p>%s</w:p>" % (themed_run % "".join(chr(0xF000 + c) for c in display))])
    with_theme(os.path.join(work, "plain.docx"), os.path.join(work, "theme.docx"))
    convert(harf_convert, os.path.join(work, "theme.docx"), os.path.join(work, "theme-u.docx"),
            "unicode")
    got = squeeze(visible(paragraphs(os.path.join(work, "theme-u.docx"))[0], "all"))
    if got != words:
        errors.append("theme font: read %r, want %r" % (got, words))
    for name, what in (("legacy-u.docx", "to Unicode"), ("unicode-l-u.docx", "round trip")):
        ps = paragraphs(os.path.join(work, name))
        if len(ps) != len(cases):
            errors.append("%s: %d paragraphs for %d cases" % (name, len(ps), len(cases)))
            continue
        for (construct, where, text), p in zip(cases, ps):
            errors += check(construct, where, text, p, "%s %s %s" % (what, construct, where))
    errors += odt_cases(harf_convert, work, odt, codes)
    for e in errors:
        print(e)
    print("%d cases, %d failures" % (2 * len(cases + odt) + 2, len(errors)))
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
