#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "harf_version.h"
#include "messages.h"

namespace harf::convert {
namespace {

using documents::Direction;

constexpr std::string_view kUsage =
    R"(Usage: harf-convert [--to unicode|legacy] [--legacy-font NAME] [--unicode-font NAME]
                    [--encoding auto|symbol|latin1|windows-1252]
                    [-o OUT | --out-dir DIR] [--force] [--line-glyphs N]
                    [--columns LIST] [--read-as auto|bytes|utf8]
                    [--memory-limit MIB] [--copy-unchecked] FILE...

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

Formats, by extension: .docx, .odt; .txt (the whole file is legacy text: UTF-8
characters of the encoding, or raw bytes, one per glyph code); .csv and .tsv
(the columns named by --columns; a header row when any column is named);
.doc and .rtf through LibreOffice (soffice) when it is installed.

Options:
  --to unicode|legacy      direction (default: unicode)
  --legacy-font NAME       the legacy font's name (default: VarnelNormal)
  --unicode-font NAME      the Unicode font written (default: Amiri)
  --encoding E             how legacy text holds glyph codes: symbol (U+F000 +
                           code), latin1, windows-1252, or auto (default): when
                           reading, found per run from its characters; when
                           writing, windows-1252
  -o OUT                   the output file (one input only)
  --out-dir DIR            write outputs into DIR
  --force                  replace an existing output file
  --line-glyphs N          longest legacy line written, in glyphs (default 45;
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
                           4096; 0: no limit); a file that needs more fails
  --copy-unchecked         copy XML parts that are not converted even when
                           they are not well-formed (by default refused)
  --help                   show this text
  --version                show the version

Without -o, the output of NAME.EXT is NAME.unicode.EXT or NAME.legacy.EXT
beside the input (or in --out-dir); -o with another format's extension is
refused. An input is never overwritten; an existing output is refused unless
--force. Each output is written to a temporary file beside it and renamed
when complete. Each file is converted in a process of its own: a file that
fails, runs out of memory or crashes does not stop the others.

Exit status: 0 all converted; 1 a file could not be read or written, ran out
of memory or crashed; 2 bad usage, or an input that is not a document of its
extension, damaged (a zip entry whose CRC or size does not match its data),
malformed XML, encrypted, or with zip entries past 512 MB or 200 times their
packed size (nothing is written for it).
)";

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

bool IsOption(std::string_view arg, std::string_view name) {
  return arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=');
}

std::string ValueOf(std::string_view arg, std::string_view name, int& i, int argc, char** argv) {
  if (arg.size() > name.size() && arg[name.size()] == '=')
    return std::string(arg.substr(name.size() + 1));
  if (i + 1 >= argc) Usage("option " + std::string(name) + " needs a value");
  return argv[++i];
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

}  // namespace

Options Parse(int argc, char** argv) {
  Options o;
  bool files_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (files_only || arg == "-" || !arg.starts_with("-")) {
      o.files.emplace_back(arg);
    } else if (arg == "--") {
      files_only = true;
    } else if (arg == "--help" || arg == "-h") {
      Print(kUsage);
    } else if (arg == "--version") {
      Print("harf-convert " + std::string(harf::kVersion) + "\n");
    } else if (IsOption(arg, "--to")) {
      const std::string v = ValueOf(arg, "--to", i, argc, argv);
      if (v == "unicode") {
        o.convert.to = Direction::ToUnicode;
      } else if (v == "legacy") {
        o.convert.to = Direction::ToLegacy;
      } else {
        Usage("bad value for --to: '" + v + "' (expected unicode, legacy)");
      }
    } else if (IsOption(arg, "--legacy-font")) {
      o.convert.legacy_font = ValueOf(arg, "--legacy-font", i, argc, argv);
      if (o.convert.legacy_font.empty()) Usage("--legacy-font needs a name");
    } else if (IsOption(arg, "--unicode-font")) {
      o.convert.unicode_font = ValueOf(arg, "--unicode-font", i, argc, argv);
      if (o.convert.unicode_font.empty()) Usage("--unicode-font needs a name");
    } else if (IsOption(arg, "--encoding")) {
      const std::string v = ValueOf(arg, "--encoding", i, argc, argv);
      if (v != "auto") {
        o.convert.encoding = harf::ParseEncodingName(v);
        if (!o.convert.encoding) {
          Usage("bad value for --encoding: '" + v +
                "' (expected auto, symbol, latin1, windows-1252)");
        }
      }
    } else if (arg == "-o" || IsOption(arg, "--output")) {
      o.out = ValueOf(arg, arg == "-o" ? "-o" : "--output", i, argc, argv);
    } else if (IsOption(arg, "--out-dir")) {
      o.out_dir = ValueOf(arg, "--out-dir", i, argc, argv);
    } else if (arg == "--force") {
      o.force = true;
    } else if (IsOption(arg, "--line-glyphs")) {
      const std::string v = ValueOf(arg, "--line-glyphs", i, argc, argv);
      char* end = nullptr;
      errno = 0;
      const unsigned long n = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || errno != 0 || v.front() == '-' || n > 1000000) {
        Usage("bad value for --line-glyphs: '" + v + "' (expected a number, 0 for no limit)");
      }
      o.convert.line_glyphs = n;
    } else if (IsOption(arg, "--memory-limit")) {
      const std::string v = ValueOf(arg, "--memory-limit", i, argc, argv);
      char* end = nullptr;
      errno = 0;
      const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || errno != 0 || v.front() == '-' || n > (1ull << 30)) {
        Usage("bad value for --memory-limit: '" + v + "' (expected MiB, 0 for no limit)");
      }
      o.memory_limit_mib = static_cast<std::size_t>(n);
    } else if (arg == "--copy-unchecked") {
      o.copy_unchecked = true;
    } else if (IsOption(arg, "--read-as")) {
      const std::string v = ValueOf(arg, "--read-as", i, argc, argv);
      if (v == "auto") {
        o.convert.read_as = harf::documents::TextReading::Auto;
      } else if (v == "bytes") {
        o.convert.read_as = harf::documents::TextReading::Bytes;
      } else if (v == "utf8") {
        o.convert.read_as = harf::documents::TextReading::Utf8;
      } else {
        Usage("bad value for --read-as: '" + v + "' (expected auto, bytes, utf8)");
      }
    } else if (IsOption(arg, "--columns")) {
      o.convert.columns = SplitList(ValueOf(arg, "--columns", i, argc, argv));
      if (o.convert.columns.empty()) Usage("--columns needs at least one column");
    } else {
      Usage("unknown option '" + std::string(arg) + "'");
    }
  }
  if (o.files.empty()) Usage("no input file");
  if (o.out && o.out_dir) Usage("-o and --out-dir exclude each other");
  if (o.out && o.files.size() > 1) Usage("-o takes one input file; use --out-dir for more");
  return o;
}

}  // namespace harf::convert
