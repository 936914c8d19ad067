#!/usr/bin/python3
"""Writes a copy of a font under another family name, optionally with its
glyph codes mapped one way only and its outlines slanted.

The display-font tests stand such copies of the stand-in in for an installed
VarnelNormal. A real font of that kind maps its 8-bit glyph codes in one of
three ways, which --cmap reproduces with a single cmap subtable:

  symbol        cmap 3,0: code c at U+F000+c
  latin1        cmap 3,1: code c at U+00c
  windows-1252  cmap 3,1: as latin1, but bytes 0x80..0x9F at the characters
                Windows decodes them as (U+20AC for 0x80, ...); its five
                undefined bytes stay at U+0081, U+008D, U+008F, U+0090, U+009D

The codes are those the source maps at U+F000+c. --slant skews every outline
so a test can tell the copy from the stand-in it was made from. --drop leaves
the given codes out of the cmap, as in a font that covers no kind fully.

Usage: /usr/bin/python3 rename_font.py IN.ttf OUT.ttf FAMILY [--cmap KIND] [--slant DEGREES]
                                       [--drop CODE,CODE...]
"""

import argparse
import math
import os

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

PUA_BASE = 0xF000
KINDS = ("symbol", "latin1", "windows-1252")


def code_point(code, kind):
    """Where a font of this kind maps glyph code `code`."""
    if kind == "symbol":
        return PUA_BASE + code
    if kind == "windows-1252":
        try:
            return ord(bytes([code]).decode("cp1252"))
        except UnicodeDecodeError:
            pass  # an undefined byte: Windows keeps its Latin-1 code point
    return code


def rename(font, family):
    names = font["name"]
    for record in list(names.names):
        if record.nameID in (1, 16):
            names.setName(family, record.nameID, record.platformID, record.platEncID,
                          record.langID)
        elif record.nameID in (3, 4):
            names.setName(f"{family} Regular", record.nameID, record.platformID,
                          record.platEncID, record.langID)
        elif record.nameID == 6:
            names.setName(f"{family.replace(' ', '')}-Regular", record.nameID,
                          record.platformID, record.platEncID, record.langID)


def remap(font, kind, drop=()):
    """Replaces the cmap with one subtable holding only the glyph codes, less
    those in `drop`."""
    codes = {cp - PUA_BASE: glyph for cp, glyph in font.getBestCmap().items()
             if PUA_BASE <= cp <= PUA_BASE + 0xFF and cp - PUA_BASE not in drop}
    table = CmapSubtable.newSubtable(4)
    table.platformID = 3
    table.platEncID = 0 if kind == "symbol" else 1
    table.language = 0
    table.cmap = {code_point(code, kind): glyph for code, glyph in codes.items()}
    font["cmap"].tables = [table]
    os2 = font["OS/2"]
    # Code page bits: 31 is the symbol character set, 0 Latin 1.
    os2.ulCodePageRange1 = (1 << 31) if kind == "symbol" else 1
    os2.usFirstCharIndex = min(table.cmap)
    os2.usLastCharIndex = min(max(table.cmap), 0xFFFF)


def slant(font, degrees):
    """Skews every outline to the right by `degrees`, about the baseline."""
    shear = math.tan(math.radians(degrees))
    glyf, hmtx = font["glyf"], font["hmtx"]
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite():
            raise SystemExit(f"{name}: composite glyphs are not slanted")
        if not glyph.numberOfContours:
            continue
        glyph.coordinates.transform(((1, 0), (shear, 1)))
        glyph.recalcBounds(glyf)
        advance, _ = hmtx[name]
        hmtx[name] = (advance, glyph.xMin)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("family")
    parser.add_argument("--cmap", choices=KINDS, help="map the glyph codes this way only")
    parser.add_argument("--slant", type=float, default=0, help="skew the outlines (degrees)")
    parser.add_argument("--drop", default="", help="glyph codes to leave out (with --cmap)")
    args = parser.parse_args()
    drop = {int(code) for code in args.drop.split(",") if code}
    if drop and not args.cmap:
        parser.error("--drop needs --cmap")
    font = TTFont(args.source, recalcTimestamp=False)
    rename(font, args.family)
    if args.cmap:
        remap(font, args.cmap, drop)
    if args.slant:
        slant(font, args.slant)
    # Written beside the target and moved into place, so that a failed run
    # leaves no half-written font for the next build to take as up to date.
    partial = args.target + ".part"
    font.save(partial)
    os.replace(partial, args.target)


if __name__ == "__main__":
    main()
