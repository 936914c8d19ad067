"""What the groups of convert_docs_test.py share: the programs and work folder
the command line names, harf-convert run and checked, and readers of the
documents' XML."""
import os
import shutil
import subprocess
import types
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
TEXT = "{urn:oasis:names:tc:opendocument:xmlns:text:1.0}"
STYLE = "{urn:oasis:names:tc:opendocument:xmlns:style:1.0}"
OFFICE = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
FO = "{urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0}"
LEGACY = "VarnelNormal"
# The parts of the letter that hold legacy runs.
DOCX_PARTS = ("word/document.xml", "word/header1.xml", "word/footnotes.xml",
              "word/endnotes.xml", "word/comments.xml")
# harf-convert, harf-shape and the work folder, filled in by the entry script
# before any test runs (read at run time, never copied at import).
paths = types.SimpleNamespace(convert=None, shape=None, work=None)


def run(*args, ok=(0,)):
    p = subprocess.run([paths.convert, *args], capture_output=True, text=True)
    if p.returncode not in ok:
        raise AssertionError("harf-convert %s: exit %d\n%s" % (args, p.returncode, p.stderr))
    return p


def fresh(name):
    d = os.path.join(paths.work, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    return d


def part(path, name):
    with zipfile.ZipFile(path) as z:
        return z.read(name)


def docx_paragraphs(xml):
    """Each w:p as (element, its own text: text boxes inside it left out)."""
    root = ET.fromstring(xml)
    out = []
    for p in root.iter(W + "p"):
        nested = {id(t) for q in p.iter(W + "p") if q is not p for t in q.iter(W + "t")}
        out.append((p, "".join(t.text or "" for t in p.iter(W + "t") if id(t) not in nested)))
    return out


def odt_paragraphs(xml):
    root = ET.fromstring(xml)
    out = []
    for p in root.iter():
        if p.tag not in (TEXT + "p", TEXT + "h"):
            continue
        out.append((p, odt_text(p)))
    return out


def odt_text(e, skip_nested=True):
    s = e.text or ""
    for c in e:
        if c.tag == TEXT + "s":
            s += " " * int(c.get(TEXT + "c", "1"))
        elif c.tag in (TEXT + "note", "{urn:oasis:names:tc:opendocument:xmlns:drawing:1.0}frame",
                       OFFICE + "annotation"):
            pass
        else:
            s += odt_text(c)
        s += c.tail or ""
    return s


def legacy_codes(text, encoding):
    """The glyph codes of legacy text written in `encoding`."""
    if encoding == "symbol":
        return [ord(c) - 0xF000 for c in text]
    if encoding == "latin1":
        return [ord(c) for c in text]
    return [ord(c) if ord(c) in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else c.encode("cp1252")[0]
            for c in text]


def canonical(xml):
    return ET.canonicalize(xml_data=xml, strip_text=False)
