"""What the construct tests of both formats share: a case's text read as
tokens, the words' glyph codes from harf-shape, and harf-convert run on a file."""
import re
import subprocess

# What an inline object reads as in the text of a paragraph.
OBJECT_MARK = "*"


def shape(harf_shape, words):
    """Display-order glyph codes of each word, the typed line's padding left out."""
    out = subprocess.run([harf_shape, "--from", "unicode"], input="".join(w + "\n" for w in words),
                         check=True, capture_output=True, text=True).stdout
    lines = [[int(c) for c in line.split()] for line in out.splitlines()]
    return [line[:-1] if line and line[-1] == 32 else line for line in lines]


def tokens(text):
    """(kind, value, inside) in reading order: word, space, object."""
    out, inside = [], False
    for piece in re.findall(r"\[|\]|\*| +|[^ \[\]*]+", text):
        if piece == "[":
            inside = True
        elif piece == "]":
            inside = False
        elif piece == "*":
            out.append(("object", piece, inside))
        elif piece.startswith(" "):
            out.append(("space", piece, inside))
        else:
            out.append(("word", piece, inside))
    return out


def is_arabic(word):
    return bool(re.search("[\u0600-\u06ff]", word))


def display_order(construct, toks):
    """The tokens as a legacy document holds them: each stretch of Arabic
    (spaces and signs between its words included) turned round, Latin as it
    is."""
    order, stretch = [], []
    for t in toks + [None]:
        if t is not None and (t[0] != "word" or is_arabic(t[1])) and not (
                construct == "latin" and t[0] == "space" and not t[2]):
            stretch.append(t)
            continue
        order += reversed(stretch)
        stretch = []
        if t is not None:
            order.append(t)
    return order


def squeeze(s):
    return re.sub(" +", " ", s).strip()


def convert(harf_convert, src, dst, to):
    p = subprocess.run([harf_convert, "--to", to, "-o", dst, src], capture_output=True, text=True)
    if p.returncode != 0:
        raise AssertionError("%s: exit %d %s" % (src, p.returncode, p.stderr))


def read_cases(path):
    cases = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                cases.append(line.rstrip("\n").split("\t"))
    return cases
