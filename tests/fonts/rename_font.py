#!/usr/bin/python3
"""Writes a copy of a font under another family name.

The display-font tests use it to stand a renamed copy of the stand-in in for an
installed VarnelNormal, so that the choice of font can be seen to prefer it.

Usage: /usr/bin/python3 rename_font.py IN.ttf OUT.ttf FAMILY
"""

import sys

from fontTools.ttLib import TTFont


def main():
    source, target, family = sys.argv[1:4]
    font = TTFont(source, recalcTimestamp=False)
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
    font.save(target)


if __name__ == "__main__":
    main()
