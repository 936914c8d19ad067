#!/usr/bin/python3
"""Writes glyph_data.h, Harf's glyph and ligature tables, from glyphs.tsv.

Usage: /usr/bin/python3 gen_tables.py glyphs.tsv [--out glyph_data.h]

Without --out the header is written next to the data file. The output is
committed; the test tables.generated_up_to_date regenerates it and compares.
Other scripts import read_tables() to read the same data.
"""

import argparse
import os
import re
import sys

LETTER_COUNT = 86
SIGN_CARRIERS = 30  # DiacClass covers letter indexes 0..29
PLACEMENTS = {
    "standard": "Standard",
    "above-alternate": "AboveAlternate",
    "below-alternate-when-open": "BelowAlternateWhenOpen",
    "above-alternate-when-joined": "AboveAlternateWhenJoined",
}


class DataError(Exception):
    pass


class Letter:
    def __init__(self, index, identifier, forms, placement, unicode, drawn, name):
        self.index = index
        self.identifier = identifier
        self.iso, self.ini, self.med, self.fin = forms
        self.placement = placement
        self.unicode = unicode
        self.drawn = drawn
        self.name = name

    @property
    def kind(self):
        """The kind the reverse-table rule gives the row."""
        if not self.med and not self.ini:
            return "single"
        if not self.med:
            return "initial-only"
        if self.fin == self.med:
            return "two-glyph"
        return "four-form"


class Ligature:
    def __init__(self, code, m, n, name):
        self.code, self.m, self.n, self.name = code, m, n, name


def _code(text, where):
    if text == "-":
        return 0
    if not text.isdigit() or not 0 <= int(text) <= 255:
        raise DataError(f"{where}: {text!r} is no glyph code 0..255")
    return int(text)


def _code_point(text, where):
    if text == "-":
        return None
    if not re.fullmatch(r"U\+[0-9A-F]{4,6}", text):
        raise DataError(f"{where}: {text!r} is no code point U+XXXX")
    return int(text[2:], 16)


def read_tables(path):
    """(letters, ligatures) from the data file, checked."""
    letters, ligatures = [], []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            where = f"{path}:{number}"
            fields = line.split("\t")
            if fields[0] == "letter" and len(fields) == 11:
                index = int(fields[1])
                if index != len(letters):
                    raise DataError(f"{where}: letter {index} where {len(letters)} belongs")
                identifier = fields[2]
                if not re.fullmatch(r"k[A-Z][A-Za-z0-9]*", identifier):
                    raise DataError(f"{where}: {identifier!r} is no kName identifier")
                forms = tuple(_code(t, where) for t in fields[3:7])
                placement = fields[7]
                if index < SIGN_CARRIERS and placement not in PLACEMENTS:
                    raise DataError(f"{where}: letter {index} needs one of {sorted(PLACEMENTS)}")
                if index >= SIGN_CARRIERS and placement != "-":
                    raise DataError(f"{where}: only letters below {SIGN_CARRIERS} take signs")
                letters.append(Letter(index, identifier, forms, placement,
                                      _code_point(fields[8], where),
                                      _code_point(fields[9], where), fields[10]))
            elif fields[0] == "ligature" and len(fields) == 5:
                code, m, n = (_code(t, where) for t in fields[1:4])
                ligatures.append(Ligature(code, m, n, fields[4]))
            else:
                raise DataError(f"{where}: not a letter row of 11 fields or a ligature row of 5")
    if len(letters) != LETTER_COUNT:
        raise DataError(f"{path}: {len(letters)} letters, not {LETTER_COUNT}")
    if len({l.identifier for l in letters}) != len(letters):
        raise DataError(f"{path}: two letters share an identifier")
    if len({g.code for g in ligatures}) != len(ligatures):
        raise DataError(f"{path}: two ligatures share a code")
    if len({(g.m, g.n) for g in ligatures}) != len(ligatures):
        raise DataError(f"{path}: two ligatures share a pair")
    return letters, ligatures


def _cxx_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'



def _block(rows, indent):
    """Lines of (code, comment) with the comments aligned."""
    width = max(len(code) for code, _ in rows)
    return [f"{indent}{code:<{width}}  // {comment}" for code, comment in rows]


