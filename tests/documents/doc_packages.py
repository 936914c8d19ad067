"""Documents written straight as their zip parts, for tests that need bodies
far larger or odder than a word processor's library makes quickly."""
import zipfile

W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
DOCX_HEAD = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<w:document xmlns:w="%s"><w:body>' % W_NS)


def write_docx(path, body, stored=False):
    """body: the pieces of w:body, text or bytes. Stored: no compression, for
    bodies that repeat so much they would pass the zip-bomb ratio."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", (
            '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.'
            'org/package/2006/content-types"><Default Extension="rels" ContentType="application/'
            'vnd.openxmlformats-package.relationships+xml"/><Override PartName="/word/document.xml"'
            ' ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.'
            'document.main+xml"/></Types>'))
        z.writestr("_rels/.rels", (
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
            'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://'
            'schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
            'Target="word/document.xml"/></Relationships>'))
        with z.open("word/document.xml", "w") as f:
            f.write(DOCX_HEAD.encode())
            for piece in body:
                f.write(piece if isinstance(piece, bytes) else piece.encode())
            f.write(b"<w:sectPr/></w:body></w:document>")


ODT_NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
}
ODT_HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content %s office:version='
            '"1.3"><office:automatic-styles><style:style style:name="T1" style:family="text">'
            '<style:text-properties fo:font-family="VarnelNormal" fo:font-weight="bold"/>'
            '</style:style></office:automatic-styles><office:body><office:text>'
            % " ".join('xmlns:%s="%s"' % kv for kv in ODT_NS.items()))


def write_odt(path, body, stored=False):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text",
                   compress_type=zipfile.ZIP_STORED)
        z.writestr("META-INF/manifest.xml", (
            '<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:'
            'names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3"><manifest:file-entry'
            ' manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"'
            '/><manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"'
            '/></manifest:manifest>'))
        with z.open("content.xml", "w") as f:
            f.write(ODT_HEAD.encode())
            for piece in body:
                f.write(piece.encode())
            f.write(b"</office:text></office:body></office:document-content>")


