"""The inputs of tests/data/hostile_inputs.tsv, each written by the generator
its line names (before an input's colon): small .docx and .odt packages with
one thing wrong in their zip headers, their XML or their size, and other files
that are no document at all. generator(name) finds a generator by that name.
"""
import os
import struct
import zipfile

from doc_packages import DOCX_HEAD, write_docx, write_odt

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
