#!/usr/bin/python3
"""Draws every glyph code of the tables, written as U+F000 + code, in the
stand-in font with HarfBuzz (hb-shape, hb-view) and Pango (pango-view), the
stand-in installed as a file font through a private fontconfig configuration,
and checks that each code comes out as a glyph of its own with ink: no missing
glyph, nothing hidden as a soft hyphen, no control character.

One line per code; each tool runs once over all of them.
- hb-shape: every line shapes to one glyph, not .notdef, with non-empty extents.
- hb-view and pango-view (SVG output): every line draws one glyph, the glyphs
  are all different and all have an outline, and nothing else is drawn (Pango
  draws a missing character as a framed hex box).

Usage: visible_glyphs_test.py HarfStandIn.ttf glyphs.tsv
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.dirname(os.path.abspath(sys.argv[2])))
from gen_tables import read_tables  # noqa: E402  (the path is set just above)

PUA_BASE = 0xF000
SPACE = 32
SVG = "{http://www.w3.org/2000/svg}"
XLINK_HREF = "{http://www.w3.org/1999/xlink}href"

failures = []


def table_codes(path):
    letters, ligatures = read_tables(path)
    codes = {c for l in letters for c in (l.iso, l.ini, l.med, l.fin) if c}
    codes |= {g.code for g in ligatures}
    codes.discard(SPACE)  # a space has no ink by design
    return sorted(codes)


def run(command, env=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env, check=False)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout


def check_shaping(font, text_file, codes):
    out = run(["hb-shape", f"--font-file={font}", "--no-glyph-names", "--show-extents",
               f"--text-file={text_file}"]).splitlines()
    if len(out) != len(codes):
        failures.append(f"hb-shape: {len(out)} lines for {len(codes)} codes")
        return
    for code, line in zip(codes, out):
        glyphs = re.findall(r"(\d+)=\d+\+-?\d+<(-?\d+),(-?\d+),(-?\d+),(-?\d+)>", line)
        if len(glyphs) != 1:
            failures.append(f"hb-shape: code {code} gives {line}")
            continue
        gid, _, _, width, height = (int(v) for v in glyphs[0])
        if gid == 0 or width == 0 or height == 0:
            failures.append(f"hb-shape: code {code} gives glyph {gid}, extents {width}x{height}")


def check_drawing(tool, svg_file, codes):
    root = ET.parse(svg_file).getroot()
    outlines = {}
    for symbol in root.iter(f"{SVG}symbol"):
        paths = symbol.findall(f"{SVG}path")
        outlines[symbol.get("id")] = any(p.get("d", "").strip() for p in paths)
    uses = [u.get(XLINK_HREF, "").lstrip("#") for u in root.iter(f"{SVG}use")]
    defs = {id(e) for d in root.iter(f"{SVG}defs") for e in d.iter()}
    strokes = [p for p in root.iter(f"{SVG}path")
               if id(p) not in defs and "stroke:none" not in p.get("style", "")]
    if len(uses) != len(codes):
        failures.append(f"{tool}: {len(uses)} glyphs drawn for {len(codes)} codes")
    if len(set(uses)) != len(uses):
        failures.append(f"{tool}: {len(uses) - len(set(uses))} codes share a glyph")
    blank = [code for code, use in zip(codes, uses) if not outlines.get(use)]
    if blank:
        failures.append(f"{tool}: codes {blank} are drawn without ink")
    if strokes:
        failures.append(f"{tool}: {len(strokes)} boxes drawn (missing glyphs)")


def main():
    font_path, data_path = sys.argv[1], sys.argv[2]
    codes = table_codes(data_path)
    family = TTFont(font_path)["name"].getDebugName(1)
    with tempfile.TemporaryDirectory() as tmp:
        fonts = os.path.join(tmp, "fonts")
        os.mkdir(fonts)
        shutil.copy(font_path, fonts)
        config = os.path.join(tmp, "fonts.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n'
                    f"<fontconfig><dir>{fonts}</dir><cachedir>{tmp}/cache</cachedir>"
                    "</fontconfig>\n")
        env = dict(os.environ, FONTCONFIG_FILE=config, HOME=tmp, XDG_CACHE_HOME=tmp)
        text = os.path.join(tmp, "codes.txt")
        with open(text, "w", encoding="utf-8") as f:
            f.write("".join(chr(PUA_BASE + code) + "\n" for code in codes))

        check_shaping(font_path, text, codes)
        hb_svg = os.path.join(tmp, "hb.svg")
        run(["hb-view", f"--font-file={font_path}", "--output-format=svg",
             f"--text-file={text}", f"--output-file={hb_svg}"])
        check_drawing("hb-view", hb_svg, codes)
        pango_svg = os.path.join(tmp, "pango.svg")
        run(["pango-view", "-q", f"--font={family} 30", f"--output={pango_svg}", text], env=env)
        check_drawing("pango-view", pango_svg, codes)

    for failure in failures:
        print(failure)
    print(f"{len(codes)} codes drawn by hb-view and pango-view, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
