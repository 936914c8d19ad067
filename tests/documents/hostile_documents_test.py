#!/usr/bin/python3
"""Small documents that ask for gigabytes or for a deep stack, one case a line
of tests/data/hostile_documents.tsv: each must end with its exit status and
message at once, write nothing when refused, and stay within a bounded memory
(skipped under the sanitizers, HARF_NO_MEMORY_CHECKS=1).

usage: hostile_documents_test.py HARF_CONVERT WORK_DIR
"""
import os
import resource
import shutil
import subprocess
import sys
import zipfile

from doc_packages import write_docx, write_odt

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "hostile_documents.tsv")
# Peak memory any of these may take (KiB): the limits are checked before work.
MAX_KIB = 400 * 1024
LEGACY_RUN = ('<w:r><w:rPr><w:rFonts w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/></w:rPr>'
              '<w:t xml:space="preserve">%s</w:t></w:r>')


def nest(open_, close, n, inner=""):
    return open_ * n + inner + close * n


def depth(case):
    return int(case.rsplit("_", 1)[1])


def replace_part(path, name, change):
    """The package at path with part `name` rewritten by change(text)."""
    with zipfile.ZipFile(path) as z:
        parts = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w") as z:
        for info, data in parts:
            if info.filename == name:
                data = change(data.decode()).encode()
            z.writestr(info, data)


def build(case, path):
    if case == "odt_spaces_4g":
        write_odt(path, ['<text:p><text:span text:style-name="T1">a<text:s text:c="4000000000"/>'
                         '</text:span></text:p>'])
    elif case == "odt_spaces_100m_plain":
        write_odt(path, ['<text:p>b<text:s text:c="100000000"/></text:p>'])
    elif case == "odt_spans_20000":
        write_odt(path, ["<text:p>%s</text:p>" % nest("<text:span>", "</text:span>", 20000, "x")],
                  stored=True)
    elif case == "docx_hyperlinks_20000":
        write_docx(path, ["<w:p>%s</w:p>" % nest("<w:hyperlink>", "</w:hyperlink>", 20000,
                                                 LEGACY_RUN % "\uf061")], stored=True)
    elif case == "docx_elements_80000":
        write_docx(path, ["<w:p>%s</w:p>" % nest("<w:x>", "</w:x>", 80000)], stored=True)
    elif case == "docx_hyperlinks_255":
        # Deep, but within the limit with the body and the paragraph around it.
        write_docx(path, ["<w:p>%s</w:p>" % nest("<w:hyperlink>", "</w:hyperlink>", 250,
                                                 LEGACY_RUN % "\uf061")])
    elif case.startswith("odt_styles_"):
        write_odt(path, ["<text:p>x</text:p>"])
        with zipfile.ZipFile(path, "a", zipfile.ZIP_STORED) as z:
            z.writestr("styles.xml", (
                '<?xml version="1.0"?><office:document-styles xmlns:office="urn:oasis:names:tc:'
                'opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:'
                'xmlns:text:1.0"><office:master-styles>%s</office:master-styles>'
                '</office:document-styles>' % nest("<text:span>", "</text:span>", depth(case))))
    elif case.startswith("odt_manifest_"):
        write_odt(path, ["<text:p>x</text:p>"])
        replace_part(path, "META-INF/manifest.xml", lambda xml: xml.replace(
            "</manifest:manifest>",
            nest("<manifest:x>", "</manifest:x>", depth(case)) + "</manifest:manifest>"))
    elif case.startswith("docx_types_"):
        write_docx(path, ["<w:p>%s</w:p>" % (LEGACY_RUN % "\uf061")])
        replace_part(path, "[Content_Types].xml", lambda xml: xml.replace(
            "</Types>", nest("<x>", "</x>", depth(case)) + "</Types>"))
    elif case == "docx_paragraph_17m":
        text = "\uf061" * (1 << 20)
        write_docx(path, ["<w:p>%s</w:p>" % (LEGACY_RUN % text * 17)], stored=True)
    else:
        raise ValueError(case)


def main():
    harf_convert, work = sys.argv[1:3]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    check_memory = os.environ.get("HARF_NO_MEMORY_CHECKS") != "1"
    failures = 0
    cases = 0
    with open(DATA, encoding="utf-8") as f:
        rows = [l.rstrip("\n").split("\t") for l in f if l.strip() and not l.startswith("#")]
    for case, status, message in rows:
        cases += 1
        ext = ".odt" if case.startswith("odt") else ".docx"
        src = os.path.join(work, case + ext)
        out = os.path.join(work, case + ".out" + ext)
        build(case, src)
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        p = subprocess.run([harf_convert, "--to", "unicode", "-o", out, src],
                           capture_output=True, text=True, timeout=120)
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        problems = []
        if p.returncode != int(status):
            problems.append("exit %d, want %s" % (p.returncode, status))
        if message != "-" and message not in p.stderr:
            problems.append("message %r lacks %r" % (p.stderr.strip(), message))
        if p.returncode != 0 and os.path.exists(out):
            problems.append("wrote %s" % out)
        if check_memory and peak > max(before, MAX_KIB):
            problems.append("took %d KiB" % peak)
        for pr in problems:
            print("%s: %s" % (case, pr))
        failures += bool(problems)
    print("%d cases, %d failed" % (cases, failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
