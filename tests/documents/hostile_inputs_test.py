#!/usr/bin/python3
"""harf-convert on damaged and hostile inputs: the cases of
tests/data/hostile_inputs.tsv, each built here at test time, then what no
table line can say: modes under the umask, temporary files left by killed runs,
and a child killed in the middle of a batch.

usage: hostile_inputs_test.py HARF_CONVERT DATA_DIR WORK_DIR
"""
import codecs
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import unittest
import zipfile
import zlib

from doc_packages import DOCX_HEAD, write_docx, write_odt

CONVERT = DATA = WORK = None
LEGACY_RUN = ('<w:p><w:r><w:rPr><w:rFonts w:ascii="VarnelNormal" w:hAnsi="VarnelNormal"/>'
              '</w:rPr><w:t>abc def</w:t></w:r></w:p>')
ODT_BODY = '<text:p><text:span text:style-name="T1">abc</text:span></text:p>'
TYPES_NS = "http://schemas.openxmlformats.org/package/2006/content-types"
WML = "application/vnd.openxmlformats-officedocument.wordprocessingml."
RELS = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
        'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://'
        'schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
        'Target="word/document.xml"/></Relationships>')
STYLES = ('<?xml version="1.0" encoding="UTF-8"?>\n<w:styles xmlns:w="http://schemas.'
          'openxmlformats.org/wordprocessingml/2006/main"><w:style w:styleId="a"/></w:styles>')
DOCUMENT = DOCX_HEAD + LEGACY_RUN + "<w:sectPr/></w:body></w:document>"
PNG = bytes(range(256)) * 8


def types(main="/word/document.xml", extra=""):
    return ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="%s"><Default Extension="rels"'
            ' ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Override PartName="%s" ContentType="%sdocument.main+xml"/>'
            '<Override PartName="/word/styles.xml" ContentType="%sstyles+xml"/>%s</Types>'
            % (TYPES_NS, main, WML, WML, extra))


def docx(path, replace=None, extra=(), method=zipfile.ZIP_DEFLATED, level=None, drop=()):
    """A small .docx with a styles part; replace: part name -> new bytes."""
    parts = {"[Content_Types].xml": types(), "_rels/.rels": RELS,
             "word/document.xml": DOCUMENT, "word/styles.xml": STYLES}
    parts.update(replace or {})
    with zipfile.ZipFile(path, "w", method, compresslevel=level) as z:
        for name, data in list(parts.items()) + list(extra):
            if name not in drop:
                z.writestr(name, data)


def locate(path, name):
    """Offsets of an entry: local header, data, central directory record."""
    with open(path, "rb") as f:
        data = f.read()
    with zipfile.ZipFile(path) as z:
        info = [i for i in z.infolist() if i.filename == name][0]
    local = info.header_offset
    n, m = struct.unpack("<HH", data[local + 26:local + 30])
    central = data.index(b"PK\x01\x02", data.index(b"PK\x01\x02"))
    while True:
        n2, m2, k2 = struct.unpack("<HHH", data[central + 28:central + 34])
        if data[central + 46:central + 46 + n2] == info.orig_filename.encode(
                "utf-8" if info.flag_bits & 0x800 else "cp437"):
            break
        central = data.index(b"PK\x01\x02", central + 46)
    return local, local + 30 + n + m, central


def patch(path, name, crc=None, size=None):
    """Rewrites an entry's CRC or uncompressed size in both its headers."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    local, _, central = locate(path, name)
    for field, value in ((14, crc), (22, size)):
        if value is not None:
            struct.pack_into("<I", data, local + field, value)
            struct.pack_into("<I", data, central + field + 2, value)
    with open(path, "wb") as f:
        f.write(data)


def header(path, name):
    with open(path, "rb") as f:
        data = f.read()
    local, _, _ = locate(path, name)
    return struct.unpack("<III", data[local + 14:local + 26])  # crc, packed, size


def change_byte(path, name, old, new):
    """Changes a byte inside an entry's stored data (the headers keep the old CRC)."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    _, start, _ = locate(path, name)
    at = data.index(old, start)
    data[at:at + len(old)] = new
    with open(path, "wb") as f:
        f.write(data)


# Generators: each writes one input at path.

def good_docx(path):
    docx(path)


def good_odt(path):
    write_odt(path, [ODT_BODY])


