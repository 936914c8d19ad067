// harf-shape: types text through Harf's keyboard mapping and shaping engine, or
// Unicode Arabic letter by letter, and prints the glyph codes (or the Unicode
// text) the line ends up with, one output line per line typed. It reads,
// shapes and writes line by line, so memory does not grow with the input.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "harf_version.h"
#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "input/typist.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "stream_io.h"

namespace {

using harf::tools::IoError;
using harf::tools::Output;
using harf::tools::Piece;

constexpr std::string_view kUsage =
    R"(Usage: harf-shape [--from keys|unicode|codes|bytes|legacy]
                  [--layout systematic|arabic]
                  [--format codes|bytes|unicode|legacy]
                  [--encoding symbol|latin1|windows-1252]

Reads UTF-8 text on standard input, types each input line into a fresh empty
line through Harf's shaping engine and prints what the line ends up with, one
output line per line typed. Each line is printed as soon as it has been read,
and memory does not grow with the length of the input.

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

--from codes, --from bytes, --from legacy: the input is glyph codes, as text
set in the legacy font holds them, one line of codes in display order (left to
right on screen) per line: decimal codes separated by spaces (as --format
codes prints them), raw bytes (lines split at LF or CR LF), or UTF-8 text whose
characters are the font's characters in the kind --encoding names (without
--encoding, the kind each line's characters show: U+F000..U+F0FF symbol, a
Windows-1252 character such as the euro sign windows-1252, else latin1). Each
line is read back into letters (a ligature gives its two letters, a code two
letters share the more common one) and typed again. A code no letter uses, a
character of no glyph code, and a vowel sign with nothing to carry it are
skipped; standard error says how many, and the exit status is still 0.

For each line the result is printed as:
  --format codes    decimal glyph codes in stored order (left to right on
                    screen; the letter typed last comes first) separated by
                    single spaces (default); an empty result prints an empty
                    line
  --format bytes    the raw 8-bit glyph codes, followed by a newline
  --format unicode  the letters of the line as UTF-8 Unicode text in logical
                    order (the padding space that comes with the first letter
                    of a line left out), followed by a newline; a number
                    comes out in the order it is read on screen
  --format legacy   the glyph codes as UTF-8 text of the font's characters in
                    the kind --encoding names (default symbol: U+F000 + code)

Options:
  --from keys|unicode|codes|bytes|legacy
                                      what the input is
  --layout systematic|arabic          keyboard layout shown while typing keys
  --format codes|bytes|unicode|legacy output format
  --encoding symbol|latin1|windows-1252
                                      the kind of legacy text, in and out
  --help                              show this text
  --version                           show the version

Exit status:
  0  all input shaped
  1  reading or writing failed (a message on standard error says which)
  2  an unknown option or a bad value (nothing is read), or invalid input:
     like iconv, harf-shape stops at the first line that is not valid UTF-8,
     after printing every line before it, and names the line and the byte
     (counted from 1) on standard error
)";

enum class Format { Codes, Bytes, Unicode, Legacy };
enum class Source { Keys, Unicode, Codes, Bytes, Legacy };

struct Options {
  Source from = Source::Keys;
  // The kind of legacy text: given, or (for --from legacy) found line by line.
  std::optional<harf::GlyphEncoding> encoding;
  harf::Layout layout = harf::Layout::Systematic;
  Format format = Format::Codes;
  bool help = false;
  bool version = false;
};

// Bad usage: reported before anything is read.
[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "harf-shape: " << message << "\n";
  std::exit(2);
}

// Input that cannot be shaped; the lines before it are out already.
struct BadInput {
  std::string message;
};

