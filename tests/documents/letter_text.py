"""The legacy font's name, and glyph codes as the text of each of its encodings,
for the test letters."""

LEGACY = "VarnelNormal"

CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def encode(codes, encoding):
    if encoding == "symbol":
        return "".join(chr(0xF000 + c) for c in codes)
    if encoding == "latin1":
        return "".join(chr(c) for c in codes)
    return "".join(chr(c) if c in CP1252_UNDEFINED else bytes([c]).decode("cp1252")
                   for c in codes)
