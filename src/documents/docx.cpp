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
  std::string styles_part;
  std::string theme_part;
  bool main_found = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == "application/vnd.openxmlformats-officedocument.theme+xml" && theme_part.empty()) {
      theme_part = name;
    }
    if (!type.starts_with("application/vnd.openxmlformats-officedocument.wordprocessingml.") &&
        !type.starts_with("application/vnd.ms-word.")) {
      continue;
    }
    const bool main = EndsWith(type, ".main+xml");
    main_found = main_found || main;
    if (main || EndsWith(type, ".header+xml") || EndsWith(type, ".footer+xml") ||
        EndsWith(type, ".footnotes+xml") || EndsWith(type, ".endnotes+xml") ||
        EndsWith(type, ".comments+xml")) {
      parts.push_back(name);
    } else if (EndsWith(type, ".styles+xml")) {
      styles_part = name;
    }
  }
  if (!main_found) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: no main document part");
  }

  pugi::xml_document styles_doc;
  bool have_styles = !styles_part.empty() && package.Has(styles_part);
  if (have_styles) {
    ParsePart(styles_doc, package, styles_part);
    UseKnownPrefixes(styles_doc.document_element(), {}, kWordNamespaces);
  }
  docx::ThemeFonts theme_fonts;
  if (!theme_part.empty() && package.Has(theme_part)) {
    pugi::xml_document theme;
    ParsePart(theme, package, theme_part);
    UseKnownPrefixes(theme.document_element(), {}, kDrawingNamespaces);
    theme_fonts = docx::ReadThemeFonts(theme);
  }
  const docx::Styles styles(have_styles ? &styles_doc : nullptr, std::move(theme_fonts));

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