Options Parse(int argc, char** argv) {
  using harf::GlyphEncoding;
  using harf::tools::UsageError;
  Options o;
  std::vector<std::pair<std::string_view, GlyphEncoding>> encodings;
  for (const GlyphEncoding e : harf::kGlyphEncodings) encodings.emplace_back(EncodingName(e), e);
  harf::tools::OptionParser parser;
  parser.Flag({"-h", "--help"}, [&o] { o.help = true; })
      .Flag({"--version"}, [&o] { o.version = true; })
      .Choice<harf::Layout>(
          "--layout", o.layout,
          {{"systematic", harf::Layout::Systematic}, {"arabic", harf::Layout::Arabic}})
      .Choice<Format>("--format", o.format,
                      {{"codes", Format::Codes},
                       {"bytes", Format::Bytes},
                       {"unicode", Format::Unicode},
                       {"legacy", Format::Legacy}})
      .Choice<Source>("--from", o.from,
                      {{"keys", Source::Keys},
                       {"unicode", Source::Unicode},
                       {"codes", Source::Codes},
                       {"bytes", Source::Bytes},
                       {"legacy", Source::Legacy}})
      .Choice<GlyphEncoding>("--encoding", o.encoding, encodings);
  try {
    // Standard input is all it reads: any other word is a mistyped option.
    parser.Parse(argc, argv, [](const std::string& word) {
      throw UsageError{UsageError::Kind::UnknownOption, "unknown option '" + word + "'"};
    });
  } catch (const UsageError& e) {
    Fail(e.kind == UsageError::Kind::UnknownOption ? e.message + " (try --help)" : e.message);
  }
  return o;
}

// ---- Output formats: each prints one finished line and its line feed.

using Printer = std::function<void(const harf::Line&)>;

Printer MakePrinter(Format format, harf::GlyphEncoding encoding, Output& out) {
  switch (format) {
    case Format::Codes:
      return [&out](const harf::Line& line) {
        static const auto kDecimal = [] {
          std::array<std::string, harf::kGlyphCount> t;
          for (int c = 0; c < harf::kGlyphCount; ++c) t[c] = std::to_string(c);
          return t;
        }();
        const auto& cells = line.Reading();
        for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
          if (it != cells.rbegin()) out.Put(' ');
          out.Write(kDecimal[it->code]);
        }
        out.Put('\n');
      };
    case Format::Bytes:
      return [&out](const harf::Line& line) {
        const auto& cells = line.Reading();
        for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
          out.Put(static_cast<char>(it->code));
        }
        out.Put('\n');
      };
    case Format::Legacy:
      return [&out, encoding](const harf::Line& line) {
        const std::u32string text = harf::EncodeCodes(line.Codes(), encoding);
        std::string utf8;
        harf::AppendUtf8(text, utf8);
        out.Write(utf8);
        out.Put('\n');
      };
    case Format::Unicode:
      return [&out](const harf::Line& line) {
        const std::u32string text = harf::ToUnicode(line);
        // In slices, so that a long line is never held twice more.
        constexpr std::size_t kSlice = 1 << 14;
        std::string utf8;
        for (std::size_t i = 0; i < text.size(); i += kSlice) {
          utf8.clear();
          harf::AppendUtf8(std::u32string_view(text).substr(i, kSlice), utf8);
          out.Write(utf8);
        }
        out.Put('\n');
      };
  }
  return {};
}

// ---- Input kinds: each takes the pieces of every input line in turn.

class Input {
 public:
  virtual ~Input() = default;
  virtual void Take(const Piece& piece) = 0;
  // Characters left out so far, for the report on standard error.
  virtual std::size_t Skipped() const { return 0; }
};

// Input read as UTF-8 text; stops at the first invalid sequence after typing
// what comes before it.
class Utf8Input : public Input {
 public:
  void Take(const Piece& piece) final {
    text_.clear();
    const std::size_t valid = harf::AppendDecodedUtf8(piece.bytes, text_);
    Type(text_);
    if (valid < piece.bytes.size()) {
      throw BadInput{"invalid UTF-8 on input line " + std::to_string(piece.line) + " at byte " +
                     std::to_string(piece.offset + valid + 1)};
    }
    if (piece.ends) EndLine();
  }

 protected:
  virtual void Type(std::u32string_view text) = 0;
  virtual void EndLine() = 0;

 private:
  std::u32string text_;
};

// Typed characters through the window's keyboard. A line holds no more than
// 45 glyphs, so nothing here grows with the input.
class KeysInput final : public Utf8Input {
 public:
  KeysInput(harf::Layout layout, Printer print)
      : layout_(layout), print_(std::move(print)), typist_(layout) {}

