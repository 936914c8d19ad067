"""Bad inputs and outputs: damaged and hostile documents, outputs in the way,
batches with a bad file, the progress bar and bad usage."""
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

from convert_docs_support import HERE, fresh, paths, run


def set_unpacked_size(path, name, size):
    """Makes the zip at `path` say that entry `name` unpacks to `size` bytes,
    in its central directory and its local header, the data left as it is."""
    import struct
    with open(path, "r+b") as f:
        data = f.read()
        end = data.rindex(b"PK\x05\x06")
        count, _, start = struct.unpack_from("<HII", data, end + 10)
        at = start
        for _ in range(count):
            name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, at + 28)
            local = struct.unpack_from("<I", data, at + 42)[0]
            if data[at + 46:at + 46 + name_len] == name.encode():
                for offset in (at + 24, local + 22):
                    f.seek(offset)
                    f.write(struct.pack("<I", size))
                return
            at += 46 + name_len + extra_len + comment_len
    raise AssertionError("no entry " + name)


class BadInput(unittest.TestCase):
    """Every bad input: its message, exit status 2, nothing written."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("bad")
        letter = os.path.join(paths.work, "letter")
        if not os.path.exists(os.path.join(letter, "letter.docx")):
            subprocess.run([sys.executable, os.path.join(HERE, "make_test_docs.py"), paths.shape,
                            letter], check=True)
        cls.good = os.path.join(letter, "letter.docx")
        cls.good_odt = os.path.join(letter, "letter.odt")

    def make(self, name, build):
        path = os.path.join(self.dir, name)
        build(path)
        return path

    def check_refused(self, path, message):
        before = set(os.listdir(self.dir))
        p = run(path, ok=(2,))
        self.assertIn(message, p.stderr)
        self.assertEqual(len([l for l in p.stderr.splitlines() if path in l]), 1, p.stderr)
        self.assertEqual(set(os.listdir(self.dir)), before, "something was written")

    def test_not_a_document_of_its_extension(self):
        def empty(path):
            open(path, "w").close()

        def other_zip(path):
            with zipfile.ZipFile(path, "w") as z:
                z.writestr("notizen.txt", "Sehr geehrte Damen und Herren")
        for name, build, message in (
                ("empty.docx", empty, "not a zip package"),
                ("empty.odt", empty, "not a zip package"),
                ("notes.docx", other_zip, "not a .docx document: no [Content_Types].xml"),
                ("notes.odt", other_zip, "not an .odt document: no mimetype")):
            with self.subTest(name=name):
                self.check_refused(self.make(name, build), message)

    def test_not_a_zip(self):
        def build(path):
            with open(path, "w") as f:
                f.write("Sehr geehrte Damen und Herren\n")
        self.check_refused(self.make("text.docx", build), "not a zip package")

    def test_malformed_xml(self):
        def build(path):
            with zipfile.ZipFile(self.good) as a, zipfile.ZipFile(path, "w") as b:
                for info in a.infolist():
                    data = a.read(info.filename)
                    if info.filename == "word/document.xml":
                        data = data.replace(b"</w:body>", b"</w:bod>")
                    b.writestr(info, data)
        self.check_refused(self.make("broken.docx", build), "malformed XML in word/document.xml")

    def test_encrypted_entry(self):
        def build(path):
            src = os.path.join(self.dir, "plain")
            shutil.rmtree(src, ignore_errors=True)
            os.makedirs(src)
            with zipfile.ZipFile(self.good) as a:
                a.extractall(src)
            subprocess.run(["zip", "-q", "-r", "-e", "-P", "secret", path, "."], cwd=src,
                           check=True)
            shutil.rmtree(src)
        self.check_refused(self.make("locked.docx", build), "encrypted")

    def with_entry(self, path, name, data):
        """The letter with `data` stored deflated as entry `name` (replaced
        or added)."""
        with zipfile.ZipFile(self.good) as a, zipfile.ZipFile(
                path, "w", zipfile.ZIP_DEFLATED) as b:
            for info in a.infolist():
                if info.filename != name:
                    b.writestr(info, a.read(info.filename))
            b.writestr(name, data)

    def test_zip_bombs(self):
        # A real one: 40 MB of zeros deflate to 40 kB.
        self.check_refused(self.make("bomb.docx", lambda p: self.with_entry(
            p, "word/media/big.bin", b"\0" * (40 << 20))), "more than 200 times")

        # Sizes that lie, so that inflating would end in a damaged entry
        # instead of the refusal: the limits are checked before anything is
        # unpacked. 3.2 MB that do not deflate, said to be 600 MB (187 times).
        def past_512_mb(path):
            self.with_entry(path, "word/media/noise.bin", os.urandom(3200 << 10))
            set_unpacked_size(path, "word/media/noise.bin", 600 << 20)
        self.check_refused(self.make("huge.docx", past_512_mb), "512 MB")

        def part_past_200_times(path):
            with zipfile.ZipFile(self.good) as z:
                packed = z.getinfo("word/document.xml").compress_size
            shutil.copy(self.good, path)
            set_unpacked_size(path, "word/document.xml", max(packed * 300, 2 << 20))
        self.check_refused(self.make("dense.docx", part_past_200_times), "200 times")

        def odt_past_512_mb(path):
            shutil.copy(self.good_odt, path)
            set_unpacked_size(path, "content.xml", 513 << 20)
        # Past both limits: either message will do.
        self.check_refused(self.make("huge.odt", odt_past_512_mb),
                           "zip entry content.xml unpacks to")

    # (letter, entry, what is done to it, message): one refused document each.
    DAMAGED = [
        ("odt", "content.xml", lambda d: d.replace(b"</office:text>", b"</office:txt>"),
         "malformed XML in content.xml"),
        ("odt", "styles.xml", lambda d: d[:-20], "malformed XML in styles.xml"),
        ("docx", "word/styles.xml", lambda d: d[:-20], "malformed XML in word/styles.xml"),
        ("docx", "word/endnotes.xml", lambda d: d.replace(b"</w:endnotes>", b""),
         "malformed XML in word/endnotes.xml"),
        ("docx", "word/comments.xml", lambda d: d.replace(b"<w:p>", b"<w:p><w:p>", 1),
         "malformed XML in word/comments.xml"),
        ("odt", "META-INF/manifest.xml", lambda d: d.replace(
            b"<manifest:file-entry", b"<manifest:file-entry><manifest:encryption-data/>"
            b"</manifest:file-entry><manifest:file-entry", 1), "encrypted document"),
        ("odt", "mimetype", lambda d: b"application/vnd.oasis.opendocument.spreadsheet",
         "not an .odt document: its type is"),
    ]

    def test_damaged_parts(self):
        for n, (kind, entry, damage, message) in enumerate(self.DAMAGED):
            with self.subTest(entry=entry, message=message):
                def build(path):
                    source = self.good if kind == "docx" else self.good_odt
                    with zipfile.ZipFile(source) as a, zipfile.ZipFile(path, "w") as b:
                        for info in a.infolist():
                            data = a.read(info.filename)
                            b.writestr(info, damage(data) if info.filename == entry else data)
                self.check_refused(self.make("damaged%d.%s" % (n, kind), build), message)

    def test_unicode_text_that_is_not_utf8(self):
        for ext in ("txt", "csv"):
            def build(path):
                with open(path, "wb") as f:
                    f.write("كتاب,".encode() + b"\xff\xfe\n")
            path = self.make("latin." + ext, build)
            before = set(os.listdir(self.dir))
            p = run("--to", "legacy", path, ok=(2,))
            self.assertIn("not UTF-8 text", p.stderr)
            self.assertEqual(set(os.listdir(self.dir)), before)

    def test_a_docx_that_is_an_odt_and_back(self):
        self.check_refused(self.make("odt.docx", lambda p: shutil.copy(self.good_odt, p)),
                           "not a .docx document: it is an OpenDocument file")
        self.check_refused(self.make("docx.odt", lambda p: shutil.copy(self.good, p)),
                           "not an .odt document")

    def test_outputs_are_never_overwritten_without_force(self):
        d = fresh("outputs")
        src = os.path.join(d, "letter.docx")
        shutil.copy(self.good, src)
        run(src)
        p = run(src, ok=(1,))
        self.assertIn("exists", p.stderr)
        run("--force", src)
        p = run("-o", src, "--force", src, ok=(2,))
        self.assertIn("is the input itself", p.stderr)
        with open(src, "rb") as a, open(self.good, "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual(sorted(os.listdir(d)), ["letter.docx", "letter.unicode.docx"])

    def test_a_batch_writes_over_none_of_its_inputs_and_outputs(self):
        d = fresh("batch-outputs")
        a = os.path.join(d, "a.docx")
        shutil.copy(self.good, a)
        # The output of the first input is the second input, not read yet.
        shutil.copy(self.good_odt, os.path.join(d, "a.unicode.docx"))
        p = run("--force", a, os.path.join(d, "a.unicode.docx"), ok=(2,))
        self.assertIn("a.unicode.docx is another input", p.stderr)
        with open(os.path.join(d, "a.unicode.docx"), "rb") as x, open(self.good_odt, "rb") as y:
            self.assertEqual(x.read(), y.read())
        # Two inputs of one name into one folder.
        for sub in ("x", "y"):
            os.makedirs(os.path.join(d, sub))
            shutil.copy(self.good, os.path.join(d, sub, "b.docx"))
        out = os.path.join(d, "out")
        os.makedirs(out)
        p = run("--force", "--out-dir", out, os.path.join(d, "x", "b.docx"),
                os.path.join(d, "y", "b.docx"), ok=(2,))
        self.assertIn("was written for another input", p.stderr)
        self.assertIn("2 files, 1 converted", p.stderr)
        self.assertEqual(os.listdir(out), ["b.unicode.docx"])

    def test_a_bad_file_does_not_stop_the_batch(self):
        d = fresh("batch")
        bad = os.path.join(d, "bad.docx")
        with open(bad, "w") as f:
            f.write("x")
        good = os.path.join(d, "good.odt")
        shutil.copy(self.good_odt, good)
        p = run(bad, good, ok=(2,))
        self.assertTrue(os.path.exists(os.path.join(d, "good.unicode.odt")))
        self.assertIn("2 files, 1 converted", p.stderr)
        self.assertIn("1 failed", p.stderr)
        self.assertNotIn("\r", p.stderr)  # no progress bar into a pipe
        # A missing file is a failure to read: status 1.
        p = run(os.path.join(d, "missing.odt"), good, "--force", ok=(1,))
        self.assertIn("missing.odt: cannot read", p.stderr)
        self.assertIn("2 files, 1 converted", p.stderr)

    def test_progress_bar_on_a_terminal(self):
        import pty
        d = fresh("progress")
        # Names longer than the bar shows, in two-byte characters, and one
        # with a terminal escape in it.
        files = ["%d__%s.odt" % (n, "رسالة" * 5) for n in range(2)] + ["2\x1b[2J.odt"]
        for name in files:
            shutil.copy(self.good_odt, os.path.join(d, name))
        master, slave = pty.openpty()
        p = subprocess.Popen([paths.convert, *files], stderr=slave, stdout=subprocess.DEVNULL,
                             cwd=d)
        os.close(slave)
        shown = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal is gone with the program
                break
            if not chunk:
                break
            shown += chunk
        os.close(master)
        self.assertEqual(p.wait(), 0)
        shown = shown.decode()  # whole characters only
        for n in range(4):
            self.assertIn("] %d/3" % n, shown)
        self.assertIn("3 files, 3 converted", shown)
        self.assertNotIn("\x1b[2J", shown)

    def test_without_libreoffice_the_package_is_named(self):
        d = fresh("no-office")
        src = os.path.join(d, "brief.rtf")
        with open(src, "w") as f:
            f.write("{\\rtf1\\ansi Brief\\par}")
        p = subprocess.run([paths.convert, src], capture_output=True, text=True,
                           env=dict(os.environ, PATH="/nonexistent"))
        self.assertEqual(p.returncode, 1, p.stderr)
        self.assertIn("install the Debian package libreoffice-writer-nogui", p.stderr)
        self.assertEqual(len([l for l in p.stderr.splitlines() if src in l]), 1, p.stderr)
        self.assertEqual(os.listdir(d), ["brief.rtf"])

    def test_help_and_version_into_a_full_disk_fail(self):
        for option in ("--help", "--version"):
            with open("/dev/full", "w") as full:
                p = subprocess.run([paths.convert, option], stdout=full, stderr=subprocess.PIPE,
                                   text=True)
            self.assertEqual(p.returncode, 1, option)
            self.assertIn("cannot write", p.stderr)

    def test_bad_usage(self):
        with open(os.path.join(HERE, "..", "data", "convert_bad_usage.txt"), encoding="utf-8") as f:
            cases = [l.split() for l in f if l.strip() and l[0] != "#"]
        for args in cases:
            with self.subTest(args=args):
                p = run(*(a for a in args if a != "-"), ok=(2,))
                self.assertTrue(p.stderr.startswith("harf-convert: "), p.stderr)
