#include "formats.h"

#include <array>
#include <optional>
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

constexpr std::array<std::pair<std::string_view, Format>, 16> kExtensions = {{
    {".docx", Format::Docx},
    {".odt", Format::Odt},
    {".xlsx", Format::Xlsx},
    {".ods", Format::Ods},
    {".pptx", Format::Pptx},
    {".odp", Format::Odp},
    {".txt", Format::Text},
    {".csv", Format::Csv},
    {".tsv", Format::Tsv},
    {".html", Format::Html},
    {".htm", Format::Html},
    {".pdf", Format::Pdf},
    {".doc", Format::Doc},
    {".rtf", Format::Rtf},
    {".xls", Format::Xls},
    {".ppt", Format::Ppt},
}};

using Converter = ConvertStats (*)(const std::string&, const std::string&,
                                   const documents::ConvertOptions&);

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// A zip package: what it holds is checked first, and garbled XML that comes
// from a damaged entry is reported as the damage.
// A package of a kind the package layer knows is checked to be that kind with
// its main part before its converter starts.
ConvertStats ConvertPackage(const fs::path& in, const std::string& out,
                            std::optional<PackageKind> kind, Converter convert,
                            const documents::ConvertOptions& o) {
  try {
    if (kind) RequirePackage(Package(in), *kind);
    return convert(in, out, o);
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

Format OutputFormatOf(Format format) {
  return format == Format::Pdf ? Format::Text : format;
}

std::string KnownExtensions() {
  std::string list;
  for (const auto& [name, format] : kExtensions) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

ConvertStats ConvertOne(const fs::path& in, const std::string& out, Format format,
                        const documents::ConvertOptions& o) {
  switch (format) {
    case Format::Docx:
      return ConvertPackage(in, out, PackageKind::Docx, documents::ConvertDocx, o);
    case Format::Odt:
      return ConvertPackage(in, out, PackageKind::Odt, documents::ConvertOdt, o);
    case Format::Xlsx:
      return ConvertPackage(in, out, std::nullopt, documents::ConvertXlsx, o);
    case Format::Ods:
      return ConvertPackage(in, out, std::nullopt, documents::ConvertOds, o);
    case Format::Pptx:
      return ConvertPackage(in, out, std::nullopt, documents::ConvertPptx, o);
    case Format::Odp:
      return ConvertPackage(in, out, std::nullopt, documents::ConvertOdp, o);
    case Format::Html:
      return documents::ConvertHtml(in, out, o);
    case Format::Pdf:
      return documents::ConvertPdf(in, out, o);
    case Format::Text:
      return documents::ConvertText(in, out, o);
    case Format::Csv:
      return documents::ConvertTable(in, out, ',', o);
    case Format::Tsv:
      return documents::ConvertTable(in, out, '\t', o);
    case Format::Doc:
      return ConvertThroughOffice(in, out, OfficeFormat::Doc, o);
    case Format::Rtf:
      return ConvertThroughOffice(in, out, OfficeFormat::Rtf, o);
    case Format::Xls:
      return ConvertThroughOffice(in, out, OfficeFormat::Xls, o);
    case Format::Ppt:
      return ConvertThroughOffice(in, out, OfficeFormat::Ppt, o);
  }
  return {};
}

}  // namespace harf::convert
