#include "input/pasted_text.h"

#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"

namespace harf {

bool IsLineBreak(char32_t cp) {
  return cp == U'\n' || cp == U'\r' || cp == U'\u0085' || cp == U'\u2028' || cp == U'\u2029';
}

UnicodeLines TypeUnicode(std::u32string_view text, Line first, const Normalise& normalise,
                         BidiOrder order) {
  UnicodeLines result;
  first.SetCursor(0);
  result.lines.push_back(std::move(first));
  std::u32string normal;
  std::u32string letters;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;

    normal.clear();
    result.skipped += normalise(text.substr(start, end - start), normal);
    if (start > 0) result.lines.emplace_back();
    Line& line = result.lines.back();
    line.Reserve(line.size() + normal.size() + 1);
    // The letters as their own code points (ASCII digits become Arabic-Indic
    // ones), then in the order that makes the line show them as written.
    letters.clear();
    for (const char32_t cp : normal) {
      const LetterIndex c = LetterOfCodePoint(cp);
      if (c == kNoLetter) {
        ++result.skipped;
      } else {
        letters.push_back(CodePointOf(c));
      }
    }
    for (const char32_t cp : TypingOrder(letters, order)) {
      if (!AddChar(line, LetterOfCodePoint(cp))) {
        ++result.skipped;
        ++result.refused;
      }
    }

    if (end == text.size()) break;
    start = end + 1;
    if (text[end] == U'\r' && start < text.size() && text[start] == U'\n') ++start;
  }
  return result;
}

UnicodeLines TypeGlyphText(std::u32string_view text, Line first) {
  UnicodeLines result;
  first.SetCursor(0);
  result.lines.push_back(std::move(first));
  // One encoding for the whole text: a line of plain letters and spaces tells
  // nothing, the lines around it do.
  const GlyphEncoding encoding = DetectEncoding(text);
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;

    if (start > 0) result.lines.emplace_back();
    Line& line = result.lines.back();
    const DecodedCodes decoded = DecodeChars(text.substr(start, end - start), encoding);
    const ReadLetters read = ReadGlyphCodes(decoded.codes);
    result.skipped += decoded.invalid + read.skipped;
    line.Reserve(line.size() + decoded.codes.size() + 1);
    for (const LetterIndex c : read.letters) {
      if (!AddChar(line, c)) {
        ++result.skipped;
        ++result.refused;
      }
    }

    if (end == text.size()) break;
    start = end + 1;
    if (text[end] == U'\r' && start < text.size() && text[start] == U'\n') ++start;
  }
  return result;
}

}  // namespace harf
