#!/usr/bin/python3
"""Builds HarfStandIn.ttf, the display font Harf falls back to when the legacy
8-bit font VarnelNormal is not installed.

Harf does its own Arabic shaping: the line holds one glyph code (0..255) per
contextual letter form, ligature, digit, punctuation mark or vowel sign, and the
display font must show at each code exactly that glyph, with no shaping of its
own. This script cuts such a font out of Amiri (SIL OFL, Debian package
fonts-hosny-amiri): every glyph code gets the outline of the matching Unicode
presentation form (which code shows which letter comes from
src/tables/glyphs.tsv, the data Harf's own tables are generated from), and the
result is encoded three ways:

  U+F000 + code  what Harf's text boxes hold. Private-use characters are never
                 reordered, joined or mirrored by a text engine, so the boxes
                 show the codes exactly as stored, left to right.
  U+0000 + code  Latin-1, one byte per glyph code, so a document pasted into
                 another program shows the same glyphs once this font is
                 installed and selected there.
  Windows-1252   codes 0x80..0x9F also at the characters Windows decodes those
                 bytes as (U+20AC euro sign for 0x80, U+201A for 0x82, ...), so
                 documents written on Windows show them too. Its five undefined
                 bytes decode to U+0081, U+008D, U+008F, U+0090, U+009D, the
                 Latin-1 code points already mapped.

Code 32 is a plain space in every range. Codes no letter or ligature uses are
left unmapped, and so are the C0 controls.

The parentheses (codes 72, 73) and the quotation marks (92, 94) show their
mirror images: the line runs right to left but holds private-use characters,
which no bidi pass mirrors, so the opening parenthesis typed first, at the
right, must already be drawn facing left, as ")".

GSUB, GPOS and GDEF are not carried over: a renderer must not re-shape glyphs
that are already shaped. The presentation forms themselves are not in the cmap
either, so a text engine cannot synthesise Arabic shaping from them.

Two zero-advance signs do not come from a single presentation form:

  code 74  every vowel sign (fatha, kasra, damma, the tanwin, sukun, shadda)
           shares this code, so it shows one neutral sign: Amiri's fatha.
  code 96  the sign on the key captioned "'": Amiri's superscript (dagger) alif.

Both are stored directly left of the letter that carries them (Harf puts a sign
in front of its carrier in display order), so their ink lies to the right of
their origin, over the start of the carrier, above the tallest joining letters.

Extra code points, for the key pictures of the on-screen keyboard (which must
tell the vowel signs apart although the line cannot):

  U+064B..U+0652  fathatan, dammatan, kasratan, fatha, damma, kasra, shadda, sukun
  U+0670          superscript alif
  U+25CC          dotted circle

The marks have zero advance and sit over (or under) a dotted circle drawn just
before them, left to right: a picture draws the string U+25CC + mark.

The output is deterministic (fixed timestamps, fixed glyph order), so the
committed font can be checked against a fresh build byte for byte. The bytes
depend on the Amiri release (pinned below) and on the fontTools version
(Debian 12: 4.38).

Usage: /usr/bin/python3 make_standin_font.py [--amiri PATH] [--out PATH]
"""

import argparse
import os
import sys
import unicodedata

from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampFromString
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable

AMIRI_VERSION = "Version 0.113"
AMIRI_CANDIDATES = [
    "/usr/share/fonts/opentype/fonts-hosny-amiri/Amiri-Regular.ttf",
    "/usr/share/fonts/truetype/fonts-hosny-amiri/Amiri-Regular.ttf",
    "/usr/share/fonts/truetype/amiri/Amiri-Regular.ttf",
    "/usr/share/fonts/opentype/amiri/Amiri-Regular.ttf",
]

FAMILY = "Harf Stand-in"
PS_NAME = "HarfStandIn-Regular"
VERSION = "Version 1.000"
# head.created and head.modified; a fixed value keeps the build reproducible.
TIMESTAMP = timestampFromString("Tue Jun  2 00:00:00 2020")

PUA_BASE = 0xF000
SPACE = 32


