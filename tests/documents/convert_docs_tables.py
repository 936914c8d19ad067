"""Text files and tables (.txt, .csv, .tsv): line ends, long lines, which
columns are converted, and random tables there and back."""
import os
import unittest

from convert_docs_support import HERE, fresh, run


class PlainFiles(unittest.TestCase):
    def test_text_in_bytes_and_in_symbol_characters(self):
        d = fresh("text")
        src = os.path.join(d, "words.txt")
        with open(src, "w", encoding="utf-8", newline="") as f:
            f.write("بسم الله الرحمن الرحيم\r\nفي عام 2024\n\nمستشفى")
        run("--to", "legacy", src)
        with open(os.path.join(d, "words.legacy.txt"), "rb") as f:
            raw = f.read()
        self.assertEqual(raw.count(b"\r\n"), 1)  # line endings kept
        self.assertIn(bytes([82, 80, 82, 84]), raw)  # 2024 reads 2024 on screen
        run(os.path.join(d, "words.legacy.txt"))
        with open(os.path.join(d, "words.legacy.unicode.txt"), encoding="utf-8", newline="") as f:
            self.assertEqual(f.read(), "بسم الله الرحمن الرحيم\r\nفي عام ٢٠٢٤\n\nمستشفى")
        run("--to", "legacy", "--encoding", "symbol", "-o", os.path.join(d, "sym.txt"), src)
        with open(os.path.join(d, "sym.txt"), encoding="utf-8") as f:
            self.assertTrue(all(0xF000 <= ord(c) <= 0xF0FF for c in f.read() if c not in "\r\n"))
        run("-o", os.path.join(d, "sym.unicode.txt"), os.path.join(d, "sym.txt"))
        with open(os.path.join(d, "sym.unicode.txt"), encoding="utf-8", newline="") as f:
            self.assertIn("مستشفى", f.read())

    def test_long_lines_are_broken_at_spaces(self):
        d = fresh("long")
        src = os.path.join(d, "long.txt")
        with open(src, "w", encoding="utf-8") as f:
            f.write(" ".join(["كتاب"] * 40) + "\n")
        run("--to", "legacy", "--line-glyphs", "20", src)
        with open(os.path.join(d, "long.legacy.txt"), "rb") as f:
            lines = f.read().split(b"\n")[:-1]
        self.assertGreater(len(lines), 5)
        self.assertTrue(all(len(l) <= 20 for l in lines), [len(l) for l in lines])

    def test_table_columns_by_name_and_number(self):
        d = fresh("table")
        src = os.path.join(d, "list.csv")
        with open(src, "w", encoding="utf-8", newline="") as f:
            f.write('Name,Arabisch,Nr\r\nBuch,كتاب,1\r\n"Stift, rot","قلم أحمر",2\r\n')
        run("--to", "legacy", "--columns", "Arabisch", src)
        out = os.path.join(d, "list.legacy.csv")
        with open(out, encoding="utf-8", newline="") as f:
            text = f.read()
        self.assertTrue(text.startswith('Name,Arabisch,Nr\r\nBuch,'))
        self.assertIn('"Stift, rot",', text)
        run("--columns", "2", "-o", os.path.join(d, "back.csv"), out)
        with open(os.path.join(d, "back.csv"), encoding="utf-8", newline="") as f:
            back = f.read().split("\r\n")
        self.assertEqual(back[1], "Buch,كتاب,1")
        self.assertEqual(back[2], '"Stift, rot",قلم أحمر,2')
        p = run("--columns", "Nope", src, ok=(2,))
        self.assertIn("no column named 'Nope'", p.stderr)


def split_table(text, sep):
    """Rows of fields; a field in quotes may hold the separator."""
    import csv
    import io
    return list(csv.reader(io.StringIO(text), delimiter=sep))


