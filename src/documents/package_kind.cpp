// What a package is: a .docx or an .odt told by its contents, whatever its
// file is called, and refused when it is not what its extension says.
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "documents/package.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

// An .odt's mimetype, or empty when it has none (or one too long to be one).
std::string MimetypeOf(const Package& package) {
  if (!package.Has("mimetype") || package.Size("mimetype") > 256) return {};
  return package.Read("mimetype");
}

bool IsTextMimetype(std::string_view type) {
  return type == "application/vnd.oasis.opendocument.text" ||
         type == "application/vnd.oasis.opendocument.text-template" ||
         type == "application/vnd.oasis.opendocument.text-master";
}

}  // namespace

PackageKind SniffPackage(const Package& package) {
  if (package.Has("[Content_Types].xml")) {
    pugi::xml_document types;
    ParsePart(types, package, "[Content_Types].xml");
    for (const pugi::xml_node o : types.child("Types").children("Override")) {
      const std::string_view type = o.attribute("ContentType").value();
      if ((type.starts_with("application/vnd.openxmlformats-officedocument.wordprocessingml.") ||
           type.starts_with("application/vnd.ms-word.")) &&
          type.ends_with(".main+xml")) {
        return PackageKind::Docx;
      }
    }
  }
  if (IsTextMimetype(MimetypeOf(package))) return PackageKind::Odt;
  return PackageKind::Other;
}

namespace {

// The part [Content_Types].xml names as a .docx's main document.
std::string DocxMainPart(const Package& package) {
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  for (const pugi::xml_node o : types.child("Types").children("Override")) {
    const std::string_view type = o.attribute("ContentType").value();
    if (type.ends_with(".main+xml")) {
      std::string name = o.attribute("PartName").value();
      if (!name.empty() && name.front() == '/') name.erase(0, 1);
      return name;
    }
  }
  return {};
}

}  // namespace

void RequirePackage(const Package& package, PackageKind expected) {
  const PackageKind kind = SniffPackage(package);
  if (expected == PackageKind::Docx && kind != PackageKind::Docx) {
    if (kind == PackageKind::Odt) Invalid("not a .docx document: it is an OpenDocument file");
    if (!package.Has("[Content_Types].xml")) {
      Invalid("not a .docx document: no [Content_Types].xml");
    }
    Invalid("not a .docx document: no main document part");
  }
  if (expected == PackageKind::Odt && kind != PackageKind::Odt) {
    if (kind == PackageKind::Docx) {
      Invalid("not an .odt document: it is an Office Open XML (.docx) file");
    }
    if (!package.Has("mimetype")) Invalid("not an .odt document: no mimetype");
    Invalid("not an .odt document: its type is " + MimetypeOf(package).substr(0, 80));
  }
  const std::string main = kind == PackageKind::Docx ? DocxMainPart(package) : "content.xml";
  if (!package.Has(main)) Invalid("no main part " + main + " in the package");
}

}  // namespace harf::documents
