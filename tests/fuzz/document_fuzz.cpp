// libFuzzer target on the document readers: .docx, .odt, .xlsx, .pptx, .ods
// and .odp packages, .html pages, .txt, .csv and .tsv, both directions,
// through the same calls harf-convert makes.
// An input is a header of four bytes and a body:
//   byte 0   bits 0-2 the format (docx, odt, txt, csv, tsv, xlsx or html,
//            pptx, ods or odp), bit 3 to the legacy font, bits 4-5 the
//            encoding (auto, symbol, latin1, windows-1252), bit 6 text read
//            as bytes (for a package or page: html rather than xlsx, odp
//            rather than ods), bit 7 damage the package
//   bytes 1-3 where the package is damaged (16 bits) and the byte xor-ed in
//   body     a package's main part (document.xml, content.xml, the sheet,
//            the slide), after a line "--styles--" its styles part (the
//            theme of a .pptx), and after a line "--strings--" a workbook's
//            shared strings; or the text file or page itself.
// The package is zipped with libzip for every run, so that the mutator works
// on XML text: it nests elements thousands deep, writes huge counts, inserts
// elements of both formats and flips bytes. A document refused as invalid is
// fine; a crash, a sanitizer report or an exception of another kind is a
// finding.
#include <signal.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/package.h"

// libFuzzer's own mutations; absent (null) where the corpus is only replayed.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size,
                                                              std::size_t max_size);

