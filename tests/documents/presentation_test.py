#!/usr/bin/python3
"""harf-convert on presentations LibreOffice made from a flat presentation:
legacy runs in text frames on two slides (beside German text, a bold letter
inside a word, several paragraphs in one frame), printed by LibreOffice to
PDF after conversion and after a round trip through the legacy font: the
PDF's text holds every Unicode phrase and the German text; paragraphs that
became all Arabic are right to left. The same for .odp, and one way for .ppt. A slide with a DTD,
a file that is no presentation and a .pptx named .odp are refused with
nothing written.

usage: presentation_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import office_sources as office  # noqa: E402

PHRASES = ["بسم الله الرحمن الرحيم", "مستشفى", "شمس وحياة خضراء", "صندوق نص", "قلم أحمر"]


def deck(codes):
    w = [office.encode(c, "windows-1252") for c in codes]
    s = [office.encode(c, "symbol") for c in codes]
    m = w[1]
    slides = [
        [[[(False, "Titel: "), (True, w[0])]],
         [[(True, m[:3]), ("bold", m[3:4]), (True, m[4:])], [(True, s[2])]]],
        [[[(False, "Nur Deutsch")], [(True, s[3])]],
         [[(True, w[4]), (False, " und rot")]]],
    ]
    return slides


def pdf_text(pdf):
    text = subprocess.run(["pdftotext", "-enc", "UTF-8", pdf, "-"], check=True,
                          capture_output=True, text=True).stdout
    text = re.sub("[\u202a-\u202e\u200e\u200f]", "", text)
    return re.sub(r"\s+", " ", text)


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    codes = office.shape(shape, PHRASES)
    src = os.path.join(work, "deck.fodp")
    with open(src, "w", encoding="utf-8") as f:
        f.write(office.fodp(deck(codes)))
    results = []
    for ext in ("pptx", "odp"):
        # A source per kind, so that their PDFs get names of their own.
        stem = os.path.join(work, "deck-" + ext)
        shutil.copy(src, stem + ".fodp")
        office.soffice(work, ext, work, [stem + ".fodp"])
        for args in ([stem + "." + ext], ["--to", "legacy", stem + ".unicode." + ext],
                     [stem + ".unicode.legacy." + ext]):
            result = subprocess.run([convert, *args], capture_output=True, text=True,
                                    timeout=120)
            if result.returncode != 0:
                print("%s: exit %d: %s" % (args, result.returncode, result.stderr))
                sys.exit(1)
        results += [stem + ".unicode." + ext, stem + ".unicode.legacy.unicode." + ext]
    pptx = os.path.join(work, "deck-pptx.pptx")
    # .ppt goes through LibreOffice inside harf-convert: one way is enough.
    shutil.copy(src, os.path.join(work, "deck-ppt.fodp"))
    office.soffice(work, "ppt", work, [os.path.join(work, "deck-ppt.fodp")])
    result = subprocess.run([convert, os.path.join(work, "deck-ppt.ppt")], capture_output=True,
                            text=True, timeout=300)
    if result.returncode != 0:
        print("deck-ppt.ppt: exit %d: %s" % (result.returncode, result.stderr))
        sys.exit(1)
    results.append(os.path.join(work, "deck-ppt.unicode.ppt"))
    office.soffice(work, "pdf", work, results)
    failed = 0
    for path in results:
        text = pdf_text(os.path.splitext(path)[0] + ".pdf")
        missing = [p for p in PHRASES + ["Titel:", "Nur Deutsch", "und rot"] if p not in text]
        if missing:
            print("%s: missing %s in the PDF text:\n%s" % (path, missing, text))
            failed += 1
        else:
            print("%s: %d phrases printed" % (os.path.basename(path), len(PHRASES) + 3))
    # Right to left: the paragraphs that are all Arabic now, and no other.
    with zipfile.ZipFile(results[0]) as z:
        slide = z.read("ppt/slides/slide1.xml").decode()
    paragraphs = re.findall(r"<a:p>.*?</a:p>", slide, re.S)
    for para in paragraphs:
        arabic_only = re.search("[\u0600-\u06ff]", para) and "Titel" not in para
        if bool(arabic_only) != ('rtl="1"' in para):
            print("slide 1: right-to-left marking wrong in %s" % para)
            failed += 1

    hostile = os.path.join(work, "dtd.pptx")
    with zipfile.ZipFile(pptx) as z, zipfile.ZipFile(hostile, "w", zipfile.ZIP_DEFLATED) as h:
        for item in z.infolist():
            data = z.read(item.filename)
            if item.filename == "ppt/slides/slide1.xml":
                data = data.replace(b"?>", b'?><!DOCTYPE p:sld [<!ENTITY a "aaaa">]>', 1)
            h.writestr(item, data)
    fake = os.path.join(work, "fake.pptx")
    shutil.copy(src, fake)  # a flat presentation is XML, not a package
    other = os.path.join(work, "other.odp")
    shutil.copy(pptx, other)
    for bad in (hostile, fake, other):
        target = os.path.join(work, "refused" + os.path.splitext(bad)[1])
        result = subprocess.run([convert, "-o", target, bad], capture_output=True, text=True,
                                timeout=60)
        lines = [l for l in result.stderr.splitlines() if "1 file," not in l]
        if result.returncode != 2 or len(lines) != 1 or os.path.exists(target):
            print("%s: expected one line, exit 2, nothing written; got %d:\n%s"
                  % (bad, result.returncode, result.stderr))
            failed += 1
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    import readers  # noqa: E402
    readers.require("soffice", "pdftotext")
    main()
