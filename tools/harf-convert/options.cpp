#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "command_line.h"
#include "documents/package.h"
#include "harf_version.h"
#include "input/glyph_encoding.h"
#include "messages.h"

namespace harf::convert {
namespace {

using documents::Direction;
using documents::TextReading;

// The help text, its defaults and limits written from the constants that
// hold them, so that the two cannot disagree.
std::string UsageText() {
  return std::string(
             R"(Usage: harf-convert [--to unicode|legacy] [--legacy-font NAME] [--unicode-font NAME]
                    [--encoding auto|symbol|latin1|windows-1252]
                    [-o OUT | --out-dir DIR] [--force] [--line-glyphs N]
                    [--columns LIST] [--read-as auto|bytes|utf8]
                    [--memory-limit MIB] [--copy-unchecked] [--] FILE...

Converts documents between the legacy 8-bit Arabic display font and Unicode
Arabic, leaving everything else in them as it is.

--to unicode (default): every run set in the legacy font (by name, without
regard to case, directly or through a style) is read as glyph codes, the
letters recovered, and written as Unicode Arabic in logical order in the
Unicode font, marked right to left; a paragraph holding nothing else becomes
a right-to-left paragraph. Runs next to each other in one line are read as one
sequence, so a word whose letters differ in bold or colour stays one word and
every letter keeps the formatting of its glyph.

--to legacy: every run of Arabic text is typed through the shaping engine and
written as glyph codes in display order in the legacy font, broken at spaces
into lines of at most --line-glyphs glyphs, since a left-to-right document
would wrap them in the wrong order.

Formats, by extension: .docx, .odt; .xlsx, .ods (string cells, by the cell's
or a run's font); .pptx, .odp (slides, layouts, masters, notes); .txt (the
whole file is legacy text: UTF-8 characters of the encoding, or raw bytes,
one per glyph code); .csv and .tsv (the columns named by --columns; a header
row when any column is named); .doc, .rtf, .xls and .ppt through LibreOffice
(soffice) when it is installed; .html and .htm (text in the legacy font by
<font face>, style or a <style> class; the page's own encoding read, UTF-8
written); .pdf to Unicode text only (NAME.unicode.txt: line by line, pages
separated by form feeds, the legacy font found by its name in the PDF).

Options:
  --to unicode|legacy      direction (default: unicode)
  --legacy-font NAME       the legacy font's name (default: VarnelNormal)
  --unicode-font NAME      the Unicode font written (default: Amiri)
  --encoding E             how legacy text holds glyph codes: symbol (U+F000 +
                           code), latin1, windows-1252, or auto (default): when
                           reading, found per run from its characters; when
                           writing, windows-1252
  -o, --output OUT         the output file (one input only)
  --out-dir DIR            write outputs into DIR
  --force                  replace an existing output file
  --line-glyphs N          longest legacy line written, in glyphs (default )") +
         std::to_string(documents::ConvertOptions{}.lineGlyphs) + R"(;
                           0: no limit)
  --columns LIST           .csv/.tsv: comma-separated header names or 1-based
                           column numbers of the legacy (or Arabic) columns
  --read-as auto|bytes|utf8
                           .txt/.csv/.tsv legacy text: raw bytes, one per glyph
                           code, or UTF-8 characters of the encoding; auto
                           (default): UTF-8 when the whole file is valid UTF-8
                           of the encodings' own characters (a table: valid
                           UTF-8), else bytes, saying so when both would do
  --memory-limit MIB       the memory one file's conversion may take (default
                           )" +
         std::to_string(kDefaultMemoryLimitMib) +
         R"(; 0: no limit); a file that needs more fails
  --copy-unchecked         copy XML parts that are not converted even when
                           they are not well-formed (by default refused)
  -h, --help               show this text
  --version                show the version
  --                       every argument after it is a FILE, even one
                           starting with -

A value may follow its option as the next argument or after =, as in
--to=legacy (-o takes the next argument only).

Without -o, the output of NAME.EXT is NAME.unicode.EXT or NAME.legacy.EXT
beside the input (or in --out-dir); -o with another format's extension is
refused. An input is never overwritten; an existing output is refused unless
--force. Each output is written to a temporary file beside it and renamed
when complete. Each file is converted in a process of its own: a file that
fails, runs out of memory or crashes does not stop the others.

Exit status: 0 all converted; 1 a file could not be read or written, ran out
of memory or crashed; 2 bad usage, or an input that is not a document of its
extension, damaged (a zip entry whose CRC or size does not match its data),
malformed XML, encrypted, or with zip entries past )" +
         std::to_string(documents::kMaxEntrySize >> 20) + " MB or " +
         std::to_string(documents::kMaxEntryRatio) + R"( times their