def windows_1252(code):
    """The character Windows decodes byte `code` as, where that differs from
    Latin-1 (only bytes 0x80..0x9F can), or None."""
    try:
        ch = bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        return None  # undefined in Windows-1252: Windows keeps U+0080 + low bits
    return ord(ch) if ord(ch) != code else None

# ---------------------------------------------------------------------------
# The encoding: which glyph code shows which letter form.

# The glyph and ligature data: src/tables/glyphs.tsv, the file Harf's C++
# tables are generated from.
GLYPHS_TSV = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "src", "tables",
                          "glyphs.tsv")
sys.path.insert(0, os.path.dirname(GLYPHS_TSV))
from gen_tables import read_tables  # noqa: E402  (the path is set just above)

LETTERS, _LIGATURE_ROWS = read_tables(GLYPHS_TSV)

# Letters with four contextual forms: letter -> codes (isolated, initial, medial, final).
FOUR_FORM = {l.drawn: (l.iso, l.ini, l.med, l.fin)
             for l in LETTERS if l.kind == "four-form" and l.drawn is not None}

# Letters that never join a following letter: one free glyph (shown as the
# isolated form) and one joined glyph (shown as the final form). A letter that
# shares another's codes (alif wasla shares alif's) draws nothing of its own.
# letter -> (free code, joined code)
TWO_GLYPH = {l.drawn: (l.iso, l.fin)
             for l in LETTERS if l.kind == "two-glyph" and l.drawn is not None}

# Codes shown by the glyph of one plain character (the space is set apart).
SINGLE = {l.iso: l.drawn for l in LETTERS
          if l.kind == "single" and l.drawn is not None and l.iso != SPACE}

# The zero-advance signs: code -> the mark whose outline they show. Every vowel
# sign shares code 74, which shows a fatha-like stroke.
SIGNS = {l.iso: l.drawn for l in LETTERS if l.kind == "initial-only" and l.drawn is not None}

# Two-letter ligatures: (code, glyph of the earlier letter, glyph of the later letter).
LIGATURES = [(g.code, g.m, g.n) for g in _LIGATURE_ROWS]

# Where a pair's ligature sits in a word follows from the forms of its letters:
# the earlier letter joins the letter before the pair only in its medial form,
# the later letter joins the letter after the pair only in its medial form.
LIGATURE_FORM = {
    ("initial", "final"): "isolated",
    ("initial", "medial"): "initial",
    ("medial", "final"): "final",
    ("medial", "medial"): "medial",
}

# Extra code points for the key pictures (see the module comment).
PICTURE_MARKS = [0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x0651, 0x0652, 0x0670]
DOTTED_CIRCLE = 0x25CC

# Placement of the signs at codes 74 and 96, in font units (1000 to the em):
# centred this far right of the origin, over the start of the carrier (a joined
# initial or medial letter is about 200 to 250 units wide), and resting this
# high, clear of every letter that can carry a sign, the ascenders of lam
# (initial: 714) and kaf included.
SIGN_CENTRE_X = 130
SIGN_BOTTOM = 780
# Gap between the dotted circle and a picture mark above or below it.
PICTURE_MARK_GAP = 60


def letter_forms():
    """Glyph code -> (form, letter) for every letter glyph."""
    forms = {}
    for letter, (iso, ini, med, fin) in FOUR_FORM.items():
        # Medial last, so that a code serving as both initial and medial (tah)
        # shows the medial form: it connects on both sides, and at the start of
        # a word its short right-hand stub is hardly visible, whereas an initial
        # form in the middle of a word would leave a gap.
        for form, code in (("isolated", iso), ("initial", ini), ("final", fin), ("medial", med)):
            forms[code] = (form, letter)
    for letter, (free, joined) in TWO_GLYPH.items():
        forms[free] = ("isolated", letter)
        forms[joined] = ("final", letter)
    return forms


def presentation_forms():
    """(form, letters) -> code point, from the Unicode decompositions of the
    Arabic presentation forms, e.g. ("initial", (0x0628, 0x062C)) -> U+FC9C."""
    table = {}
    for cp in list(range(0xFB50, 0xFE00)) + list(range(0xFE70, 0xFF00)):
        decomposition = unicodedata.decomposition(chr(cp)).split()
        if not decomposition or not decomposition[0].startswith("<"):
            continue
        key = (decomposition[0].strip("<>"), tuple(int(p, 16) for p in decomposition[1:]))
        table.setdefault(key, cp)
    return table