namespace {

using harf::documents::ConvertOptions;
using harf::documents::Direction;

enum class Format : std::uint8_t { Docx, Odt, Text, Csv, Tsv, Xlsx, Pptx, Ods, Odp, Html };

constexpr std::string_view kStylesMark = "\n--styles--\n";
constexpr std::string_view kStringsMark = "\n--strings--\n";

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

// Pieces the mutator inserts: elements and attributes of both formats,
// legacy and Arabic text, and XML's own constructs.
constexpr std::string_view kPieces[] = {
    "<w:p>",
    "</w:p>",
    "<w:r><w:rPr><w:rFonts w:ascii=\"VarnelNormal\" w:hAnsi=\"VarnelNormal\"/></w:rPr><w:t>",
    "</w:t></w:r>",
    "<w:r><w:t xml:space=\"preserve\">",
    "<w:hyperlink r:id=\"rId9\">",
    "</w:hyperlink>",
    "<w:smartTag w:element=\"x\">",
    "<w:sdt><w:sdtContent>",
    "</w:sdtContent></w:sdt>",
    "<w:fldSimple w:instr=\"PAGE\">",
    "<w:ins w:id=\"1\" w:author=\"a\">",
    "<w:del w:id=\"2\"><w:r><w:delText>\xc7\xe1</w:delText></w:r></w:del>",
    "<w:softHyphen/>",
    "<w:sym w:font=\"VarnelNormal\" w:char=\"F0E5\"/>",
    "<w:tab/>",
    "<w:br/>",
    "<w:pPr><w:bidi/><w:jc w:val=\"right\"/></w:pPr>",
    "<w:footnoteReference w:id=\"1\"/>",
    "<w:customXml>",
    "<w:moveTo>",
    "<w:rPr><w:rFonts w:asciiTheme=\"minorHAnsi\"/><w:rtl/><w:szCs w:val=\"28\"/></w:rPr>",
    "<text:p text:style-name=\"P1\">",
    "</text:p>",
    "<text:span text:style-name=\"T1\">",
    "</text:span>",
    "<text:s text:c=\"4000000000\"/>",
    "<text:s text:c=\"99999\"/>",
    "<text:s/>",
    "<text:a xlink:href=\"x\">",
    "<text:note text:note-class=\"footnote\"><text:note-body><text:p>",
    "<text:tab/>",
    "<text:line-break/>",
    "<text:change-start text:change-id=\"c1\"/>",
    "<text:h text:outline-level=\"1\">",
    "\xc7\xe1\xe3 \xdf\xca\xc8",
    "\xef\x83\xa5\xef\x82\x8d",
    "\xd8\xa8\xd9\x8a\xd8\xaa \xd9\x83\xd8\xaa\xd8\xa7\xd8\xa8",
    "&#1;",
    "&amp;&lt;",
    "<![CDATA[<]]>",
    "<!DOCTYPE d [<!ENTITY e \"ee\">]>",
    "&e;",
    "\r\n\r",
    // Workbooks: cells, shared strings and their rich runs, fonts and formats.
    "<row r=\"1\">",
    "</row>",
    "<c r=\"A1\" t=\"s\" s=\"1\"><v>0</v></c>",
    "<c r=\"B1\" t=\"s\"><v>4294967296</v></c>",
    "<c t=\"inlineStr\" s=\"1\"><is><t>\xc7\xe1</t></is></c>",
    "<c t=\"str\"><f>A1</f><v>\xc7</v></c>",
    "<si><t>\xc7\xe1\xe3</t></si>",
    "<si><r><rPr><rFont val=\"VarnelNormal\"/></rPr><t>\xdf\xca</t></r><r><t>x</t></r></si>",
    "<font><name val=\"VarnelNormal\"/></font>",
    "<xf fontId=\"1\" applyFont=\"1\"/>",
    "<xf fontId=\"99999\"/>",
    // Presentations: paragraphs, runs and their fonts, theme fonts.
    "<a:p>",
    "</a:p>",
    "<a:r><a:rPr lang=\"ar-SA\"><a:latin typeface=\"VarnelNormal\"/><a:cs "
    "typeface=\"VarnelNormal\"/></a:rPr><a:t>",
    "</a:t></a:r>",
    "<a:r><a:rPr><a:latin typeface=\"+mn-lt\"/></a:rPr><a:t>\xc7\xe1</a:t></a:r>",
    "<a:br/>",
    "<a:fld type=\"slidenum\"><a:t>1</a:t></a:fld>",
    "<a:pPr rtl=\"1\" algn=\"r\"/>",
    "<a:tbl><a:tr><a:tc><a:txBody><a:p>",
    "<a:minorFont><a:latin typeface=\"VarnelNormal\"/></a:minorFont>",
    // OpenDocument spreadsheets and presentations.
    "<table:table-row><table:table-cell table:style-name=\"ce1\"><text:p>",
    "</text:p></table:table-cell></table:table-row>",
    "<table:table-cell table:number-columns-repeated=\"4000000000\"/>",
    "<draw:frame presentation:style-name=\"pr1\"><draw:text-box><text:p>",
    "</text:p></draw:text-box></draw:frame>",
    "<style:style style:name=\"T1\" style:family=\"text\"><style:text-properties "
    "style:font-name=\"VarnelNormal\" fo:font-family=\"VarnelNormal\"/></style:style>",
    "<style:style style:name=\"ce1\" style:family=\"table-cell\" "
    "style:parent-style-name=\"ce1\"><style:text-properties style:font-name=\"VarnelNormal\"/></"
    "style:style>",
    // Pages: font faces, styles and rules, entities and encodings.
    "<font face=\"VarnelNormal\">",
    "</font>",
    "<span style=\"font-family: 'VarnelNormal', serif\">",
    "</span>",
    "<style>.v{font-family:VarnelNormal} p{font-family:\"VarnelNormal\"}</style>",
    "<p class=\"v\">",
    "<meta charset=\"windows-1256\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
    "<script>a<b</script>",
    "<!-- <font face=VarnelNormal> -->",
    "&#xFEFF;&nbsp;&#1575;",
};

// Elements nested deep: opening tags, then as many closing ones.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kNests = {{
    {"<w:hyperlink>", "</w:hyperlink>"},
    {"<w:sdt><w:sdtContent>", "</w:sdtContent></w:sdt>"},
    {"<w:ins>", "</w:ins>"},
    {"<text:span text:style-name=\"T1\">", "</text:span>"},
    {"<text:a>", "</text:a>"},
    {"<x>", "</x>"},
    {"<r><rPr><rFont val=\"VarnelNormal\"/></rPr><t>", "</t></r>"},
    {"<a:p><a:r><a:t>", "</a:t></a:r></a:p>"},
    {"<font face=\"VarnelNormal\"><div>", "</div></font>"},
    {"<draw:frame><draw:text-box>", "</draw:text-box></draw:frame>"},
}};

