#!/usr/bin/python3
"""harf-convert on .txt, .csv and .tsv: raw bytes or UTF-8 decided on the whole
file (every word of the Arabic hunspell dictionary typed in the font and saved
alone as bytes), line ends of every kind kept both ways (text_line_ends.tsv),
the longest line refused at once and converted within a few times its size.

usage: text_files_test.py HARF_CONVERT HARF_SHAPE WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

CONVERT = SHAPE = WORK = None
DICTIONARY = os.environ.get("HARF_DICTIONARY") or "/usr/share/hunspell/ar.dic"
MAX_LINE = 16 << 20
HERE = os.path.dirname(os.path.abspath(__file__))


def typed(lines):
    """Each line typed in the font: its glyph codes as bytes, the padding
    space a typed line starts with taken off."""
    out = subprocess.run([SHAPE, "--from", "unicode"], input="\n".join(lines) + "\n",
                         capture_output=True, text=True, check=True).stdout.split("\n")
    return [bytes(int(c) for c in line.split()).strip(b" ") for line in out[:len(lines)]]


def run(*args):
    return subprocess.run([CONVERT, *args], capture_output=True)


def encoding_character(ch):
    """A character one of the font's three encodings has a glyph code for."""
    o = ord(ch)
    return o <= 0xFF or 0xF000 <= o <= 0xF0FF or (o > 0xFF and len(ch.encode("cp1252", "ignore")) == 1)