 private:
  void Type(std::u32string_view text) override {
    for (const char32_t ch : text) {
      if (std::exchange(afterCr_, false)) Enter();
      if (ch == U'\b') {
        typist_.Release(static_cast<int>(harf::VirtualKey::Backspace));
      } else if (ch == U'\r') {
        afterCr_ = true;  // Enter, unless the line ends right after it
      } else {
        typist_.Type(ch);
      }
    }
  }
  void EndLine() override {
    afterCr_ = false;
    print_(typist_.line());
    typist_ = harf::Typist(layout_);
  }
  void Enter() {
    print_(typist_.line());
    typist_.Enter();
    typist_.ClearText();  // the text area would keep every line
  }

  harf::Layout layout_;
  Printer print_;
  harf::Typist typist_;
  bool afterCr_ = false;
};

// Unicode Arabic, normalised and typed letter by letter.
class UnicodeInput final : public Utf8Input {
 public:
  explicit UnicodeInput(Printer print)
      : typer_([print = std::move(print)](harf::Line& line) { print(line); }) {}
  std::size_t Skipped() const override { return typer_.skipped(); }

 private:
  void Type(std::u32string_view text) override { typer_.Type(text); }
  void EndLine() override { typer_.Type(U"\n"); }

  harf::UnicodeTyper typer_;
};

// Glyph-code text: lines of decimal codes, raw bytes, or UTF-8 text whose
// characters are the font's characters. A line is held whole (its reading
// starts at its right end), read back into letters and typed again, or with
// --format unicode written straight from its codes in one pass.
class CodesInput final : public Input {
 public:
  CodesInput(Source from, std::optional<harf::GlyphEncoding> encoding, bool unicode, Printer print,
             Output& out)
      : from_(from), encoding_(encoding), unicode_(unicode), print_(std::move(print)), out_(out) {}
  std::size_t Skipped() const override { return skipped_; }

  void Take(const Piece& piece) override {
    switch (from_) {
      case Source::Bytes:
        codes_.insert(codes_.end(), piece.bytes.begin(), piece.bytes.end());
        break;
      case Source::Codes:
        TakeDecimal(piece);
        break;
      default:
        TakeLegacy(piece);
        break;
    }
    if (!piece.ends) return;
    if (from_ == Source::Codes) EndNumber(piece);
    if (from_ == Source::Legacy) {
      // One kind for the whole line: given, or found in it.
      const harf::GlyphEncoding e = encoding_ ? *encoding_ : harf::DetectEncoding(chars_);
      if (!chars_.empty() && chars_.back() == U'\r') chars_.pop_back();
      skipped_ += harf::AppendDecoded(chars_, e, codes_);
      chars_.clear();
    } else if (!codes_.empty() && codes_.back() == '\r') {
      codes_.pop_back();
    }
    if (unicode_) {
      text_.clear();
      skipped_ += harf::AppendUnicodeOfCodes(codes_, text_, [this](std::string& text) {
        out_.Write(text);
        text.clear();
      });
      out_.Write(text_);
      out_.Put('\n');
    } else {
      harf::Line line;
      skipped_ += harf::TypeGlyphCodes(codes_, line);
      print_(line);
    }
    codes_.clear();
    if (codes_.capacity() > (std::size_t{1} << 20)) codes_.shrink_to_fit();
  }