constexpr std::string_view kScratchPrefix = "harf-document-fuzz-";

// Scratch files of processes that are gone: a crash, an out-of-memory or a
// timeout ends a fuzzer without its destructors.
void RemoveStaleScratch() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kScratchPrefix)) continue;
    const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::filesystem::remove(entry.path(), ec);
    }
  }
}

// A scratch file per process in memory (/dev/shm), written again for every
// run and removed when the process ends normally.
std::string Scratch(const char* ext) {
  struct Names {
    Names() { RemoveStaleScratch(); }
    std::vector<std::string> paths;
    ~Names() {
      for (const std::string& p : paths) ::unlink(p.c_str());
    }
  };
  static Names names;
  std::string path = "/dev/shm/" + std::string(kScratchPrefix) + std::to_string(::getpid()) + ext;
  if (std::find(names.paths.begin(), names.paths.end(), path) == names.paths.end()) {
    names.paths.push_back(path);
  }
  return path;
}

bool WriteFile(const std::string& path, std::string_view data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

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

// The parts of a body: the main part, then the optional styles and strings.
struct Parts {
  std::string_view main, styles, strings;
  bool with_styles = false, with_strings = false;
};

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

// The package around a body's parts, zipped to `path`.
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

}  // namespace

// The converters' temporary parts in memory too, like the scratch files: a
// temporary file on disk made and unlinked for every input costs more than
// converting a small one.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("TMPDIR", "/dev/shm", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  auto format = static_cast<Format>(data[0] & 7);
  // Bit 6 chooses between the formats sharing a value, where it has no
  // meaning of its own.
  if (format == Format::Xlsx && (data[0] & 0x40)) format = Format::Html;
  if (format == Format::Ods && (data[0] & 0x40)) format = Format::Odp;
  ConvertOptions o;
  o.to = (data[0] & 0x08) ? Direction::ToLegacy : Direction::ToUnicode;
  if (const int e = (data[0] >> 4) & 3; e > 0) o.encoding = harf::kGlyphEncodings[e - 1];
  if (data[0] & 0x40) o.read_as = harf::documents::TextReading::Bytes;
  if (format == Format::Csv || format == Format::Tsv) o.columns = {"2", "word"};
  const std::string_view body(reinterpret_cast<const char*>(data) + 4, size - 4);

  static const std::string out = Scratch(".out");
  static constexpr const char* kExtensions[] = {".docx", ".odt",  ".txt", ".csv", ".tsv",
                                                ".xlsx", ".pptx", ".ods", ".odp", ".html"};
  const std::string in = Scratch(kExtensions[static_cast<int>(format)]);
  const bool text = format == Format::Text || format == Format::Csv || format == Format::Tsv ||
                    format == Format::Html;
  if (text) {
    if (!WriteFile(in, body)) return 0;
  } else {
    if (!WritePackage(in, format, SplitBody(body))) return 0;
    if (data[0] & 0x80) Damage(in, data[1] | (std::size_t{data[2]} << 8), data[3] | 1);
  }
  if (!WriteFile(out, "")) return 0;
  static const bool verbose = std::getenv("HARF_FUZZ_VERBOSE") != nullptr;
  harf::documents::ConvertStats stats;
  try {
    switch (format) {
      case Format::Docx:
        stats = harf::documents::ConvertDocx(in, out, o);
        break;
      case Format::Odt:
        stats = harf::documents::ConvertOdt(in, out, o);
        break;
      case Format::Text:
        stats = harf::documents::ConvertText(in, out, o);
        break;
      case Format::Csv:
        stats = harf::documents::ConvertTable(in, out, ',', o);
        break;
      case Format::Tsv:
        stats = harf::documents::ConvertTable(in, out, '\t', o);
        break;
      case Format::Xlsx:
        stats = harf::documents::ConvertXlsx(in, out, o);
        break;
      case Format::Pptx:
        stats = harf::documents::ConvertPptx(in, out, o);
        break;
      case Format::Ods:
        stats = harf::documents::ConvertOds(in, out, o);
        break;
      case Format::Odp:
        stats = harf::documents::ConvertOdp(in, out, o);
        break;
      case Format::Html:
        stats = harf::documents::ConvertHtml(in, out, o);
        break;
    }
  } catch (const harf::documents::DocumentError& e) {
    // Refused as invalid, or an I/O failure: what the command reports.
    if (verbose) std::fprintf(stderr, "refused: %s\n", e.what());
    return 0;
  }
  // What a seed converts, to tell a seed that reaches the converter from one
  // that only reaches the reader.
  if (verbose) std::fprintf(stderr, "converted: %zu runs\n", stats.runs);
  return 0;
}

