#include "document_package.h"

#include <zip.h>

#include <cstdio>

namespace harf::document_fuzz {
namespace {

constexpr std::string_view kDocxTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/></Types>)";
constexpr std::string_view kDocxRels =
    R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";
constexpr std::string_view kOdtManifest =
    R"(<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3"><manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/><manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>)";

constexpr std::string_view kXlsxTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>)";
constexpr std::string_view kXlsxWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)";
constexpr std::string_view kPptxTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Override PartName="/ppt/presentation.xml" ContentType="application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"/><Override PartName="/ppt/slides/slide1.xml" ContentType="application/vnd.openxmlformats-officedocument.presentationml.slide+xml"/><Override PartName="/ppt/theme/theme1.xml" ContentType="application/vnd.openxmlformats-officedocument.theme+xml"/></Types>)";
constexpr std::string_view kPptxPresentation =
    R"(<?xml version="1.0" encoding="UTF-8"?><p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"/>)";

// Stored, not deflated: a part of thousands of nested elements deflates far
// past the package's ratio limit and would be refused before it is parsed.
bool AddEntry(zip_t* z, const char* name, std::string_view data) {
  zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
  if (!s) return false;
  const zip_int64_t i = zip_file_add(z, name, s, ZIP_FL_OVERWRITE);
  if (i < 0) {
    zip_source_free(s);
    return false;
  }
  return zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0) == 0;
}

}  // namespace

Parts SplitBody(std::string_view body) {
  Parts p;
  const std::size_t strings = body.find(kStringsMark);
  if (strings != std::string_view::npos) {
    p.with_strings = true;
    p.strings = body.substr(strings + kStringsMark.size());
    body = body.substr(0, strings);
  }
  const std::size_t styles = body.find(kStylesMark);
  if (styles != std::string_view::npos) {
    p.with_styles = true;
    p.styles = body.substr(styles + kStylesMark.size());
    body = body.substr(0, styles);
  }
  p.main = body;
  return p;
}

bool WritePackage(const std::string& path, Format f, const Parts& p) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) return false;
  bool ok = true;
  switch (f) {
    case Format::Docx:
      ok = AddEntry(z, "[Content_Types].xml", kDocxTypes) &&
           AddEntry(z, "_rels/.rels", kDocxRels) && AddEntry(z, "word/document.xml", p.main) &&
           (!p.with_styles || AddEntry(z, "word/styles.xml", p.styles));
      break;
    case Format::Xlsx:
      ok = AddEntry(z, "[Content_Types].xml", kXlsxTypes) &&
           AddEntry(z, "xl/workbook.xml", kXlsxWorkbook) &&
           AddEntry(z, "xl/worksheets/sheet1.xml", p.main) &&
           (!p.with_styles || AddEntry(z, "xl/styles.xml", p.styles)) &&
           (!p.with_strings || AddEntry(z, "xl/sharedStrings.xml", p.strings));
      break;
    case Format::Pptx:
      ok = AddEntry(z, "[Content_Types].xml", kPptxTypes) &&
           AddEntry(z, "ppt/presentation.xml", kPptxPresentation) &&
           AddEntry(z, "ppt/slides/slide1.xml", p.main) &&
           (!p.with_styles || AddEntry(z, "ppt/theme/theme1.xml", p.styles));
      break;
    default: {
      const char* type = f == Format::Ods   ? "application/vnd.oasis.opendocument.spreadsheet"
                         : f == Format::Odp ? "application/vnd.oasis.opendocument.presentation"
                                            : "application/vnd.oasis.opendocument.text";
      ok = AddEntry(z, "mimetype", type) && AddEntry(z, "META-INF/manifest.xml", kOdtManifest) &&
           AddEntry(z, "content.xml", p.main) &&
           (!p.with_styles || AddEntry(z, "styles.xml", p.styles));
    }
  }
  if (!ok) {
    zip_discard(z);
    return false;
  }
  return zip_close(z) == 0;
}

void Damage(const std::string& path, std::size_t at, std::uint8_t bits) {
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) return;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  if (size > 0) {
    std::fseek(f, static_cast<long>(at % static_cast<std::size_t>(size)), SEEK_SET);
    const int c = std::fgetc(f);
    std::fseek(f, static_cast<long>(at % static_cast<std::size_t>(size)), SEEK_SET);
    std::fputc((c ^ bits) & 0xFF, f);
  }
  std::fclose(f);
}

}  // namespace harf::document_fuzz
