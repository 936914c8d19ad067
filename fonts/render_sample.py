#!/usr/bin/python3
"""Renders sample.png: lines of glyph codes set in the stand-in display font,
the way Harf's text boxes show them.

A line holds its glyph codes in display order, left to right: a word is stored
from the final form of its last letter to the initial form of its first, and a
vowel sign (code 74) stands directly left of the letter that carries it. The
renderer draws each code's glyph at U+F000+code with no shaping at all.

Usage: /usr/bin/python3 render_sample.py [--font HarfStandIn.ttf] [--out sample.png]
Needs python3-pil; labels use DejaVu Sans (fonts-dejavu-core) when present.
"""

import argparse
import os

from PIL import Image, ImageDraw, ImageFont

from make_standin_font import LIGATURES  # every ligature: (code, earlier glyph, later glyph)

HERE = os.path.dirname(os.path.abspath(__file__))
LABEL_FONTS = ["/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"]

def line(*words):
    """A line of words given in reading order, each word as its glyph codes in
    display order, as the line box would hold it."""
    codes = []
    for word in reversed(words):
        codes += word + [32]
    return codes[:-1]


# Samples as (label, codes in display order).
LINES = [
    ("ba: isolated, initial, medial, final", [107, 32, 32, 106, 32, 32, 105, 32, 32, 108]),
    ("ba ba ba", [107, 106, 105]),
    ("lam-alif: alone, after ba, with hamza", line([252], [253, 105], [254], [255, 105])),
    ("as-salamu alaykum", line([226, 253, 142, 219, 97], [225, 216, 238, 220, 199])),
    ("bismi llahi r-rahmani r-rahim",
     line([225, 142, 105], [233, 220, 219, 97], [229, 187, 138, 219, 97],
          [225, 238, 121, 138, 219, 97])),
    ("muhammad, kitab, at-talib", line([134, 224, 170], [108, 98, 110, 215],
                                      [107, 98, 159, 219, 97])),
    ("kataba, with a vowel sign on each letter", [74, 107, 74, 110, 74, 215]),
    ("digits 2024, punctuation", line([82, 80, 82, 84], [95], [76], [91], [65], [78])),
]

# The key pictures' glyphs, at their own code points: a dotted circle followed
# by each mark (fathatan, dammatan, kasratan, fatha, damma, kasra, shadda,
# sukun, superscript alif), the mark drawn over the circle before it.
PICTURE_MARKS = [0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x0651, 0x0652, 0x0670]
PICTURES = "  ".join("\u25CC" + chr(mark) for mark in PICTURE_MARKS)


SIZE = 40  # pixels to the em
WIDTH = 1100
MARGIN = 20
COLUMNS = 9


def text(codes):
    return "".join(chr(0xF000 + c) for c in codes)


def label_font(size):
    for path in LABEL_FONTS:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--font", default=os.path.join(HERE, "HarfStandIn.ttf"))
    parser.add_argument("--out", default=os.path.join(HERE, "sample.png"))
    args = parser.parse_args()

    arabic = ImageFont.truetype(args.font, SIZE, layout_engine=ImageFont.Layout.BASIC)
    small = ImageFont.truetype(args.font, SIZE * 2 // 3, layout_engine=ImageFont.Layout.BASIC)
    labels = label_font(14)
    ascent, descent = arabic.getmetrics()
    line_height = ascent + descent + 8
    small_ascent, small_descent = small.getmetrics()
    cell_height = line_height + 16 + small_ascent + small_descent + 12
    rows = (len(LIGATURES) + COLUMNS - 1) // COLUMNS
    height = MARGIN * 2 + 30 + (len(LINES) + 1) * line_height + 30 + rows * cell_height

    image = Image.new("L", (WIDTH, height), 255)
    draw = ImageDraw.Draw(image)
    y = MARGIN
    draw.text((MARGIN, y), "Harf Stand-in: glyph codes as stored, drawn left to right",
              font=labels, fill=0)
    y += 30
    for label, codes in LINES:
        draw.text((MARGIN, y + ascent - 14), label, font=labels, fill=90)
        draw.text((WIDTH - MARGIN, y), text(codes), font=arabic, fill=0, anchor="ra")
        y += line_height
    draw.text((MARGIN, y + ascent - 14), "key pictures: dotted circle and mark", font=labels,
              fill=90)
    draw.text((WIDTH - MARGIN, y), PICTURES, font=arabic, fill=0, anchor="ra")
    y += line_height

    y += 10
    draw.text((MARGIN, y), "Every ligature, with its code and the two glyphs it replaces",
              font=labels, fill=0)
    y += 20
    cell_width = (WIDTH - 2 * MARGIN) // COLUMNS
    for i, (code, m, n) in enumerate(LIGATURES):
        x = WIDTH - MARGIN - (i % COLUMNS) * cell_width  # right to left, as Arabic reads
        top = y + (i // COLUMNS) * cell_height
        centre = x - cell_width // 2
        draw.text((centre, top), text([code]), font=arabic, fill=0, anchor="ma")
        draw.text((centre, top + line_height), f"{code}", font=labels, fill=90, anchor="ma")
        draw.text((centre, top + line_height + 16), text([n, m]), font=small, fill=120,
                  anchor="ma")
    image.save(args.out, optimize=True)
    print(f"{args.out}: {image.size[0]}x{image.size[1]}")


if __name__ == "__main__":
    main()