def code_points():
    """Glyph code -> the code point whose glyph it shows."""
    forms = letter_forms()
    presentation = presentation_forms()

    def form_of(code, form, letters):
        try:
            return presentation[(form, letters)]
        except KeyError:
            names = " + ".join(unicodedata.name(chr(c)) for c in letters)
            sys.exit(f"code {code}: Unicode has no {form} form of {names}")

    chosen = {}
    for code, (form, letter) in forms.items():
        chosen[code] = form_of(code, form, (letter,))
    for code, m, n in LIGATURES:
        (m_form, m_letter), (n_form, n_letter) = forms[m], forms[n]
        form = LIGATURE_FORM[(m_form, n_form)]
        chosen[code] = form_of(code, form, (m_letter, n_letter))
    chosen.update(SINGLE)
    return chosen


# ---------------------------------------------------------------------------
# Building the font.


def find_amiri(explicit):
    if explicit:
        return explicit
    for path in AMIRI_CANDIDATES:
        if os.path.exists(path):
            return path
    sys.exit("Amiri-Regular.ttf not found; install fonts-hosny-amiri or pass --amiri")


class Source:
    """Amiri's outlines, decomposed, with their advances and bounds."""

    def __init__(self, path):
        self.font = TTFont(path)
        version = self.font["name"].getDebugName(5)
        if version != AMIRI_VERSION:
            sys.exit(f"{path} is Amiri {version!r}; the committed font is built from "
                     f"{AMIRI_VERSION!r}, so a fresh build would differ from it")
        self.cmap = self.font.getBestCmap()
        self.glyphs = self.font.getGlyphSet()

    def name(self, cp):
        try:
            return self.cmap[cp]
        except KeyError:
            sys.exit(f"Amiri has no glyph for U+{cp:04X}")

    def advance(self, glyph_name):
        return self.font["hmtx"][glyph_name][0]

    def bounds(self, glyph_name):
        pen = BoundsPen(self.glyphs)
        self.glyphs[glyph_name].draw(pen)
        return pen.bounds

    def outline(self, glyph_name, dx=0, dy=0):
        """The glyph as one simple TrueType glyph, components resolved, moved by (dx, dy)."""
        recording = DecomposingRecordingPen(self.glyphs)
        self.glyphs[glyph_name].draw(recording)
        pen = TTGlyphPen(None)
        recording.replay(TransformPen(pen, (1, 0, 0, 1, dx, dy)) if dx or dy else pen)
        return pen.glyph()


