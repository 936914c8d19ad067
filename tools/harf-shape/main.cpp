// harf-shape: types text through Harf's keyboard mapping and shaping engine, or
// Unicode Arabic letter by letter, and prints the glyph codes (or the Unicode
// text) the line ends up with, one output line per line typed.
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harf_version.h"
#include "input/typist.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"

namespace {

constexpr std::string_view kUsage =
    R"(Usage: harf-shape [--from keys|unicode] [--layout systematic|arabic]
                  [--format codes|bytes|unicode]

Reads UTF-8 text on standard input, types each input line into a fresh empty
line through Harf's shaping engine and prints what the line ends up with, one
output line per line typed.

--from keys (default): the input is typed characters, exactly as the Harf
window's keyboard takes them: the same typed-character mapping for the layout
chosen (default: systematic), the same 45-glyph limit on typed characters,
and characters that press no key are ignored. U+0008 stands for a released
Backspace key. A carriage return inside a line acts as the Enter key: the line
so far is printed as its own output line and typing goes on in an empty line
(a CR right before the line feed is part of the line ending and ignored).

--from unicode: the input is Unicode Arabic text in logical order. Each line
is normalised to NFKC (presentation forms become their letters) and typed
letter by letter, with no length limit, giving the glyph codes that typing the
same letters on the keyboard gives. ASCII digits give Arabic-Indic digits. A
line also breaks at CR, U+0085, U+2028 and U+2029. A character with no letter
(Latin letters, emoji, controls, unassigned code points) is skipped, and so is
a vowel sign the letter before it refuses (a sign after a sign, a sign on
alif); when anything was skipped, standard error says how many characters,
and the exit status is still 0.

For each line the result is printed as:
  --format codes    decimal glyph codes in stored order (left to right on
                    screen; the letter typed last comes first) separated by
                    single spaces (default); an empty result prints an empty
                    line
  --format bytes    the raw 8-bit glyph codes, followed by a newline
  --format unicode  the letters of the line as UTF-8 Unicode text in logical
                    order (the padding space that comes with the first letter
                    of a line left out), followed by a newline

Options:
  --from keys|unicode                 what the input is
  --layout systematic|arabic          keyboard layout shown while typing keys
  --format codes|bytes|unicode        output format
  --help                              show this text
  --version                           show the version

Invalid UTF-8 on input, an unknown option or a bad value: a one-line message
on standard error, exit status 2 and nothing on standard output. When standard
input is a terminal, each line is answered as soon as it is typed.
)";

enum class Format { Codes, Bytes, Unicode };
enum class Source { Keys, Unicode };

struct Options {
  Source from = Source::Keys;
  harf::Layout layout = harf::Layout::Systematic;
  Format format = Format::Codes;
  bool help = false;
  bool version = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "harf-shape: " << message << "\n";
  std::exit(2);
}

// Splits "--name=value" or takes the value from the next argument.
std::string ValueOf(std::string_view arg, std::string_view name, int& i, int argc, char** argv) {
  if (arg.size() > name.size() && arg[name.size()] == '=')
    return std::string(arg.substr(name.size() + 1));
  if (i + 1 >= argc) Fail("option " + std::string(name) + " needs a value");
  return argv[++i];
}

// "--name" or "--name=value".
bool IsOption(std::string_view arg, std::string_view name) {
  return arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=');
}

