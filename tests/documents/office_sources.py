"""What the format tests share: legacy text made by harf-shape from known
Unicode words, the stand-in font installed for LibreOffice as VarnelNormal of
one kind, flat OpenDocument sources, and one LibreOffice call per batch."""
import os
import subprocess
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
KINDS = ("symbol", "latin1", "windows-1252")
CP1252_UNDEFINED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def shape(harf_shape, phrases):
    """Glyph codes of each phrase typed with a space after it (which closes
    its last ligature), as a typist's text holds them."""
    out = subprocess.run([harf_shape, "--from", "unicode"], check=True, capture_output=True,
                         input="".join(p + " \n" for p in phrases), text=True).stdout
    return [[int(c) for c in line.split()] for line in out.splitlines()]


def encode(codes, kind):
    if kind == "symbol":
        return "".join(chr(0xF000 + c) for c in codes)
    if kind == "latin1":
        return "".join(chr(c) for c in codes)
    return "".join(chr(c) if c in CP1252_UNDEFINED else bytes([c]).decode("cp1252")
                   for c in codes)


def install_font(work, kind):
    """The stand-in renamed VarnelNormal with the kind's cmap, in a folder of
    its own; returns the environment under which LibreOffice finds it."""
    folder = os.path.join(work, "fonts-" + kind)
    os.makedirs(folder, exist_ok=True)
    font = os.path.join(folder, "VarnelNormal.ttf")
    subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests", "fonts", "rename_font.py"),
                    os.path.join(ROOT, "fonts", "HarfStandIn.ttf"), font, "VarnelNormal",
                    "--cmap", kind], check=True)
    conf = os.path.join(work, "fonts-%s.conf" % kind)
    with open(conf, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                '<fontconfig><include ignore_missing="yes">/etc/fonts/fonts.conf</include>'
                '<dir>%s</dir><cachedir>%s</cachedir></fontconfig>\n'
                % (folder, os.path.join(work, "fontcache-" + kind)))
    env = dict(os.environ)
    env["FONTCONFIG_FILE"] = conf
    return env, font


NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
      'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
      'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"')

FONT_FACES = ('<office:font-face-decls>'
              '<style:font-face style:name="VarnelNormal" svg:font-family="VarnelNormal"/>'
              '<style:font-face style:name="DejaVu Sans" svg:font-family="\'DejaVu Sans\'"/>'
              '</office:font-face-decls>')


TEXT_STYLES = ('<style:style style:name="L" style:family="text">'
               '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
               '<style:style style:name="LB" style:family="text">'
               '<style:text-properties style:font-name="VarnelNormal" fo:font-weight="bold"/>'
               '</style:style>')


def legacy_span(text, style="L"):
    return '<text:span text:style-name="%s">%s</text:span>' % (style, escape(text))


def pieces(items):
    """(legacy, text) pieces: legacy True, "bold" (legacy in bold) or False."""
    return "".join(legacy_span(t, "LB" if legacy == "bold" else "L") if legacy else escape(t)
                   for legacy, t in items)


def fodt(pages):
    """A flat text document: pages, each a list of paragraphs, each a list of
    (is_legacy, text) pieces."""
    body = []
    for n, page in enumerate(pages):
        for i, para in enumerate(page):
            style = ' text:style-name="Break"' if n and not i else ""
            inner = "".join(legacy_span(t) if legacy else escape(t) for legacy, t in para)
            body.append("<text:p%s>%s</text:p>" % (style, inner))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.text">%s'
            '<office:automatic-styles>'
            '<style:style style:name="L" style:family="text">'
            '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
            '<style:style style:name="Break" style:family="paragraph">'
            '<style:paragraph-properties fo:break-before="page"/></style:style>'
            '</office:automatic-styles><office:body><office:text>%s</office:text></office:body>'
            '</office:document>\n' % (NS, FONT_FACES, "\n".join(body)))


def soffice(work, target, outdir, files, env=None, timeout=300):
    """One LibreOffice call converting every file to `target`."""
    profile = "-env:UserInstallation=file://" + os.path.join(work, "profile")
    subprocess.run(["soffice", profile, "--headless", "--convert-to", target, "--outdir", outdir]
                   + files, check=True, capture_output=True, timeout=timeout, env=env)


def fods(sheets):
    """A flat spreadsheet: sheets, each (name, rows), each row a list of
    cells: None (empty), a number, ("L", text) in a cell styled in the legacy
    font, ("P", text) plain, or ("R", [(is_legacy, text), ...]) rich text."""
    tables = []
    for name, rows in sheets:
        out = []
        for row in rows:
            cells = []
            for cell in row:
                if cell is None:
                    cells.append("<table:table-cell/>")
                elif isinstance(cell, (int, float)):
                    cells.append('<table:table-cell office:value-type="float" office:value="%s">'
                                 "<text:p>%s</text:p></table:table-cell>" % (cell, cell))
                elif cell[0] == "F":
                    cells.append('<table:table-cell table:formula="of:%s" '
                                 'office:value-type="float"/>' % escape(cell[1]))
                else:
                    kind, text = cell
                    style = ' table:style-name="LC"' if kind == "L" else ""
                    inner = pieces(text) if kind == "R" else escape(text)
                    cells.append('<table:table-cell%s office:value-type="string">'
                                 "<text:p>%s</text:p></table:table-cell>" % (style, inner))
            out.append("<table:table-row>%s</table:table-row>" % "".join(cells))
        tables.append('<table:table table:name="%s"><table:table-column '
                      'table:number-columns-repeated="4"/>%s</table:table>'
                      % (escape(name), "".join(out)))
    head = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">%s'
            '<office:automatic-styles>'
            '<style:style style:name="LC" style:family="table-cell">'
            '<style:text-properties style:font-name="VarnelNormal"/></style:style>'
            % (NS, FONT_FACES))
    return (head + TEXT_STYLES + '</office:automatic-styles><office:body><office:spreadsheet>'
            + "".join(tables) + '</office:spreadsheet></office:body></office:document>\n')


def fodp(slides):
    """A flat presentation: slides, each a list of text frames, each a list of
    paragraphs, each a list of (legacy, text) pieces (see pieces())."""
    pages = []
    for n, frames in enumerate(slides):
        shapes = []
        for i, paras in enumerate(frames):
            body = "".join("<text:p>%s</text:p>" % pieces(p) for p in paras)
            shapes.append('<draw:frame svg:x="2cm" svg:y="%dcm" svg:width="22cm" '
                          'svg:height="3cm"><draw:text-box>%s</draw:text-box></draw:frame>'
                          % (2 + 4 * i, body))
        pages.append('<draw:page draw:name="page%d" draw:master-page-name="Default">%s'
                     '</draw:page>' % (n + 1, "".join(shapes)))
    head = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.presentation">%s'
            % (NS, FONT_FACES))
    return (head + '<office:master-styles><style:master-page style:name="Default"/>'
            '</office:master-styles><office:automatic-styles>' + TEXT_STYLES +
            '</office:automatic-styles><office:body><office:presentation>' + "".join(pages) +
            '</office:presentation></office:body></office:document>\n')