packed size (nothing is written for it).
)";
}

[[noreturn]] void Usage(const std::string& message) {
  std::cerr << "harf-convert: " << Printable(message) << "\n"
            << "Try 'harf-convert --help'.\n";
  std::exit(2);
}

// --help and --version: a failed write is no success.
[[noreturn]] void Print(std::string_view text) {
  std::cout << text << std::flush;
  if (!std::cout) {
    std::cerr << "harf-convert: cannot write to standard output\n";
    std::exit(1);
  }
  std::exit(0);
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::size_t end = comma == std::string::npos ? list.size() : comma;
    if (end > start) items.push_back(list.substr(start, end - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

// A count of at most `max`, in decimal without a sign.
std::optional<unsigned long long> CountOf(const std::string& value, unsigned long long max) {
  if (value.empty() || value.front() == '-') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || n > max) return std::nullopt;
  return n;
}

}  // namespace

Options Parse(int argc, char** argv) {
  using tools::OptionParser;
  using tools::UsageError;
  Options o;
  std::vector<std::pair<std::string_view, std::optional<GlyphEncoding>>> encodings = {
      {"auto", std::nullopt}};
  for (const GlyphEncoding e : kGlyphEncodings) encodings.emplace_back(EncodingName(e), e);
  const auto nameOf = [](std::string& target, std::string_view option) {
    return [&target, option](const std::string& value) {
      if (value.empty()) {
        throw UsageError{UsageError::Kind::BadValue, std::string(option) + " needs a name"};
      }
      target = value;
    };
  };
  OptionParser parser;
  parser.Flag({"-h", "--help"}, [] { Print(UsageText()); })
      .Flag({"--version"}, [] { Print("harf-convert " + std::string(harf::kVersion) + "\n"); })
      .Choice<Direction>("--to", o.convert.to,
                         {{"unicode", Direction::ToUnicode}, {"legacy", Direction::ToLegacy}})
      .Value({"--legacy-font"}, nameOf(o.convert.legacyFont, "--legacy-font"))
      .Value({"--unicode-font"}, nameOf(o.convert.unicodeFont, "--unicode-font"))
      .Choice<std::optional<GlyphEncoding>>("--encoding", o.convert.encoding, encodings)
      .Value({"-o", "--output"}, [&o](const std::string& value) { o.out = value; })
      .Value({"--out-dir"}, [&o](const std::string& value) { o.outDir = value; })
      .Flag({"--force"}, [&o] { o.force = true; })
      .Value({"--line-glyphs"},
             [&o](const std::string& value) {
               const auto n = CountOf(value, 1000000);
               if (!n)
                 throw OptionParser::BadValue("--line-glyphs", value, "a number, 0 for no limit");
               o.convert.lineGlyphs = static_cast<std::size_t>(*n);
             })
      .Value({"--memory-limit"},
             [&o](const std::string& value) {
               const auto n = CountOf(value, 1ull << 30);
               if (!n) throw OptionParser::BadValue("--memory-limit", value, "MiB, 0 for no limit");
               o.memoryLimitMib = static_cast<std::size_t>(*n);
             })
      .Flag({"--copy-unchecked"}, [&o] { o.copyUnchecked = true; })
      .Choice<TextReading>(
          "--read-as", o.convert.readAs,
          {{"auto", TextReading::Auto}, {"bytes", TextReading::Bytes}, {"utf8", TextReading::Utf8}})
      .Value({"--columns"}, [&o](const std::string& value) {
        o.convert.columns = SplitList(value);
        if (o.convert.columns.empty()) {
          throw UsageError{UsageError::Kind::BadValue, "--columns needs at least one column"};
        }
      });
  try {
    parser.Parse(argc, argv, [&o](const std::string& file) { o.files.push_back(file); });
  } catch (const UsageError& e) {
    Usage(e.message);
  }
  if (o.files.empty()) Usage("no input file");
  if (o.out && o.outDir) Usage("-o and --out-dir exclude each other");
  if (o.out && o.files.size() > 1) Usage("-o takes one input file; use --out-dir for more");
  return o;
}

}  // namespace harf::convert