def stored_body_byte(path):
    docx(path, method=zipfile.ZIP_STORED)
    change_byte(path, "word/document.xml", b"abc def", b"abd def")


def deflated_body_byte(path):
    # Level 0 deflate keeps the text readable, so one byte changes one tag.
    docx(path, level=0)
    change_byte(path, "word/document.xml", b"</w:t>", b"<xw:t>")


def body_crc(path):
    docx(path)
    patch(path, "word/document.xml", crc=header(path, "word/document.xml")[0] ^ 1)


def image_crc_stored(path):
    docx(path, method=zipfile.ZIP_STORED, extra=[("word/media/image1.png", PNG)])
    patch(path, "word/media/image1.png", crc=header(path, "word/media/image1.png")[0] ^ 1)


def image_crc_deflated(path):
    docx(path, extra=[("word/media/image1.png", PNG)])
    patch(path, "word/media/image1.png", crc=header(path, "word/media/image1.png")[0] ^ 1)


def odt_image_crc(path):
    write_odt(path, [ODT_BODY])
    with zipfile.ZipFile(path, "a") as z:
        z.writestr("Pictures/1.png", PNG)
    patch(path, "Pictures/1.png", crc=header(path, "Pictures/1.png")[0] ^ 1)


def body_size_larger(path):
    docx(path)
    patch(path, "word/document.xml", size=header(path, "word/document.xml")[2] + 5)


def body_size_smaller(path):
    docx(path)
    patch(path, "word/document.xml", size=header(path, "word/document.xml")[2] - 5)


def image_size_smaller(path):
    docx(path, extra=[("word/media/image1.png", PNG)])
    patch(path, "word/media/image1.png", size=header(path, "word/media/image1.png")[2] - 7)


def duplicate_names(path):
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        docx(path, extra=[("word/document.xml", DOCUMENT)])


def no_main_part(path):
    docx(path, drop=("word/document.xml",))


def moved_main_part(path):
    docx(path, replace={"[Content_Types].xml": types(main="/word/main.xml")})


def other_zip(path):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("notizen.txt", "Sehr geehrte Damen und Herren")


def odt_no_content(path):
    write_odt(path, [ODT_BODY])
    with zipfile.ZipFile(path) as a:
        entries = [(i, a.read(i)) for i in a.infolist() if i.filename != "content.xml"]
    with zipfile.ZipFile(path, "w") as b:
        for info, data in entries:
            b.writestr(info, data)


MALFORMED = {
    "bad_utf8": lambda xml: xml.replace(b'"a"', b'"a\xff\xfe"', 1),
    "lt_attribute": lambda xml: xml.replace(b'"a"', b'"a<b"', 1).replace(
        b'"/word/styles.xml"', b'"/word/<styles.xml"').replace(
        b'"content.xml"', b'"content<.xml"'),
    "char_ref": lambda xml: xml.replace(b'"a"', b'"a&#1;"', 1).replace(
        b'"/word/styles.xml"', b'"/word/&#1;styles.xml"').replace(
        b'"content.xml"', b'"content&#1;.xml"'),
    "dtd": lambda xml: xml.replace(b"?>", b'?><!DOCTYPE x [<!ENTITY e "e">]>', 1),
}


def malformed_docx_part(part, kind):
    def build(path):
        source = {"word/styles.xml": STYLES, "[Content_Types].xml": types()}[part].encode()
        if kind == "bad_utf8" and part == "[Content_Types].xml":
            source = source.replace(b'Extension="rels"', b'Extension="r\xc3\x28els"')
        docx(path, replace={part: MALFORMED[kind](source)})
    return build


def malformed_manifest(kind):
    def build(path):
        write_odt(path, [ODT_BODY])
        with zipfile.ZipFile(path) as a:
            entries = [(i, a.read(i)) for i in a.infolist()]
        with zipfile.ZipFile(path, "w") as b:
            for info, data in entries:
                if info.filename == "META-INF/manifest.xml":
                    data = data.replace(b"?>", b"?>\n")
                    data = data.replace(b'"/"', b'"a"') if kind != "dtd" else data
                    data = MALFORMED[kind](data) if kind != "bad_utf8" else data.replace(
                        b'"a"', b'"\xe9"', 1)
                b.writestr(info, data)
    return build


