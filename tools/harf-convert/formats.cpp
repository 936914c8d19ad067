#include "formats.h"

#include <array>
#include <utility>

#include "documents/package.h"
#include "office.h"

namespace harf::convert {
namespace {

namespace fs = std::filesystem;
using documents::ConvertStats;
using documents::DocumentError;
using documents::Package;
using documents::PackageKind;

constexpr std::array<std::pair<std::string_view, Format>, 7> kExtensions = {{
    {".docx", Format::Docx},
    {".odt", Format::Odt},
    {".txt", Format::Text},
    {".csv", Format::Csv},
    {".tsv", Format::Tsv},
    {".doc", Format::Doc},
    {".rtf", Format::Rtf},
}};

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// A zip package: what it holds is checked first, and garbled XML that comes
// from a damaged entry is reported as the damage.
ConvertStats ConvertPackage(const fs::path& in, const std::string& out, PackageKind kind,
                            const documents::ConvertOptions& o) {
  try {
    RequirePackage(Package(in), kind);
    return kind == PackageKind::Docx ? documents::ConvertDocx(in, out, o)
                                     : documents::ConvertOdt(in, out, o);
  } catch (const DocumentError& e) {
    if (e.kind() != DocumentError::Kind::Invalid) throw;
    const std::string damage = documents::FindDamagedEntry(in);
    if (!damage.empty() && damage != e.what()) {
      throw DocumentError(DocumentError::Kind::Invalid, damage);
    }
    throw;
  }
}

}  // namespace

std::optional<Format> FormatOf(const fs::path& p) {
  const std::string ext = Lower(p.extension().string());
  for (const auto& [name, format] : kExtensions) {
    if (ext == name) return format;
  }
  return std::nullopt;
}

std::string ExtensionOf(Format format) {
  for (const auto& [name, f] : kExtensions) {
    if (f == format) return std::string(name);
  }
  return {};
}

ConvertStats ConvertOne(const fs::path& in, const std::string& out, Format format,
                        const documents::ConvertOptions& o) {
  switch (format) {
    case Format::Docx:
      return ConvertPackage(in, out, PackageKind::Docx, o);
    case Format::Odt:
      return ConvertPackage(in, out, PackageKind::Odt, o);
    case Format::Text:
      return documents::ConvertText(in, out, o);
    case Format::Csv:
      return documents::ConvertTable(in, out, ',', o);
    case Format::Tsv:
      return documents::ConvertTable(in, out, '\t', o);
    case Format::Doc:
    case Format::Rtf:
      return ConvertThroughOffice(in, out,
                                  format == Format::Doc ? OfficeFormat::Doc : OfficeFormat::Rtf, o);
  }
  return {};
}

}  // namespace harf::convert
