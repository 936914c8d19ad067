// .docx: WordprocessingML runs set in the legacy font, found through direct
// formatting, character and paragraph styles and the document defaults. The
// package's parts: which hold text, and the styles and theme they share.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/convert.h"
#include "documents/docx_part.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

ConvertStats ConvertDocx(const std::string& in, const std::string& out, const ConvertOptions& o) {
  Package package(in);
  if (package.Has("mimetype") && !package.Has("[Content_Types].xml")) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: it is an OpenDocument file");
  }
  if (!package.Has("[Content_Types].xml")) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: no [Content_Types].xml");
  }
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  std::vector<std::string> parts;
  std::string stylesPart;
  std::string themePart;
  bool mainFound = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == "application/vnd.openxmlformats-officedocument.theme+xml" && themePart.empty()) {
      themePart = name;
    }
    if (!type.starts_with("application/vnd.openxmlformats-officedocument.wordprocessingml.") &&
        !type.starts_with("application/vnd.ms-word.")) {
      continue;
    }
    const bool main = EndsWith(type, ".main+xml");
    mainFound = mainFound || main;
    if (main || EndsWith(type, ".header+xml") || EndsWith(type, ".footer+xml") ||
        EndsWith(type, ".footnotes+xml") || EndsWith(type, ".endnotes+xml") ||
        EndsWith(type, ".comments+xml")) {
      parts.push_back(name);
    } else if (EndsWith(type, ".styles+xml")) {
      stylesPart = name;
    }
  }
  if (!mainFound) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: no main document part");
  }

  pugi::xml_document stylesDoc;
  bool haveStyles = !stylesPart.empty() && package.Has(stylesPart);
  if (haveStyles) {
    ParsePart(stylesDoc, package, stylesPart);
    UseKnownPrefixes(stylesDoc.document_element(), {}, kWordNamespaces);
  }
  docx::ThemeFonts themeFonts;
  if (!themePart.empty() && package.Has(themePart)) {
    pugi::xml_document theme;
    ParsePart(theme, package, themePart);
    UseKnownPrefixes(theme.document_element(), {}, kDrawingNamespaces);
    themeFonts = docx::ReadThemeFonts(theme);
  }
  const docx::Styles styles(haveStyles ? &stylesDoc : nullptr, std::move(themeFonts));

  ConvertStats stats;
  std::map<std::string, NewPart> replaced;
  for (const std::string& name : parts) {
    if (!package.Has(name)) continue;
    docx::PartConverter converter(styles, o, name, stats);
    DeflatedPart part = StreamBlocks(package, name, docx::kLayout, converter);
    if (part.file) replaced[name].deflated = std::move(part);
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