def _form_names(letters):
    """Glyph code -> "letter form" for the codes the letters use, first owner first."""
    names = {}
    for l in letters:
        if l.kind == "four-form":
            forms = (("isolated", l.iso), ("initial", l.ini), ("medial", l.med), ("final", l.fin))
        elif l.kind == "two-glyph":
            forms = (("free", l.iso), ("joined", l.fin))
        else:
            continue
        for form, code in forms:
            names.setdefault(code, f"{l.name} {form}")
    return names


def render(letters, ligatures, source_name):
    out = []
    w = out.append
    w(f"// generated by running gen_tables.py {source_name}; do not edit.")
    w("//")
    w(f"// The display font's encoding as data: {len(letters)} letters, "
      f"{len(ligatures)} ligatures.")
    w("#pragma once")
    w("")
    w("// clang-format off: the rows keep the layout the generator gives them.")
    w("")
    w("#include <array>")
    w("#include <string_view>")
    w("")
    w('#include "tables/glyph_types.h"')
    w("")
    w("namespace harf {")
    w("")
    w("// The letter indexes.")
    w("enum Letter : LetterIndex {")
    out += _block([(f"{l.identifier} = {l.index},", l.name) for l in letters], "  ")
    w("};")
    w("")
    w("namespace detail {")
    w("")
    w("// One row per letter index: iso, ini, med, fin; NoGlyph (0) where the letter")
    w("// has no such form.")
    w(f"inline constexpr std::array<LetterForms, {len(letters)}> kLetterForms = {{{{")
    out += _block([(f"{{{l.iso}, {l.ini}, {l.med}, {l.fin}}},", f"{l.index} {l.name}, {l.kind}")
                   for l in letters], "    ")
    w("}};")
    w("")
    w("}  // namespace detail")
    w("")
    carriers = [l for l in letters if l.index < SIGN_CARRIERS]
    w(f"// Where a vowel sign sits on its carrier; only letters 0..{len(carriers) - 1} have a class.")
    w(f"inline constexpr std::array<DiacPlacement, {len(carriers)}> DiacClass = {{")
    out += _block([(f"DiacPlacement::{PLACEMENTS[l.placement]},", f"{l.index} {l.name}")
                   for l in carriers], "    ")
    w("};")
    w("")
    w("// The code point each letter stands for in Unicode text, or kNoCodePoint.")
    w(f"inline constexpr std::array<char32_t, {len(letters)}> kCodePointOf = {{")
    out += _block([("kNoCodePoint," if l.unicode is None else f"0x{l.unicode:04X},",
                    f"{l.index} {l.name}") for l in letters], "    ")
    w("};")
    w("")
    w("// The name a key's tooltip gives each letter.")
    w(f"inline constexpr std::array<std::string_view, {len(letters)}> kLetterNames = {{")
    out += _block([(f"{_cxx_string(l.name)},", str(l.index)) for l in letters], "    ")
    w("};")
    w("")
    forms = _form_names(letters)
    w("// The ligature glyph of each pair of glyphs: code, earlier glyph M, later")
    w("// glyph N (in reading order).")
    w(f"inline constexpr std::array<Ligature, {len(ligatures)}> kLigatures = {{{{")
    out += _block([(f"{{{g.code}, {g.m}, {g.n}}},",
                    f"{g.name}: {forms.get(g.m, g.m)}, {forms.get(g.n, g.n)}")
                   for g in ligatures], "    ")
    w("}};")
    w("")
    w("}  // namespace harf")
    w("")
    w("// clang-format on")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("data", help="glyphs.tsv")
    parser.add_argument("--out", help="where to write the header (default: glyph_data.h "
                                      "beside the data file)")
    args = parser.parse_args()
    try:
        letters, ligatures = read_tables(args.data)
    except (DataError, OSError, ValueError) as e:
        sys.exit(f"gen_tables.py: {e}")
    out = args.out or os.path.join(os.path.dirname(os.path.abspath(args.data)), "glyph_data.h")
    text = render(letters, ligatures, os.path.basename(args.data))
    tmp = out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
