#!/usr/bin/python3
"""Writes the stand-in display font as WOFF2 for the web page.

Usage: make_webfont.py IN.ttf OUT.woff2

The page needs only what it shows: the glyph codes at U+F000 + code (the line,
the text area and the key pictures), the dotted circle and the vowel marks of
the sign keys' pictures. The Latin-1 copies of the codes are left out, which
makes the file smaller; nothing else changes.
"""
import os
import sys
import tempfile

from fontTools import subset
from fontTools.ttLib import TTFont


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    source, target = sys.argv[1], sys.argv[2]
    font = TTFont(source)
    keep = sorted(cp for cp in font.getBestCmap() if cp >= 0x0600)
    options = subset.Options()
    options.flavor = "woff2"
    options.layout_features = []
    options.name_IDs = ["*"]
    options.notdef_outline = True
    options.hinting = False
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=keep + [0x20])
    subsetter.subset(font)
    # Written beside the target and renamed, so a failed run leaves no
    # half-written font behind.
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(os.path.abspath(target)), suffix=".woff2")
    os.close(fd)
    try:
        font.flavor = "woff2"
        font.save(tmp)
        os.chmod(tmp, 0o644)
        os.replace(tmp, target)
    except BaseException:
        os.unlink(tmp)
        raise
    return 0


if __name__ == "__main__":
    sys.exit(main())