def odt_styles_char_ref(path):
    write_odt(path, [ODT_BODY])
    with zipfile.ZipFile(path, "a") as z:
        z.writestr("styles.xml", '<?xml version="1.0"?><office:document-styles xmlns:office='
                   '"urn:oasis:names:tc:opendocument:xmlns:office:1.0" x="&#1;"/>')


SETTINGS_HEAD = ('<?xml version="1.0"?><w:settings xmlns:w="http://schemas.openxmlformats.org/'
                 'wordprocessingml/2006/main">')


def settings_malformed(path):
    docx(path, extra=[("word/settings.xml", SETTINGS_HEAD + "<w:zoom></w:settings>")])


def settings_bad_utf8(path):
    docx(path, extra=[("word/settings.xml", SETTINGS_HEAD.encode() + b"<w:zoom w:val='\xff'/>"
                       b"</w:settings>")])


def random_bytes(path):
    with open(path, "wb") as f:
        f.write(os.urandom(5000))


def mimetype_escape(path):
    write_odt(path, [ODT_BODY])
    with zipfile.ZipFile(path) as a:
        entries = [(i, a.read(i)) for i in a.infolist()]
    with zipfile.ZipFile(path, "w") as b:
        for info, data in entries:
            b.writestr(info, b"\x1b]0;TITLE\x07\x1b[2J\xff" if info.filename == "mimetype" else data)


def deep_nesting(path):
    """100,000 containers around one run: a program that walks them on its
    stack crashes, one that walks them with its own stack refuses or converts."""
    n = 100000
    write_docx(path, ["<w:p>" + "<w:smartTag>" * n + "<w:r><w:t>x</w:t></w:r>" +
                      "</w:smartTag>" * n + "</w:p>"], stored=True)