class TableColumns(unittest.TestCase):
    """tests/data/table_columns.tsv: which fields --columns converts."""

    def test_cases(self):
        d = fresh("columns")
        with open(os.path.join(HERE, "..", "data", "table_columns.tsv"), encoding="utf-8") as f:
            cases = [l.rstrip("\n").split("\t") for l in f if l.strip() and l[0] != "#"]
        for n, (ext, to, columns, table, expect) in enumerate(cases):
            with self.subTest(line=(ext, to, columns, table)):
                table = table.replace("\\n", "\n").replace("\\t", "\t")
                src = os.path.join(d, "%d.%s" % (n, ext))
                with open(src, "w", encoding="utf-8", newline="") as f:
                    f.write(table)
                out = os.path.join(d, "%d.out.%s" % (n, ext))
                args = ["--to", to, "-o", out, src]
                if columns != "-":
                    args = ["--columns", columns] + args
                if expect.startswith("refused: "):
                    p = run(*args, ok=(2,))
                    self.assertIn(expect[len("refused: "):], p.stderr)
                    self.assertFalse(os.path.exists(out))
                    self.assertEqual([n for n in os.listdir(d) if n.startswith(".")], [])
                    continue
                run(*args)
                sep = "," if ext == "csv" else "\t"
                with open(out, encoding="utf-8", newline="") as f:
                    after = split_table(f.read(), sep)
                before = split_table(table, sep)
                self.assertEqual([len(r) for r in after], [len(r) for r in before])
                changed = ["%d:%d" % (r + 1, c + 1) for r, row in enumerate(before)
                           for c, field in enumerate(row) if after[r][c] != field]
                self.assertEqual(",".join(changed) or "-", expect)


class RandomTables(unittest.TestCase):
    """Random tables through --to legacy and back: every record and every field
    not converted comes out as it went in, the converted column as it was."""

    WORDS = ("كتاب", "جديد", "مستشفى", "صباح", "الخير", "شمس", "وحياة", "خضراء", "قلم", "أحمر",
             "مدرسة", "كبيرة", "سلام", "عليكم", "الله")
    OTHER = ("Buch", "Stift, rot", 'sagte "ja"', "Zeile\neins", "", " ", "a\r\nb", "٢٠٢٤",
             "كتاب", ";", "\t", "Grüße")

    def test_round_trip(self):
        import csv
        import io
        import random
        rnd = random.Random(20261208)
        d = fresh("random-tables")
        for ext, sep in (("csv", ","), ("tsv", "\t")):
            for n in range(5):
                with self.subTest(ext=ext, table=n):
                    rows = [[rnd.choice(self.OTHER),
                             " ".join(rnd.choice(self.WORDS) for _ in range(rnd.randint(1, 4))),
                             rnd.choice(self.OTHER)] for _ in range(rnd.randint(1, 60))]
                    if ext == "tsv":  # no quoting in a .tsv: no separators or breaks in fields
                        rows = [[f.replace("\t", " ").replace("\n", " ").replace("\r", " ")
                                 .replace('"', "'") for f in r] for r in rows]
                    text = io.StringIO()
                    csv.writer(text, delimiter=sep, lineterminator=rnd.choice(("\n", "\r\n")),
                               quoting=csv.QUOTE_MINIMAL if ext == "csv" else csv.QUOTE_NONE,
                               escapechar=None if ext == "csv" else "\\").writerows(rows)
                    src = os.path.join(d, "%d.%s" % (n, ext))
                    with open(src, "w", encoding="utf-8", newline="") as f:
                        f.write(text.getvalue())
                    legacy = os.path.join(d, "%d.legacy.%s" % (n, ext))
                    back = os.path.join(d, "%d.back.%s" % (n, ext))
                    run("--to", "legacy", "--columns", "2", "-o", legacy, src)
                    run("--columns", "2", "-o", back, legacy)
                    with open(legacy, encoding="utf-8", newline="") as f:
                        middle = split_table(f.read(), sep)
                    with open(back, encoding="utf-8", newline="") as f:
                        after = split_table(f.read(), sep)
                    self.assertEqual(len(after), len(rows))
                    for want, mid, got in zip(rows, middle, after):
                        self.assertEqual((mid[0], mid[2]), (want[0], want[2]))
                        self.assertNotEqual(mid[1], want[1])
                        self.assertEqual(got, want)
