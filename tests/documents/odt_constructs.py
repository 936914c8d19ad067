"""The OpenDocument half of constructs_test.py: every case of
tests/data/odt_constructs.tsv as a paragraph of an .odt, converted both ways and
read back."""
import os
import re
import xml.etree.ElementTree as ET
import zipfile

from construct_cases import OBJECT_MARK, convert, display_order, is_arabic, squeeze, tokens
from doc_packages import ODT_NS, write_odt

TEXT = "{%s}" % ODT_NS["text"]
XLINK = 'xmlns:xlink="http://www.w3.org/1999/xlink"'
ODT_NOTE = ('<text:note text:id="n1" text:note-class="footnote"><text:note-citation>1'
            '</text:note-citation><text:note-body><text:p>Fußnote</text:p></text:note-body>'
            '</text:note>')
ODT_FRAME = ('<draw:frame xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
             'draw:name="f"/>')
ODT_WRAPPERS = {
    "a": ('<text:a %s xlink:href="#x">' % XLINK, "</text:a>"),
    "span": ('<text:span text:style-name="B">', "</text:span>"),
    "meta": ('<text:meta %s xml:id="m1">' % "", "</text:meta>"),
    "change": ('<text:change-start text:change-id="c1"/>', '<text:change-end text:change-id="c1"/>'),
    "bookmark": ('<text:bookmark-start text:name="b"/>', '<text:bookmark-end text:name="b"/>'),
}
ODT_HOLDER = {"a": TEXT + "a", "meta": TEXT + "meta"}


def odt_paragraph(construct, toks, legacy, codes):
    """The text:p of a case: legacy glyphs in spans of style T1 (the legacy
    font), display order; or Unicode straight in the paragraph."""
    order = display_order(construct, toks) if legacy else toks
    open_, close = ODT_WRAPPERS.get(construct, ("", ""))
    pieces = []  # (inside, legacy run?, xml)
    for kind, value, inside in order:
        if kind == "object":
            pieces.append((inside, None, ODT_NOTE if construct == "note" else ODT_FRAME))
            continue
        latin = (kind == "word" and not is_arabic(value)) or (
            construct == "latin" and kind == "space" and not inside)
        if kind == "space" and len(value) > 1:
            text = '<text:s text:c="%d"/>' % len(value) if not latin else value
            if legacy and not latin:
                text = "".join("&#x%X;" % (0xF020) for _ in value)
        elif legacy and not latin:
            text = "".join("&#x%X;" % (0xF000 + c) for c in (
                codes[value] if kind == "word" else [32] * len(value)))
        else:
            text = value
        run = legacy and not latin
        if pieces and pieces[-1][0] == inside and pieces[-1][1] == run:
            pieces[-1] = (inside, run, pieces[-1][2] + text)
        else:
            pieces.append((inside, run, text))
    out, opened = "", False
    for inside, run, text in pieces:
        if inside and not opened:
            out += open_
            opened = True
        elif not inside and opened:
            out += close
            opened = False
        if construct == "span" and inside and run is not None:
            # A span holding a span: a container, not a run.
            out += '<text:span text:style-name="%s">%s</text:span>' % ("T1" if run else "B", text)
        elif run:
            out += '<text:span text:style-name="T1">%s</text:span>' % text
        else:
            out += text
    if opened:
        out += close
    return "<text:p>%s</text:p>" % out


def odt_visible(e):
    out = [e.text or ""]
    for c in e:
        if c.tag == TEXT + "s":
            out.append(" " * int(c.get(TEXT + "c", "1")))
        elif c.tag == TEXT + "note" or c.tag.endswith("}frame"):
            out.append(OBJECT_MARK)
        else:
            out.append(odt_visible(c))
        out.append(c.tail or "")
    return "".join(out)


def odt_check(construct, text, p, label):
    errors = []
    want = text.replace("[", "").replace("]", "")
    got = odt_visible(p)
    if construct == "spaces":
        if got.strip() != want:
            errors.append("%s: read %r, want %r" % (label, got, want))
    elif squeeze(got) != squeeze(want):
        errors.append("%s: read %r, want %r" % (label, squeeze(got), squeeze(want)))
    if construct in ODT_HOLDER:
        held = squeeze(re.search(r"\[(.*)\]", text).group(1))
        inside = [squeeze(odt_visible(h)) for h in p.iter(ODT_HOLDER[construct])]
        if inside != [held]:
            errors.append("%s: the %s holds %r, want [%r]" % (label, construct, inside, held))
    return errors


def odt_cases(harf_convert, work, cases, codes):
    legacy = os.path.join(work, "legacy.odt")
    unicode = os.path.join(work, "unicode.odt")
    write_odt(legacy, [odt_paragraph(c, tokens(t), True, codes) for c, _, t in cases])
    write_odt(unicode, [odt_paragraph(c, tokens(t), False, codes) for c, _, t in cases])
    convert(harf_convert, legacy, os.path.join(work, "legacy-u.odt"), "unicode")
    convert(harf_convert, unicode, os.path.join(work, "unicode-l.odt"), "legacy")
    convert(harf_convert, os.path.join(work, "unicode-l.odt"),
            os.path.join(work, "unicode-l-u.odt"), "unicode")
    errors = []
    for name, what in (("legacy-u.odt", "odt to Unicode"), ("unicode-l-u.odt", "odt round trip")):
        with zipfile.ZipFile(os.path.join(work, name)) as z:
            root = ET.fromstring(z.read("content.xml"))
        ps = [p for p in root.iter(TEXT + "p") if p.text != "Fußnote"]
        if len(ps) != len(cases):
            errors.append("%s: %d paragraphs for %d cases" % (name, len(ps), len(cases)))
            continue
        for (construct, where, text), p in zip(cases, ps):
            errors += odt_check(construct, text, p, "%s %s %s" % (what, construct, where))
    return errors
