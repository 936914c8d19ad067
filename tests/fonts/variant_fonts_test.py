#!/usr/bin/python3
"""Checks the character maps of the stand-in font and of its three VarnelNormal
variants against the glyph tables and the published Windows-1252 table.

- The stand-in maps every code the tables write at U+F000+code, at the Latin-1
  code point and, for bytes 0x80..0x9F, at the Windows-1252 character, all to
  one glyph per code, and maps no control character below U+0020.
- Each variant is named VarnelNormal, has one cmap subtable of its kind and maps
  exactly the stand-in's codes at its kind's code points, each to the
  stand-in's glyph with its outline changed.

Usage: variant_fonts_test.py STANDIN.ttf VARIANT.ttf...  (a variant's kind is
the last part of its file name: VarnelNormal-symbol.ttf, -latin1, -windows-1252)
"""

import os
import sys

from fontTools.ttLib import TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, os.pardir, os.pardir)
sys.path.insert(0, os.path.join(ROOT, "src", "tables"))
from gen_tables import read_tables  # noqa: E402  (the path is set just above)

PUA_BASE = 0xF000
SPACE = 32
# (platform, encoding) of the one cmap subtable each kind has.
SUBTABLE = {"symbol": (3, 0), "latin1": (3, 1), "windows-1252": (3, 1)}

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def table_codes():
    letters, ligatures = read_tables(os.path.join(ROOT, "src", "tables", "glyphs.tsv"))
    codes = {c for l in letters for c in (l.iso, l.ini, l.med, l.fin) if c}
    return codes | {g.code for g in ligatures}


def windows_1252():
    """Byte -> code point, from the published table in tests/data."""
    table = {}
    with open(os.path.join(ROOT, "tests", "data", "windows-1252.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            byte, cp = line.split("\t")[:2]
            table[int(byte, 16)] = int(cp[2:], 16)
    return table


def code_point(code, kind, cp1252):
    if kind == "symbol":
        return PUA_BASE + code
    if kind == "windows-1252":
        return cp1252[code]
    return code


def check_standin(path, codes, cp1252):
    font = TTFont(path)
    cmap = font.getBestCmap()
    for code in sorted(codes):
        glyph = cmap.get(PUA_BASE + code)
        check(glyph is not None, f"stand-in: code {code} has no glyph at U+{PUA_BASE + code:04X}")
        for kind in ("latin1", "windows-1252"):
            cp = code_point(code, kind, cp1252)
            check(cmap.get(cp) == glyph,
                  f"stand-in: U+{cp:04X} ({kind} of code {code}) is {cmap.get(cp)}, not {glyph}")
    controls = sorted(cp for cp in cmap if cp < SPACE)
    check(not controls, f"stand-in maps control characters {controls}")


def outline(font, glyph):
    g = font["glyf"][glyph]
    return list(g.coordinates) if g.numberOfContours else []


def check_variant(path, standin, cp1252):
    kind = os.path.splitext(os.path.basename(path))[0].split("-", 1)[1]
    name = os.path.basename(path)
    font = TTFont(path)
    check(font["name"].getDebugName(1) == "VarnelNormal", f"{name}: family is not VarnelNormal")
    subtables = [(t.platformID, t.platEncID) for t in font["cmap"].tables]
    check(subtables == [SUBTABLE[kind]], f"{name}: cmap subtables {subtables}")
    cmap = font["cmap"].tables[0].cmap
    source = {cp - PUA_BASE: g for cp, g in standin.getBestCmap().items()
              if PUA_BASE <= cp <= PUA_BASE + 0xFF}
    expected = {code_point(code, kind, cp1252): glyph for code, glyph in source.items()}
    check(set(cmap) == set(expected),
          f"{name}: maps {sorted(set(cmap) - set(expected))} and lacks "
          f"{sorted(set(expected) - set(cmap))}")
    changed = 0
    for cp, glyph in expected.items():
        if cmap.get(cp) != glyph:
            failures.append(f"{name}: U+{cp:04X} is {cmap.get(cp)}, not {glyph}")
            continue
        before, after = outline(standin, glyph), outline(font, glyph)
        check(len(before) == len(after), f"{name}: {glyph} lost or gained points")
        changed += before != after
    inked = sum(1 for g in set(expected.values()) if outline(standin, g))
    check(changed >= inked, f"{name}: only {changed} of {inked} inked glyphs differ from "
                            "the stand-in's")


def main():
    standin_path, variants = sys.argv[1], sys.argv[2:]
    codes, cp1252 = table_codes(), windows_1252()
    check_standin(standin_path, codes, cp1252)
    standin = TTFont(standin_path)
    for path in variants:
        check_variant(path, standin, cp1252)
    for failure in failures:
        print(failure)
    print(f"{len(variants)} variants and the stand-in checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