def big_styles_odt(path):
    """An .odt whose styles.xml, read whole, unpacks to 300 MB: within the
    package limits (about 80 times its packed size), far above a small
    memory limit."""
    write_odt(path, [ODT_BODY])
    block = b"".join(os.urandom(8).hex().encode() + b"a" * 4080 for _ in range(16))
    with zipfile.ZipFile(path, "a", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        with z.open("styles.xml", "w", force_zip64=True) as f:
            f.write(b'<?xml version="1.0"?><office:document-styles xmlns:office="urn:oasis:'
                    b'names:tc:opendocument:xmlns:office:1.0"><!--')
            for _ in range(300 * 2**20 // len(block)):
                f.write(block)
            f.write(b"--></office:document-styles>")


def generator(name):
    for prefix, build in (("styles_", lambda k: malformed_docx_part("word/styles.xml", k)),
                          ("types_", lambda k: malformed_docx_part("[Content_Types].xml", k)),
                          ("manifest_", malformed_manifest)):
        if name.startswith(prefix):
            return build(name[len(prefix):])
    return globals()[name]


def run(args, cwd, **kw):
    return subprocess.run([CONVERT, *args], cwd=cwd, capture_output=True, **kw)


def fresh(name):
    d = os.path.join(WORK, re.sub(r"[^A-Za-z0-9]+", "_", name))
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    return d


def cases():
    with open(os.path.join(DATA, "hostile_inputs.tsv"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                yield line.split("\t")


class HostileInputs(unittest.TestCase):
    def test_every_case_of_the_table(self):
        for case, inputs, options, status, message, written in cases():
            if "memory limit" in case and os.environ.get("HARF_NO_MEMORY_CHECKS"):
                continue
            with self.subTest(case=case):
                d = fresh(case)
                names = []
                for item in inputs.split(" "):
                    gen, name = item.split(":", 1)
                    name = codecs.decode(name, "unicode_escape")
                    generator(gen)(os.path.join(d, name))
                    names.append(name)
                p = run(options.split() + names, d)
                err = p.stderr.decode("utf-8", "replace")
                self.assertIn(p.returncode, [int(s) for s in status.split("|")], err)
                for part in message.split(" || "):
                    self.assertIn(part, err)
                self.assertIsNone(re.search(r"[\x00-\x09\x0b-\x1f\x7f-\x9f\u202a-\u202e]", err),
                                  "a raw control character on standard error: %r" % err)
                left = set(os.listdir(d)) - set(names)
                self.assertEqual(left, set() if written == "-" else set(written.split(" ")))


class NewFiles(unittest.TestCase):
    def test_outputs_follow_the_umask(self):
        for umask, mode in ((0o022, 0o644), (0o077, 0o600), (0o002, 0o664)):
            for build, name in ((good_docx, "a.docx"), (good_odt, "b.odt")):
                with self.subTest(umask=oct(umask), name=name):
                    d = fresh("umask%o" % umask)
                    build(os.path.join(d, name))
                    p = run([name], d, preexec_fn=lambda: os.umask(umask))
                    self.assertEqual(p.returncode, 0, p.stderr)
                    out = [n for n in os.listdir(d) if ".unicode." in n][0]
                    self.assertEqual(os.stat(os.path.join(d, out)).st_mode & 0o777, mode)

    def dead_pid(self):
        p = subprocess.Popen(["true"])
        p.wait()
        return p.pid

    def test_temporaries_of_killed_runs_are_swept(self):
        d = fresh("stale")
        tmp = fresh("stale_tmp")
        good_docx(os.path.join(d, "a.docx"))
        dead = self.dead_pid()
        stale = ".a.unicode.docx.harf-%d-Ab3dE9" % dead
        live = ".b.unicode.docx.harf-%d-Xy12Zq" % os.getpid()  # a running process's
        old_name = ".c.unicode.docx.harf-%d-Qq12Zq" % os.getpid()
        for name in (stale, live, old_name):
            open(os.path.join(d, name), "w").close()
        hour_ago = time.time() - 7200
        os.utime(os.path.join(d, old_name), (hour_ago, hour_ago))  # but not a harf-convert
        folder = os.path.join(tmp, "harf-convert.%d.Ab3dE9" % dead)
        os.makedirs(os.path.join(folder, "profile"))
        kept = os.path.join(tmp, "harf-convert.%d.Xy12Zq" % os.getpid())
        os.makedirs(kept)
        # A failing file sweeps LibreOffice's folders too: a run that died may
        # have left them.
        random_bytes(os.path.join(d, "broken.docx"))
        p = run(["a.docx", "broken.docx"], d, env=dict(os.environ, TMPDIR=tmp))
        self.assertEqual(p.returncode, 2, p.stderr)
        self.assertEqual(sorted(os.listdir(d)), sorted(["a.docx", "a.unicode.docx",
                                                        "broken.docx", live]))
        self.assertEqual(os.listdir(tmp), [os.path.basename(kept)])

    def test_a_child_killed_mid_batch_is_one_failed_file(self):
        d = fresh("killed")
        body = LEGACY_RUN * 200000  # some seconds of work
        write_docx(os.path.join(d, "long.docx"), [body], stored=True)
        good_docx(os.path.join(d, "b.docx"))
        p = subprocess.Popen([CONVERT, "long.docx", "b.docx"], cwd=d, stderr=subprocess.PIPE)
        pid = None
        for _ in range(2000):
            temps = [n for n in os.listdir(d) if ".harf-" in n]
            if temps:
                pid = int(re.search(r"\.harf-(\d+)-", temps[0]).group(1))
                break
            time.sleep(0.005)
        self.assertIsNotNone(pid, "no temporary output appeared")
        os.kill(pid, signal.SIGKILL)
        err = p.communicate(timeout=120)[1].decode()
        self.assertEqual(p.returncode, 1, err)
        self.assertIn("long.docx: crashed (signal 9)", err)
        self.assertIn("2 files, 1 converted", err)
        self.assertEqual(sorted(os.listdir(d)), ["b.docx", "b.unicode.docx", "long.docx"])

    def test_a_stop_signal_reaches_the_child_and_nothing_is_left(self):
        d = fresh("stopped")
        write_docx(os.path.join(d, "long.docx"), [LEGACY_RUN * 200000], stored=True)
        p = subprocess.Popen([CONVERT, "long.docx"], cwd=d, stderr=subprocess.PIPE)
        for _ in range(2000):
            if any(".harf-" in n for n in os.listdir(d)):
                break
            time.sleep(0.005)
        p.send_signal(signal.SIGTERM)
        p.communicate(timeout=60)
        self.assertEqual(p.returncode, -signal.SIGTERM)
        time.sleep(0.2)  # the child's own exit
        self.assertEqual(os.listdir(d), ["long.docx"])


if __name__ == "__main__":
    CONVERT, DATA, WORK = sys.argv[1:4]
    CONVERT = os.path.abspath(CONVERT)
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=1)
