// .odt: OpenDocument text whose spans (or paragraphs) are set in the legacy
// font, through automatic and common styles, style:font-name (a font-face
// declaration) or fo:font-family. The package: its type, its common styles,
// and the parts that hold text.
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "documents/convert.h"
#include "documents/odt_part.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_part.h"

namespace harf::documents {

ConvertStats ConvertOdt(const std::string& in, const std::string& out, const ConvertOptions& o) {
  Package package(in);
  if (package.Has("[Content_Types].xml") && !package.Has("mimetype")) {
    Invalid("not an .odt document: it is an Office Open XML (.docx) file");
  }
  if (!package.Has("mimetype")) Invalid("not an .odt document: no mimetype");
  const std::string mimetype = package.Read("mimetype");
  if (!mimetype.starts_with("application/vnd.oasis.opendocument.text")) {
    Invalid("not an .odt document: its type is " + mimetype.substr(0, 80));
  }
  if (package.Has("META-INF/manifest.xml")) {
    pugi::xml_document manifest;
    ParsePart(manifest, package, "META-INF/manifest.xml");
    if (manifest.select_node("//manifest:encryption-data")) {
      Invalid("encrypted document (its parts are encrypted with a password)");
    }
  }
  if (!package.Has("content.xml")) Invalid("not an .odt document: no content.xml");

  pugi::xml_document styles;
  const bool haveStyles = package.Has("styles.xml");
  if (haveStyles) {
    ParsePart(styles, package, "styles.xml");
    UseKnownPrefixes(styles.document_element(), {}, kOdfNamespaces);
  }
  const pugi::xml_node stylesRoot = styles.document_element();

  odt::StyleScope common;
  odt::StyleScope::Collect(stylesRoot.child("office:styles"), common.commonText,
                           common.commonParagraph);
  for (const pugi::xml_node d : stylesRoot.child("office:styles").children("style:default-style")) {
    if (std::string_view(d.attribute("style:family").value()) == "paragraph") {
      common.defaultParagraph = d;
    }
  }
  odt::StyleScope::CollectFonts(stylesRoot.child("office:font-face-decls"), common.fontFamily);

  ConvertStats stats;
  std::map<std::string, NewPart> replaced;
  odt::PartConverter content(common, o, "content.xml", stats);
  DeflatedPart part = StreamBlocks(package, "content.xml", odt::kLayout, content);
  if (part.file) replaced["content.xml"].deflated = std::move(part);
  // Headers and footers live in the master pages of styles.xml, which is
  // small and converted whole.
  if (haveStyles) {
    odt::PartConverter converter(common, o, "styles.xml", stats);
    converter.TakeHead(stylesRoot);
    if (converter.ConvertBlock(stylesRoot)) {
      replaced["styles.xml"].bytes = SerializePart(styles, package.Size("styles.xml"));
    }
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
