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
// The package is zipped with libzip for every run (document_package.cpp), so
// that the mutator (document_mutator.cpp) works on XML text: it nests elements
// thousands deep, writes huge counts, inserts elements of both formats and
// flips bytes. A document refused as invalid is
// fine; a crash, a sanitizer report or an exception of another kind is a
// finding.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "document_package.h"
#include "documents/convert.h"
#include "documents/package.h"

namespace {

using harf::document_fuzz::Damage;
using harf::document_fuzz::Format;
using harf::document_fuzz::SplitBody;
using harf::document_fuzz::WritePackage;
using harf::documents::ConvertOptions;
using harf::documents::Direction;

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
  if (data[0] & 0x40) o.readAs = harf::documents::TextReading::Bytes;
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