def valid_utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def both_readings(data):
    """Whether bytes also read as UTF-8 legacy text that differs from them."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return not data.isascii() and all(encoding_character(c) for c in text)


@unittest.skipUnless(os.path.exists(DICTIONARY), "install the Debian package hunspell-ar")
class DictionaryWords(unittest.TestCase):
    def test_every_word_saved_alone_as_bytes_reads_right(self):
        with open(DICTIONARY, encoding="utf-8") as f:
            next(f)
            words = sorted({w for w in (line.split("/")[0].strip() for line in f)
                            if re.fullmatch("[\u0621-\u064a]+", w)})
        # A hundred thousand small files: in memory where there is /dev/shm.
        scratch = tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else WORK)
        self.addCleanup(scratch.cleanup)
        folder, out = os.path.join(scratch.name, "words"), os.path.join(scratch.name, "out")
        os.makedirs(folder)
        os.makedirs(out)
        # Under the sanitizers every word that is valid UTF-8 and every tenth
        # of the others: each file is a process of its own, ten times slower.
        sample = int(os.environ.get("HARF_TEXT_SAMPLE", "1"))
        typed_words = typed(words)
        kept = [i for i, data in enumerate(typed_words) if i % sample == 0 or valid_utf8(data)]
        words = [words[i] for i in kept]
        names = []
        for i, data in enumerate(typed_words[i] for i in kept):
            names.append(os.path.join(folder, "%06d.txt" % i))
            with open(names[-1], "wb") as f:
                f.write(data)
        warned = {"UTF-8": set(), "bytes": set()}
        for start in range(0, len(names), 5000):
            p = run("--out-dir", out, *names[start:start + 5000])
            self.assertEqual(p.returncode, 0, p.stderr[-2000:])
            for line in p.stderr.decode().splitlines():
                m = re.fullmatch(r"harf-convert: (.*): reads validly both as UTF-8 and as raw "
                                 r"bytes; read as (UTF-8|bytes) \(.*\)", line)
                if m:
                    warned[m.group(2)].add(m.group(1))
        expected_warned = set()
        utf8 = set()
        wrong = []
        for name, word in zip(names, words):
            with open(name, "rb") as f:
                data = f.read()
            try:
                data.decode("utf-8")
                if not data.isascii():
                    utf8.add(name)
            except UnicodeDecodeError:
                pass
            if both_readings(data):
                expected_warned.add(name)
                continue
            with open(os.path.join(out, os.path.basename(name)[:-4] + ".unicode.txt"),
                      encoding="utf-8") as f:
                if f.read() != word:
                    wrong.append(word)
        print("%d words, %d valid UTF-8 as bytes, %d of them UTF-8 of legacy characters"
              % (len(words), len(utf8), len(expected_warned)), file=sys.stderr)
        self.assertGreater(len(expected_warned), 0)
        self.assertEqual(wrong, [])
        # Every file that reads validly both ways is named, with the reading chosen.
        self.assertEqual(warned["UTF-8"], expected_warned)
        self.assertEqual(warned["bytes"], utf8 - expected_warned)
        # Told to, the warned files read as the bytes they are.
        some = sorted(expected_warned)[:50]
        p = run("--read-as", "bytes", "--force", "--out-dir", out, *some)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertNotIn(b"reads validly", p.stderr)
        for name in some:
            with open(os.path.join(out, os.path.basename(name)[:-4] + ".unicode.txt"),
                      encoding="utf-8") as f:
                self.assertEqual(f.read(), words[names.index(name)])


class ReadAs(unittest.TestCase):
    def test_the_user_says_which(self):
        word = typed(["\u0628\u064a\u062a"])[0]                      # raw bytes, not UTF-8
        symbol = "".join(chr(0xF000 + b) for b in word).encode()  # the same codes as U+F0xx
        for args, data, status, expected in (
                ([], symbol, 0, "\u0628\u064a\u062a"),
                (["--read-as", "utf8"], symbol, 0, "\u0628\u064a\u062a"),
                (["--read-as", "bytes"], word, 0, "\u0628\u064a\u062a"),
                (["--read-as", "utf8"], b"abc\n" + word, 2, "invalid UTF-8 at byte 6"),
                (["--to", "legacy"], b"abc\n" + word, 2, "must be UTF-8 (invalid at byte 6)"),
                (["--read-as", "latin1"], word, 2, "bad value for --read-as")):
            with self.subTest(args=args, data=data):
                src = os.path.join(WORK, "read-as.txt")
                with open(src, "wb") as f:
                    f.write(data)
                out = os.path.join(WORK, "read-as.out.txt")
                if os.path.exists(out):
                    os.unlink(out)
                p = run(*args, "-o", out, src)
                self.assertEqual(p.returncode, status, p.stderr)
                if args:  # said, not guessed: nothing to warn of
                    self.assertNotIn(b"reads validly", p.stderr)
                if status:
                    self.assertIn(expected.encode(), p.stderr)
                    self.assertFalse(os.path.exists(out))
                else:
                    with open(out, encoding="utf-8") as f:
                        self.assertEqual(f.read(), expected)


def cases():
    with open(os.path.join(HERE, "text_line_ends.tsv"), encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if line.startswith("#") or not line.strip():
                continue
            kind, text = line.rstrip("\n").split("\t", 1)
            text = text.replace("\\r", "\r").replace("\\n", "\n").replace("\\t", "\t")
            yield n, kind, text


class LineEnds(unittest.TestCase):
    def test_every_line_end_kept_both_ways(self):
        for n, kind, text in cases():
            with self.subTest(line=n):
                sep = {"csv": ",", "tsv": "\t"}.get(kind)
                pieces = re.split("(\r\n|\r|\n)", text)  # lines at even places, ends at odd
                lines = pieces[0::2]
                if sep:
                    arabic = [l.split(sep)[1] if sep in l else "" for l in lines]
                else:
                    arabic = lines
                legacy = typed(arabic)
                out = []
                for i, piece in enumerate(pieces):
                    if i % 2:
                        out.append(piece.encode())
                    elif sep and sep in piece:
                        self.assertFalse(set(legacy[i // 2]) & set(b'",\t\r\n'))
                        out.append(piece.split(sep)[0].encode() + sep.encode() + legacy[i // 2])
                    else:
                        out.append(legacy[i // 2])
                src = os.path.join(WORK, "ends-%d.%s" % (n, kind))
                with open(src, "wb") as f:
                    f.write(b"".join(out))
                columns = ["--columns", "2"] if sep else []
                p = run("--force", *columns, "-o", src + ".u." + kind, src)
                self.assertEqual(p.returncode, 0, p.stderr)
                with open(src + ".u." + kind, "rb") as f:
                    self.assertEqual(f.read().decode("utf-8"), text)
                # And back: the same ends between the same lines.
                p = run("--force", "--to", "legacy", *columns, "-o", src + ".l." + kind,
                        src + ".u." + kind)
                self.assertEqual(p.returncode, 0, p.stderr)
                with open(src + ".l." + kind, "rb") as f:
                    back = re.split(b"(\r\n|\r|\n)", f.read())
                self.assertEqual([e.decode() for e in back[1::2]], pieces[1::2])
                self.assertEqual(len(back), len(pieces))


class LongLines(unittest.TestCase):
    WORD = bytes([111, 238, 105, 32, 225, 220, 199, 32])  # two words as the font holds them

    def write(self, name, data):
        path = os.path.join(WORK, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_ascii_start_does_not_decide(self):
        # 100 KB of ASCII, then raw bytes that are no UTF-8: read as bytes, not refused.
        for kind, head in (("txt", b"abc def\n"), ("csv", b"1,abc\n")):
            path = self.write("ascii-start." + kind, head * 12800 + head[:2] + self.WORD + b"\n")
            columns = ["--columns", "2"] if kind == "csv" else []
            p = run("--force", *columns, "-o", path + ".out", path)
            self.assertEqual(p.returncode, 0, p.stderr)

    def test_longest_line_refused_at_once_with_where(self):
        too_long = "longer than 16 MiB at byte %d"
        for kind, data, message in (
                ("txt", b"abc\n" + self.WORD * (MAX_LINE // 8) + b"x\n", too_long % 5),
                ("txt", b"\r" * 3 + b"l" * (MAX_LINE + 1), too_long % 4),
                ("csv", b"1,2\n3,\"" + b"a\n" * (MAX_LINE // 2) + b"\"\n", too_long % 5),
                # Each field costs far more than its byte: a line of separators.
                ("csv", b"1,2\r" + b"," * (MAX_LINE - 1), "more than 1000000 fields in the record at byte 5")):
            with self.subTest(kind=kind, message=message):
                path = self.write("too-long." + kind, data)
                out = path + ".out." + kind
                p = run("--columns", "2", "-o", out, path) if kind == "csv" else run("-o", out, path)
                self.assertEqual(p.returncode, 2, p.stderr)
                self.assertIn(message.encode(), p.stderr)
                self.assertFalse(os.path.exists(out))
                self.assertEqual([n for n in os.listdir(WORK) if n.startswith(".too-long")], [])

    @unittest.skipIf(os.environ.get("HARF_NO_MEMORY_CHECKS"), "memory is not measured under sanitizers")
    def test_longest_line_within_a_few_times_its_size(self):
        def max_rss_kb(path):
            p = subprocess.run(["/usr/bin/time", "-f", "%M", CONVERT, "--force", "-o",
                                path + ".out.txt", path], capture_output=True, text=True)
            self.assertEqual(p.returncode, 0, p.stderr)
            return int(p.stderr.strip().splitlines()[-1])
        small = max_rss_kb(self.write("short-line.txt", self.WORD * 100))
        large = max_rss_kb(self.write("longest-line.txt", self.WORD * (MAX_LINE // 8)))
        print("a 16 MiB legacy line: %d KB (a short one %d KB)" % (large, small), file=sys.stderr)
        self.assertLess(large - small, 3 * MAX_LINE // 1024)


if __name__ == "__main__":
    CONVERT, SHAPE, WORK = sys.argv[1:4]
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    unittest.main(argv=sys.argv[:1], verbosity=2)
