#!/usr/bin/python3
"""harf-convert on the web pages of html_pages.txt, one page a line. Pages
in the legacy font: Chromium renders the converted page and the page after a
round trip through the legacy font as the Unicode words they were typed
from. Pages written in Unicode with Latin around the Arabic: to the legacy
font, only the Arabic goes into elements set in the legacy font, the Latin
stays outside them, and back to Unicode Chromium renders the page's text.

usage: html_pages_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import html
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402
from html_test import fill, normal, rendered, run, to_bytes  # noqa: E402

PHRASES = ["بسم الله الرحمن الرحيم", "مستشفى", "شمس وحياة خضراء", "صندوق نص", "ضحى الخميس",
           "قلم أحمر", "مكتبة الجامعة"]
# What a file of each declared charset is written in; none: Latin-1 as read
# by browsers, that is Windows-1252.
FILE_ENCODING = {"windows-1252": "cp1252", "iso-8859-1": "cp1252", "utf-8": "utf-8"}
LEGACY_SPAN = re.compile(r'(?is)<span style="font-family: VarnelNormal" dir="ltr">.*?</span>')


def cases():
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "html_pages.txt"),
              encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                yield line.rstrip("\n").split("\t")


def page_of(charset, body):
    how, _, name = charset.partition(":")
    head = {"http-equiv": '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=%s">',
            "meta": '<meta charset="%s">', "none": ""}[how]
    head = head % name if "%s" in head else head
    return ("<HTML><HEAD><TITLE>Seite</TITLE>%s</HEAD><BODY BGCOLOR=#FFFFFF>\n%s\n</BODY></HTML>\n"
            % (head, body), FILE_ENCODING.get(name, "cp1252"))


def check(convert, work, name, charset, kind, body, codes):
    source = re.sub(r"\{u(\d)\}", lambda m: PHRASES[int(m.group(1))], body)
    legacy = [office.encode(c, "windows-1252" if kind == "unicode" else kind) for c in codes]
    page, encoding = page_of(charset, source)
    # A <style> block in the body is no text of the page.
    _, expected = fill(re.sub(r"(?is)<style.*?</style>", "", page), legacy, PHRASES)
    page, _ = fill(page, legacy, PHRASES)
    path = os.path.join(work, name + ".htm")
    with open(path, "wb") as f:
        f.write(to_bytes(page, encoding))
    stem = path[:-4]
    steps = ([[path], ["--to", "legacy", stem + ".unicode.htm"], [stem + ".unicode.legacy.htm"]]
             if kind != "unicode" else [["--to", "legacy", path], [stem + ".legacy.htm"]])
    for args in steps:
        result = run(convert, *args)
        if result.returncode:
            return ["%s: %s failed: %s" % (name, args, result.stderr)]
    faults = []
    if kind == "unicode":
        with open(stem + ".legacy.htm", encoding="utf-8") as f:
            legacy_page = f.read()
        # The Latin of each line stays outside the legacy font's elements.
        latin = re.findall(r"[A-Za-z\u00c0-\u00ff][A-Za-z\u00c0-\u00ff.]*",
                           html.unescape(re.sub(r"<[^>]*>", " ", source)))
        outside = html.unescape(LEGACY_SPAN.sub(" ", legacy_page))
        faults += ["%s: %r not outside the legacy elements" % (name, w) for w in latin
                   if w not in outside]
        if re.search("[\u0600-\u06ff]", outside):
            faults.append("%s: Arabic left outside the legacy elements" % name)
        results = [stem + ".legacy.unicode.htm"]
    else:
        results = [stem + ".unicode.htm", stem + ".unicode.legacy.unicode.htm"]
    for result in results:
        got = rendered(result, work)
        if got != normal(expected):
            faults.append("%s: expected %s\n  rendered %s" % (os.path.basename(result),
                                                             normal(expected), got))
    return faults


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    codes = office.shape(shape, PHRASES)
    failed = 0
    for name, charset, kind, body in cases():
        faults = check(convert, work, name, charset, kind, body, codes)
        print("\n".join(faults) if faults else "%s: right" % name)
        failed += bool(faults)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
