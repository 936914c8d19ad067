#!/usr/bin/python3
"""The table generator refuses a damaged data file with a message naming the
file and the line, and writes nothing; the committed data file reads cleanly.

Each case edits one row of a copy of glyphs.tsv: (what it does, the row it
edits by its first three fields, the field to change, the new value, words the
message must contain).
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = os.path.join(HERE, os.pardir, os.pardir, "src", "tables")
GENERATOR = os.path.join(TABLES, "gen_tables.py")
DATA = os.path.join(TABLES, "glyphs.tsv")

CASES = [
    ("letters out of order", "letter\t2\t", 1, "3", "letter 3 where 2 belongs"),
    ("glyph code above 255", "letter\t2\t", 3, "256", "no glyph code"),
    ("glyph code not a number", "letter\t2\t", 4, "x", "no glyph code"),
    ("a sign class beyond letter 29", "letter\t30\t", 7, "standard", "only letters below 30"),
    ("an unknown sign class", "letter\t5\t", 7, "below", "needs one of"),
    ("a carrier without a class", "letter\t5\t", 7, "-", "needs one of"),
    ("an identifier that is no name", "letter\t5\t", 2, "jim", "no kName identifier"),
    ("two letters with one identifier", "letter\t5\t", 2, "kBa", "share an identifier"),
    ("a code point in another form", "letter\t5\t", 8, "0x062C", "no code point"),
    ("two ligatures with one code", "ligature\t35\t", 1, "34", "share a code"),
    ("two ligatures with one pair", "ligature\t35\t", 2, "105", "share a pair"),
    ("a row with a field missing", "ligature\t35\t", 4, None, "not a letter row"),
]


def generate(data, out):
    return subprocess.run([sys.executable, GENERATOR, data, "--out", out],
                          capture_output=True, text=True, check=False)


def main():
    with open(DATA, encoding="utf-8") as f:
        rows = f.read().split("\n")
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "glyph_data.h")
        clean = generate(DATA, out)
        if clean.returncode != 0 or not os.path.exists(out):
            print(f"the committed data file fails: {clean.stderr.strip()}")
            failures += 1
        for what, start, field, value, message in CASES:
            edited = []
            for row in rows:
                if row.startswith(start):
                    fields = row.split("\t")
                    if value is None:
                        del fields[field]
                    else:
                        fields[field] = value
                    row = "\t".join(fields)
                edited.append(row)
            data = os.path.join(tmp, "glyphs.tsv")
            with open(data, "w", encoding="utf-8") as f:
                f.write("\n".join(edited))
            if os.path.exists(out):
                os.remove(out)
            result = generate(data, out)
            row_number = next(n for n, row in enumerate(rows, 1) if row.startswith(start))
            # A damaged row is named by its line; a clash between rows by the file.
            where = "glyphs.tsv" if "share" in message else f"glyphs.tsv:{row_number}:"
            ok = (result.returncode != 0 and message in result.stderr
                  and where in result.stderr and not os.path.exists(out))
            if not ok:
                failures += 1
                print(f"{what}: exit {result.returncode}, {result.stderr.strip()!r}")
    print(f"{len(CASES)} damaged data files, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