def build(source):
    glyph_order = [".notdef", "space"]
    outlines = {".notdef": source.outline(".notdef"), "space": TTGlyphPen(None).glyph()}
    advances = {".notdef": source.advance(".notdef"), "space": source.advance("space")}
    cmap = {SPACE: "space", PUA_BASE + SPACE: "space"}

    def add(name, outline, advance):
        if name not in outlines:
            glyph_order.append(name)
            outlines[name] = outline
            advances[name] = advance

    # Letter forms, ligatures, digits and punctuation.
    chosen = code_points()
    for code in sorted(chosen):
        name = source.name(chosen[code])
        add(name, source.outline(name), source.advance(name))
        cmap[PUA_BASE + code] = cmap[code] = name
        if windows_1252(code) is not None:
            cmap[windows_1252(code)] = name

    # The signs: zero advance, ink over the carrier to the right.
    for code, mark in sorted(SIGNS.items()):
        src = source.name(mark)
        x0, y0, x1, _ = source.bounds(src)
        name = f"{src}.sign"
        add(name, source.outline(src, SIGN_CENTRE_X - (x0 + x1) / 2, SIGN_BOTTOM - y0), 0)
        cmap[PUA_BASE + code] = cmap[code] = name

    # Key-picture glyphs: a dotted circle, and marks that sit on the circle
    # drawn just before them.
    circle = source.name(DOTTED_CIRCLE)
    cx0, cy0, cx1, cy1 = source.bounds(circle)
    circle_advance = source.advance(circle)
    add(circle, source.outline(circle), circle_advance)
    cmap[DOTTED_CIRCLE] = circle
    for mark in PICTURE_MARKS:
        src = source.name(mark)
        x0, y0, x1, y1 = source.bounds(src)
        dx = (cx0 + cx1) / 2 - circle_advance - (x0 + x1) / 2
        below = y1 <= 0
        dy = (cy0 - PICTURE_MARK_GAP - y1) if below else (cy1 + PICTURE_MARK_GAP - y0)
        add(src, source.outline(src, dx, dy), 0)
        cmap[mark] = src

    assert all(cp >= SPACE for cp in cmap), "no control character may be mapped"

    # A new font from these outlines alone: Amiri's layout tables (GSUB, GPOS,
    # GDEF) and its hinting stay behind.
    fb = FontBuilder(source.font["head"].unitsPerEm, isTTF=True)
    fb.updateHead(created=TIMESTAMP, modified=TIMESTAMP, fontRevision=1.0)
    fb.setupGlyphOrder(glyph_order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(outlines)
    glyf = fb.font["glyf"]
    metrics = {}
    for name in glyph_order:
        glyph = glyf[name]
        metrics[name] = (advances[name], glyph.xMin if glyph.numberOfContours else 0)
    fb.setupHorizontalMetrics(metrics)

    # Vertical metrics from the ink actually present: Amiri's own Windows
    # ascent and descent add up to over four ems and make very tall text boxes.
    inked = [glyf[n] for n in glyph_order if glyf[n].numberOfContours]
    ascent = max(g.yMax for g in inked)
    descent = min(g.yMin for g in inked)
    fb.setupHorizontalHeader(ascent=ascent, descent=descent, lineGap=0)

    copyright_notice = source.font["name"].getDebugName(0)
    fb.setupNameTable(
        {
            "copyright": copyright_notice,
            "familyName": FAMILY,
            "styleName": "Regular",
            "uniqueFontIdentifier": f"{VERSION[8:]};HARF;{PS_NAME}",
            "fullName": f"{FAMILY} Regular",
            "version": VERSION,
            "psName": PS_NAME,
            "designer": source.font["name"].getDebugName(9),
            "description": (
                "Display font of the Harf Arabic typing tool: one pre-shaped glyph per "
                "8-bit glyph code, at U+F000+code, at the Latin-1 code point and at "
                "the Windows-1252 character of codes 0x80..0x9F. "
                "A modified version of Amiri " + AMIRI_VERSION[8:] + "."),
            "licenseDescription": source.font["name"].getDebugName(13),
            "licenseInfoURL": source.font["name"].getDebugName(14),
        },
        mac=False,
    )
    src_os2 = source.font["OS/2"]
    fb.setupOS2(
        version=4,
        achVendID="NONE",
        usWeightClass=400,
        fsType=0,
        fsSelection=0x40 | 0x80,  # REGULAR, USE_TYPO_METRICS
        sTypoAscender=ascent,
        sTypoDescender=descent,
        sTypoLineGap=0,
        usWinAscent=ascent,
        usWinDescent=-descent,
        sxHeight=src_os2.sxHeight,
        sCapHeight=src_os2.sCapHeight,
        usDefaultChar=0,
        usBreakChar=SPACE,
        usMaxContext=0,
        ulCodePageRange1=1,  # Latin 1
        ulCodePageRange2=0,
        usFirstCharIndex=min(cmap),
        usLastCharIndex=max(cmap),
    )
    fb.setupPost(
        underlinePosition=source.font["post"].underlinePosition,
        underlineThickness=source.font["post"].underlineThickness,
    )
    # Unhinted: ask for smoothing at every size.
    gasp = fb.font["gasp"] = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000F}
    return fb.font


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--amiri", help="path of Amiri-Regular.ttf")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                      "HarfStandIn.ttf"))
    args = parser.parse_args()
    font = build(Source(find_amiri(args.amiri)))
    font.save(args.out)
    print(f"{args.out}: {len(font.getGlyphOrder())} glyphs, {os.path.getsize(args.out)} bytes")


if __name__ == "__main__":
    main()
