#!/usr/bin/python3
"""harf-convert on web pages written the way they were around 2000: the text
Chromium renders from each converted page equals the page's own Unicode
words, the page is UTF-8 and says so, converted text is marked right to left;
a round trip through the legacy font renders the same text again; a file
that is not text is refused with nothing written.

usage: html_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import html
import json
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402

PHRASES = ["بسم الله الرحمن الرحيم", "مستشفى", "شمس وحياة خضراء", "صندوق نص", "ضحى الخميس",
           "قلم أحمر", "مكتبة الجامعة"]

# Pages: (name, encoding of the file, kind of its legacy text, template).
# {N} is phrase N in the legacy font; {N:a:b} its glyphs a..b only (a bold
# letter inside a word). Expected: the same template with the Unicode words
# and the tags removed, compared with runs of white space as one space.
PAGES = [
    ("1998.htm", "cp1252", "windows-1252", """<HTML><HEAD><TITLE>Rundbrief 1998</TITLE>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=windows-1252">
</HEAD><BODY BGCOLOR=#FFFFFF>
<H2>Gr\u00fc\u00dfe \u201eaus\u201c Berlin</H2>
<P>Das Motto lautet: <FONT FACE="VarnelNormal" SIZE=4>{0}</FONT> und gilt.
<P><FONT FACE="VarnelNormal">{1:0:2}</FONT><B><FONT FACE="VarnelNormal">{1:2:3}</FONT></B><FONT FACE="VarnelNormal">{1:3:}</FONT>
<TABLE BORDER=1>
<TR><TD><FONT FACE="VarnelNormal">{2}</FONT><TD>Sonne
<TR><TD><FONT FACE=VarnelNormal>{3}</FONT><TD>Kiste
</TABLE>
<P>Ende.
</BODY></HTML>
"""),
    ("2003.html", "utf-8", "symbol", """<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<html><head><meta charset="utf-8"><title>Bibliothek</title>
<style type="text/css">
/* die arabische Schrift */
.arabisch {{ font-family: "VarnelNormal", serif; font-size: 16pt }}
p.note {{ color: #333 }}
</style></head><body>
<p class="note">Neu im Katalog:</p>
<p class="arabisch">{4}</p>
<div>Preis: <span style="font-family:VarnelNormal;color:red">{5}</span> (neu)</div>
<p class=arabisch>{6}<br>{0}</p>
</body></html>
"""),
    ("ohne.htm", "latin1", "latin1", """<html><body>
<font face="varnelnormal">
{2}<br>
{4}
</font>
<p>Zeile ohne Arabisch
</body></html>
"""),
]


def fill(template, legacy, unicode):
    def legacy_piece(m):
        i = int(m.group(1))
        if m.group(2) is None:
            return html.escape(legacy[i], quote=False)
        a = int(m.group(2))
        b = int(m.group(3)) if m.group(3) else None
        return html.escape(legacy[i][a:b], quote=False)

    def unicode_piece(m):
        return "" if m.group(2) not in (None, "0") else unicode[int(m.group(1))]

    pattern = r"\{(\d):?(\d+)?:?(\d+)?\}"
    page = re.sub(pattern, legacy_piece, template).replace("{{", "{").replace("}}", "}")
    text = re.sub(pattern, unicode_piece, template)
    text = re.sub(r"(?s)<head>.*?</head>|<[^>]*>", " ", text, flags=re.I)
    return page, normal(html.unescape(text))


def to_bytes(page, encoding):
    """A byte-encoded page holds its legacy text as the glyph codes' bytes,
    the five bytes Windows-1252 leaves undefined included."""
    if encoding == "utf-8":
        return page.encode("utf-8")
    out = bytearray()
    for ch in page:
        try:
            out += ch.encode(encoding)
        except UnicodeEncodeError:
            out.append(ord(ch))  # U+0081 and the like: the byte itself
    return bytes(out)


def normal(text):
    return re.sub(r"\s+", " ", text).strip()


def rendered(path, work):
    """The page's text as Chromium renders it (innerText)."""
    probe = os.path.join(work, "probe-" + os.path.basename(path))
    with open(path, "rb") as f:
        data = f.read()
    with open(probe, "wb") as f:
        f.write(data + b"<script>document.title = JSON.stringify(document.body.innerText)"
                       b"</script>")
    dom = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                          "--user-data-dir=" + os.path.join(work, "chromium"),
                          "--dump-dom", "file://" + probe],
                         capture_output=True, timeout=120, text=True).stdout
    title = re.search(r"(?s)<title>(.*?)</title>", dom)
    return normal(json.loads(html.unescape(title.group(1)))) if title else "(no page)"


def run(convert, *args):
    return subprocess.run([convert, *args], capture_output=True, text=True, timeout=120)


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    codes = office.shape(shape, PHRASES)
    failed = 0
    for name, encoding, kind, template in PAGES:
        legacy = [office.encode(c, kind) for c in codes]
        page, expected = fill(template, legacy, PHRASES)
        path = os.path.join(work, name)
        with open(path, "wb") as f:
            f.write(to_bytes(page, encoding))
        stem, ext = os.path.splitext(path)
        result = run(convert, path)
        back = run(convert, "--to", "legacy", stem + ".unicode" + ext)
        again = run(convert, stem + ".unicode.legacy" + ext)
        if result.returncode or back.returncode or again.returncode:
            print("%s: conversion failed: %s%s%s" % (name, result.stderr, back.stderr,
                                                     again.stderr))
            failed += 1
            continue
        with open(stem + ".unicode" + ext, "rb") as f:
            out = f.read().decode("utf-8")  # fails the test when it is not UTF-8
        if not re.search(r'charset="?utf-8', out, re.I) or re.search(
                r"charset=\"?(windows-1252|iso-8859-1)", out, re.I):
            print("%s: the output does not declare UTF-8 alone" % name)
            failed += 1
        if 'dir="rtl"' not in out or 'lang="ar"' not in out or "Amiri" not in out or \
                re.search("varnelnormal", out, re.I):
            print("%s: converted text not marked rtl/ar in the Unicode font:\n%s" % (name, out))
            failed += 1
        for label, file in (("converted", ".unicode"), ("round trip", ".unicode.legacy.unicode")):
            got = rendered(stem + file + ext, work)
            if got != expected:
                print("%s %s:\n  expected %s\n  rendered %s" % (name, label, expected, got))
                failed += 1
            else:
                print("%s %s: %d characters rendered right" % (name, label, len(got)))
        # The legacy page renders no Arabic: every word went into the font.
        legacy_text = rendered(stem + ".unicode.legacy" + ext, work)
        if re.search("[\u0600-\u06ff]", legacy_text):
            print("%s: Arabic left after --to legacy: %s" % (name, legacy_text))
            failed += 1

    # Not text: one line, exit 2, nothing written.
    binary = os.path.join(work, "bild.html")
    with open(binary, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR" + bytes(range(256)) * 4)
    target = os.path.join(work, "bild.out.html")
    result = run(convert, "-o", target, binary)
    lines = [l for l in result.stderr.splitlines() if "1 file," not in l]
    if result.returncode != 2 or len(lines) != 1 or "bild.html" not in lines[0] or \
            os.path.exists(target):
        print("binary page: expected one line, exit 2, nothing written; got %d:\n%s"
              % (result.returncode, result.stderr))
        failed += 1
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    import readers  # noqa: E402
    readers.require("chromium")
    main()