 private:
  void TakeDecimal(const Piece& piece) {
    for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
      const char c = piece.bytes[i];
      if (c >= '0' && c <= '9') {
        number_ = number_ * 10 + (c - '0');
        if (number_ > 255) Bad(piece, i, "a glyph code above 255");
        // 0032 is a slip, not code 32: codes are written without leading zeros.
        if (++digits_ > 3) Bad(piece, i, "a glyph code of more than three digits");
      } else if (c == ' ' || c == '\t' ||
                 (c == '\r' && piece.ends && i + 1 == piece.bytes.size())) {
        EndNumber(piece);
      } else {
        Bad(piece, i, "not a decimal glyph code");
      }
    }
  }
  void EndNumber(const Piece&) {
    if (digits_ > 0) codes_.push_back(static_cast<harf::GlyphCode>(number_));
    number_ = 0;
    digits_ = 0;
  }
  void TakeLegacy(const Piece& piece) {
    const std::size_t valid = harf::AppendDecodedUtf8(piece.bytes, chars_);
    if (valid < piece.bytes.size()) Bad(piece, valid, "invalid UTF-8");
  }
  [[noreturn]] static void Bad(const Piece& piece, std::size_t at, const std::string& what) {
    throw BadInput{what + " on input line " + std::to_string(piece.line) + " at byte " +
                   std::to_string(piece.offset + at + 1)};
  }

  Source from_;
  std::optional<harf::GlyphEncoding> encoding_;
  bool unicode_;
  Printer print_;
  Output& out_;
  std::vector<harf::GlyphCode> codes_;
  std::u32string chars_;
  std::string text_;
  int number_ = 0;
  int digits_ = 0;
  std::size_t skipped_ = 0;
};

std::unique_ptr<Input> MakeInput(const Options& o, Printer print, Output& out) {
  switch (o.from) {
    case Source::Keys:
      return std::make_unique<KeysInput>(o.layout, std::move(print));
    case Source::Unicode:
      return std::make_unique<UnicodeInput>(std::move(print));
    case Source::Codes:
    case Source::Bytes:
    case Source::Legacy:
      return std::make_unique<CodesInput>(o.from, o.encoding, o.format == Format::Unicode,
                                          std::move(print), out);
  }
  return nullptr;
}

void ReportSkipped(std::size_t skipped, Source from) {
  if (skipped == 0) return;
  if (from == Source::Codes || from == Source::Bytes || from == Source::Legacy) {
    std::cerr << "harf-shape: skipped " << skipped
              << (skipped == 1 ? " code or character" : " codes or characters")
              << " that no letter uses, or vowel signs with nothing to carry them\n";
    return;
  }
  std::cerr << "harf-shape: skipped " << skipped << (skipped == 1 ? " character" : " characters")
            << " with no letter or a vowel sign the letter before it refuses\n";
}

int Shape(const Options& o) {
  harf::tools::RequireOpen(STDIN_FILENO, "standard input");
  harf::tools::RequireOpen(STDOUT_FILENO, "standard output");
  Output out(STDOUT_FILENO);
  const std::unique_ptr<Input> input = MakeInput(
      o, MakePrinter(o.format, o.encoding.value_or(harf::GlyphEncoding::Symbol), out), out);
  // Raw bytes are no UTF-8: a piece may end anywhere.
  harf::tools::LineReader reader(
      STDIN_FILENO, [&out] { out.Flush(); }, o.from != Source::Bytes);
  // At a terminal, what was skipped is told line by line; otherwise once.
  const bool terminal = isatty(STDIN_FILENO) == 1;
  std::size_t told = 0;
  Piece piece;
  try {
    while (reader.Next(piece)) {
      input->Take(piece);
      if (terminal && piece.ends && input->Skipped() > told) {
        out.Flush();
        ReportSkipped(input->Skipped() - told, o.from);
        told = input->Skipped();
      }
    }
  } catch (const BadInput& bad) {
    out.Flush();
    std::cerr << "harf-shape: " << bad.message << "\n";
    return 2;
  }
  out.Flush();
  ReportSkipped(input->Skipped() - told, o.from);
  return 0;
}

int Run(const Options& o) {
  if (o.help || o.version) {
    harf::tools::RequireOpen(STDOUT_FILENO, "standard output");
    Output out(STDOUT_FILENO);
    if (o.help) {
      out.Write(kUsage);
    } else {
      out.Write("harf-shape ");
      out.Write(harf::kVersion);
      out.Write("\n");
    }
    out.Flush();
    return 0;
  }
  return Shape(o);
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  try {
    return Run(o);
  } catch (const IoError& e) {
    std::cerr << "harf-shape: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "harf-shape: " << e.what() << "\n";
  }
  return 1;
}