// Mutations that keep the input a document: most of them edit the body's
// text as XML, the rest are libFuzzer's own byte mutations.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
  std::minstd_rand rng(seed);
  if (size < 4) return LLVMFuzzerMutate(data, size, max_size);
  std::string body(reinterpret_cast<const char*>(data) + 4, size - 4);
  const auto at = [&] { return body.empty() ? 0 : rng() % (body.size() + 1); };
  // Mostly just after a tag, where an element keeps the XML well-formed.
  const auto between = [&] {
    const std::size_t tag = body.find('>', at());
    return rng() % 4 == 0 || tag == std::string::npos ? at() : tag + 1;
  };
  switch (rng() % 8) {
    case 0:
    case 1:
      body.insert(between(), kPieces[rng() % std::size(kPieces)]);
      break;
    case 2: {
      // Deep nesting: far past any depth a real document has, as deep as
      // still fits whole (a cut-off end would only be malformed XML).
      const auto& [open, close] = kNests[rng() % kNests.size()];
      const std::size_t room = max_size - std::min(max_size, size + 2);
      const std::size_t depth =
          std::min(std::size_t{1} << (rng() % 18), room / (open.size() + close.size()));
      std::string nest;
      nest.reserve(depth * (open.size() + close.size()) + 2);
      for (std::size_t i = 0; i < depth; ++i) nest += open;
      nest += "\xc7\xe1";
      for (std::size_t i = 0; i < depth; ++i) nest += close;
      body.insert(between(), nest);
      break;
    }
    case 3: {
      // A count made huge or odd.
      static constexpr std::array<std::string_view, 6> kCounts = {
          "4294967296", "4000000000", "100000000", "-1", "0", "18446744073709551617"};
      const std::size_t c = body.find("c=\"", at());
      const std::string_view count = kCounts[rng() % kCounts.size()];
      if (c != std::string::npos) {
        const std::size_t end = body.find('"', c + 3);
        if (end != std::string::npos) body.replace(c + 3, end - c - 3, count);
      } else {
        body.insert(at(), "<text:s text:c=\"" + std::string(count) + "\"/>");
      }
      break;
    }
    case 4: {
      // A styles or strings part, or more of it.
      const std::string_view mark = rng() % 2 ? kStylesMark : kStringsMark;
      if (body.find(mark) == std::string::npos) body += mark;
      body += kPieces[rng() % std::size(kPieces)];
      break;
    }
    case 5: {
      // A stretch of the body repeated: long runs, long lines.
      if (body.empty()) break;
      const std::size_t from = rng() % body.size();
      const std::size_t len = 1 + rng() % std::min<std::size_t>(64, body.size() - from);
      const std::string piece = body.substr(from, len);
      const std::size_t times = std::size_t{1} << (rng() % 12);
      std::string repeated;
      for (std::size_t i = 0; i < times && repeated.size() < max_size; ++i) repeated += piece;
      body.insert(at(), repeated);
      break;
    }
    default:
      return LLVMFuzzerMutate(data, size, max_size);
  }
  if (body.size() + 4 > max_size) body.resize(max_size - 4);
  std::memcpy(data + 4, body.data(), body.size());
  return body.size() + 4;
}
