#include "options.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "input/typed_keys.h"

namespace harf::shape {

std::string UsageText() {
  return std::string(R"(Usage: harf-shape [--from keys|unicode|codes|bytes|legacy]
                  [--layout systematic|arabic]
                  [--format codes|bytes|unicode|legacy]
                  [--encoding symbol|latin1|windows-1252]

Reads UTF-8 text on standard input, types each input line into a fresh empty
line through Harf's shaping engine and prints what the line ends up with, one
output line per line typed. Each line is printed as soon as it has been read,
and memory does not grow with the length of the input.

--from keys (default): the input is typed characters, exactly as the Harf
window's keyboard takes them: the same typed-character mapping for the layout
chosen (default: systematic), the same )") +
         std::to_string(harf::kLineMaxLength) + R"(-glyph limit on typed characters,
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
  -h, --help                          show this text
  --version                           show the version

Exit status:
  0  all input shaped
  1  reading or writing failed (a message on standard error says which)
  2  an unknown option or a bad value (nothing is read), or invalid input:
     like iconv, harf-shape stops at the first line that is not valid UTF-8,
     after printing every line before it, and names the line and the byte
     (counted from 1) on standard error
)";
}

namespace {

// Bad usage: reported before anything is read.
[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "harf-shape: " << message << "\n";
  std::exit(2);
}

}  // namespace

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

}  // namespace harf::shape
