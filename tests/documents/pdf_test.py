#!/usr/bin/python3
"""harf-convert on PDFs: LibreOffice prints documents whose legacy runs are
set in the stand-in renamed VarnelNormal, embedded, in each of the three
kinds (its PDFs carry ToUnicode maps with the kind's characters); a PDF
written here draws the same text with the font's own codes and no ToUnicode
map, as older producers did. Every one must read back as the Unicode words
the legacy text was typed from, line by line and page by page. Damaged,
encrypted and foreign files are refused with nothing written.

usage: pdf_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402

# Words with sin, shin, sad, dad, hha and kha use the codes 128..159, where
# the kinds differ and where WinAnsi merges five codes into one bullet.
PHRASES = ["بسم الله الرحمن الرحيم", "شمس وحياة خضراء", "صندوق نص", "مستشفى",
           "ضحى الخميس", "قلم أحمر", "مكتبة الجامعة"]


def document(codes, kind):
    """Pages of (is_legacy, text) pieces and the lines expected of them."""
    leg = [office.encode(c, kind) for c in codes]
    pages = [
        [[(False, "Seite eins: "), (True, leg[0]), (False, "Ende")],
         [(True, leg[1])],
         [(False, "Nur Deutsch hier.")],
         [(True, leg[2]), (False, " und "), (True, leg[3])]],
        [[(True, leg[4])],
         [(False, "Zweite Seite: "), (True, leg[5])]],
        [[(True, leg[6])]],
    ]
    expected = [
        ["Seite eins: %s Ende" % PHRASES[0], PHRASES[1], "Nur Deutsch hier.",
         "%s und %s" % (PHRASES[2], PHRASES[3])],
        [PHRASES[4], "Zweite Seite: " + PHRASES[5]],
        [PHRASES[6]],
    ]
    return pages, expected


def normal(text):
    """Pages of lines, runs of spaces as one, empty lines dropped."""
    return [[re.sub(" +", " ", line).strip() for line in page.split("\n") if line.strip()]
            for page in text.split("\f")]


def run(convert, *args):
    return subprocess.run([convert, *args], capture_output=True, text=True, timeout=300)


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    codes = office.shape(shape, PHRASES)
    pdfs = {}
    failed = 0

    for kind in office.KINDS:
        env, font = office.install_font(work, kind)
        pages, expected = document(codes, kind)
        src = os.path.join(work, "office-%s.fodt" % kind)
        with open(src, "w", encoding="utf-8") as f:
            f.write(office.fodt([[p for p in page] for page in pages]))
        sources = [src]
        if kind == "windows-1252":
            # The same document, locked with a password, for the refusals below.
            locked = os.path.join(work, "locked.fodt")
            shutil.copy(src, locked)
            office.soffice(work, 'pdf:writer_pdf_Export:{"EncryptFile":{"type":"boolean",'
                           '"value":"true"},"DocumentOpenPassword":{"type":"string",'
                           '"value":"secret"}}', work, [locked], env)
        office.soffice(work, "pdf", work, sources, env)
        pdfs["office-%s.pdf" % kind] = expected
        if kind != "latin1":
            # Latin-1 glyph codes 0x80..0x9F have no WinAnsi name: older
            # producers wrote such fonts as symbol fonts.
            raw = os.path.join(work, "raw-%s.pdf" % kind)
            layout = os.path.join(work, "raw-%s.json" % kind)
            with open(layout, "w", encoding="utf-8") as f:
                json.dump([[[["legacy" if legacy else "latin",
                              list(codes[leg_index(kind, t, codes)]) if legacy else t]
                             for legacy, t in line] for line in page] for page in pages], f)
            subprocess.run(["/usr/bin/python3", os.path.join(office.HERE, "raw_code_pdf.py"),
                            font, kind, raw, layout], check=True)
            pdfs["raw-%s.pdf" % kind] = expected

    # The fonts really are embedded, and only the printed PDFs map to Unicode.
    for name in pdfs:
        fonts = subprocess.run(["pdffonts", os.path.join(work, name)], check=True,
                               capture_output=True, text=True).stdout
        row = next((r for r in fonts.splitlines() if "VarnelNormal" in r), "")
        if not row or row.split()[-5] != "yes" or \
                row.split()[-3] != ("yes" if name.startswith("office") else "no"):
            print("%s: the legacy font is not embedded as planned:\n%s" % (name, fonts))
            failed += 1

    out = os.path.join(work, "out")
    os.makedirs(out)
    result = run(convert, "--out-dir", out, *[os.path.join(work, n) for n in pdfs])
    if result.returncode != 0:
        print("batch failed (%d): %s" % (result.returncode, result.stderr))
        failed += 1
    for name, expected in pdfs.items():
        path = os.path.join(out, name[:-4] + ".unicode.txt")
        if not os.path.exists(path):
            print("%s: no output" % name)
            failed += 1
            continue
        with open(path, encoding="utf-8") as f:
            got = normal(f.read())
        if got != expected:
            print("%s:\n  expected %s\n  got      %s" % (name, expected, got))
            failed += 1
        else:
            print("%s: %d pages, %d lines right" % (name, len(got), sum(map(len, got))))

    # Refusals: one line naming the file, exit 2, nothing written.
    good = os.path.join(work, "office-latin1.pdf")
    with open(good, "rb") as f:
        data = f.read()
    bad = {
        "truncated.pdf": data[:len(data) * 3 // 5],
        "no-tail.pdf": data[:-300],
        "text.pdf": "Ein Brief, kein PDF.\n".encode() * 20,
        "empty.pdf": b"",
    }
    for name, content in bad.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(content)
    cases = [(name, []) for name in bad] + [("locked.pdf", []),
                                            ("office-latin1.pdf", ["--to", "legacy"])]
    for name, options in cases:
        target = os.path.join(work, "refused.txt")
        result = run(convert, "-o", target, *options, os.path.join(work, name))
        lines = [l for l in result.stderr.splitlines() if not l.startswith("harf-convert: 1 file")]
        if result.returncode != 2 or len(lines) != 1 or name not in lines[0] or \
                os.path.exists(target):
            print("%s %s: expected one line and exit 2, nothing written; got %d:\n%s"
                  % (name, options, result.returncode, result.stderr))
            failed += 1
    print("%d refusals checked" % len(cases))
    sys.exit(1 if failed else 0)


def leg_index(kind, text, codes):
    """Which phrase's codes a legacy piece holds."""
    return [office.encode(c, kind) for c in codes].index(text)


if __name__ == "__main__":
    import readers  # noqa: E402
    readers.require("soffice", "pdffonts")
    main()
