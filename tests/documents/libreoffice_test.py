#!/usr/bin/python3
"""A real reader: LibreOffice opens the converted letters (.docx, .odt, and a
.rtf and a .doc converted through LibreOffice itself) and prints them to PDF in one
call; the text of each PDF holds the expected Arabic, set in the Unicode font.

usage: libreoffice_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    convert, shape, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    profile = "-env:UserInstallation=file://" + os.path.join(work, "profile")
    office = ["soffice", profile, "--headless"]
    subprocess.run([sys.executable, os.path.join(HERE, "make_test_docs.py"), shape, work],
                   check=True)
    with open(os.path.join(work, "expected.json"), encoding="utf-8") as f:
        expected = json.load(f)

    # The legacy letter as .rtf and .doc, made by LibreOffice from the .docx.
    for ext in ("rtf", "doc"):
        subprocess.run(office + ["--convert-to", ext, "--outdir", work,
                                 os.path.join(work, "letter.docx")],
                       check=True, capture_output=True, timeout=300)
    out = os.path.join(work, "out")
    os.makedirs(out)
    names = ("docx.docx", "odt.odt", "rtf.rtf", "doc.doc")
    for name in names:
        src = os.path.join(work, "letter." + name.split(".")[1])
        subprocess.run([convert, "-o", os.path.join(out, name), src], check=True, timeout=600)

    files = [os.path.join(out, n) for n in names]
    subprocess.run(office + ["--convert-to", "pdf", "--outdir", out] + files,
                   check=True, capture_output=True, timeout=600)
    failed = 0
    for f in files:
        pdf = os.path.splitext(f)[0] + ".pdf"
        text = subprocess.run(["pdftotext", "-enc", "UTF-8", pdf, "-"], check=True,
                              capture_output=True, text=True).stdout
        # pdftotext marks right-to-left stretches with embedding controls.
        text = re.sub("[\u202a-\u202e\u200e\u200f]", "", text)
        text = re.sub("[ \t]+", " ", text)
        fonts = subprocess.run(["pdffonts", pdf], check=True, capture_output=True,
                               text=True).stdout
        checked = 0
        for key, e in expected.items():
            if (e["docx_only"] and f.endswith(".odt")) or not e["printed"]:
                continue
            if key == "textbox" and f.endswith(".rtf"):
                continue  # LibreOffice's .rtf of the legacy letter has no text box already
            checked += 1
            if e["unicode"] not in text:
                print("%s: %s (%s) not in the PDF text:\n%s" % (pdf, e["unicode"], key, text))
                failed += 1
        if "Amiri" not in fonts:
            print("%s: the Unicode font Amiri is not used:\n%s" % (pdf, fonts))
            failed += 1
        print("%s: %d phrases checked" % (os.path.basename(pdf), checked))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import readers  # noqa: E402
    readers.require("soffice", "pdftotext", "pdffonts")
    main()