// The value an option's word stands for; any other word fails with the list.
template <typename T>
T Choose(std::string_view arg, const std::string& value,
         std::initializer_list<std::pair<std::string_view, T>> choices) {
  std::string names;
  for (const auto& [name, meaning] : choices) {
    if (value == name) return meaning;
    names += (names.empty() ? "" : ", ") + std::string(name);
  }
  const std::string option(arg.substr(0, arg.find('=')));
  Fail("bad value for " + option + ": '" + value + "' (expected " + names + ")");
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (IsOption(arg, "--layout")) {
      o.layout = Choose<harf::Layout>(
          arg, ValueOf(arg, "--layout", i, argc, argv),
          {{"systematic", harf::Layout::Systematic}, {"arabic", harf::Layout::Arabic}});
    } else if (IsOption(arg, "--format")) {
      o.format = Choose<Format>(
          arg, ValueOf(arg, "--format", i, argc, argv),
          {{"codes", Format::Codes}, {"bytes", Format::Bytes}, {"unicode", Format::Unicode}});
    } else if (IsOption(arg, "--from")) {
      o.from = Choose<Source>(arg, ValueOf(arg, "--from", i, argc, argv),
                              {{"keys", Source::Keys}, {"unicode", Source::Unicode}});
    } else {
      Fail("unknown option '" + std::string(arg) + "' (try --help)");
    }
  }
  return o;
}

void Print(const harf::Line& line, Format format, std::string& out) {
  if (format == Format::Unicode) {
    out += harf::EncodeUtf8(harf::ToUnicode(line));
    out.push_back('\n');
    return;
  }
  const std::vector<harf::GlyphCode> codes = line.Codes();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (format == Format::Bytes) {
      out.push_back(static_cast<char>(codes[i]));
    } else {
      if (i > 0) out.push_back(' ');
      out += std::to_string(codes[i]);
    }
  }
  out.push_back('\n');
}

// Types one input line (without its line feed) and appends the output lines;
// returns how many characters were skipped (only Unicode input counts them).
std::size_t ShapeLine(std::u32string_view typed, const Options& o, std::string& out) {
  if (!typed.empty() && typed.back() == U'\r') typed.remove_suffix(1);
  if (o.from == Source::Unicode) {
    const harf::UnicodeLines r = harf::FromUnicode(typed);
    for (const harf::Line& line : r.lines) Print(line, o.format, out);
    return r.skipped;
  }
  harf::Typist typist(o.layout);
  for (const char32_t ch : typed) {
    if (ch == U'\b') {
      typist.Release(static_cast<int>(harf::VirtualKey::Backspace));
    } else if (ch == U'\r') {
      Print(typist.line(), o.format, out);
      typist.Enter();
    } else {
      typist.Type(ch);
    }
  }
  Print(typist.line(), o.format, out);
  return 0;
}

void ReportSkipped(std::size_t skipped) {
  if (skipped == 0) return;
  std::cerr << "harf-shape: skipped " << skipped << (skipped == 1 ? " character" : " characters")
            << " with no letter or a vowel sign the letter before it refuses\n";
}

std::u32string DecodeOrFail(std::string_view bytes, std::size_t lineNumber) {
  std::optional<harf::Utf8Error> error;
  std::u32string text = harf::DecodeUtf8(bytes, &error);
  if (error) {
    std::ostringstream msg;
    msg << "invalid UTF-8 on input line " << lineNumber << " at byte " << error->offset + 1;
    Fail(msg.str());
  }
  return text;
}

// Reads everything first so that bad input anywhere leaves standard output empty.
int ShapeAll(const Options& o) {
  std::ostringstream buffer;
  buffer << std::cin.rdbuf();
  const std::string input = buffer.str();
  std::vector<std::u32string> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    lines.push_back(
        DecodeOrFail(std::string_view(input).substr(start, end - start), lines.size() + 1));
    start = end + 1;
  }
  std::string out;
  std::size_t skipped = 0;
  for (const auto& line : lines) skipped += ShapeLine(line, o, out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  ReportSkipped(skipped);
  return 0;
}

int ShapeInteractive(const Options& o) {
  std::string raw;
  for (std::size_t n = 1; std::getline(std::cin, raw); ++n) {
    std::string out;
    const std::size_t skipped = ShapeLine(DecodeOrFail(raw, n), o, out);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    ReportSkipped(skipped);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const Options o = Parse(argc, argv);
  if (o.help) {
    std::cout << kUsage;
    return 0;
  }
  if (o.version) {
    std::cout << "harf-shape " << harf::kVersion << "\n";
    return 0;
  }
  return isatty(STDIN_FILENO) ? ShapeInteractive(o) : ShapeAll(o);
}
