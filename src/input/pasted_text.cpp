#include "input/pasted_text.h"

#include <utility>

#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"

namespace harf {

bool IsLineBreak(char32_t cp) {
  return cp == U'\n' || cp == U'\r' || cp == U'\u0085' || cp == U'\u2028' || cp == U'\u2029';
}

LetterLines UnicodeLetters(std::u32string_view text, const Normalise& normalise, BidiOrder order) {
  LetterLines result;
  std::u32string normal;
  std::u32string letters;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;

    normal.clear();
    result.leftOut += normalise(text.substr(start, end - start), normal);
    // The letters as their own code points (ASCII digits become Arabic-Indic
    // ones), then in the order that makes the line show them as written.
    letters.clear();
    result.leftOut += AppendLetterCodePoints(normal, letters);
    std::vector<LetterIndex>& line = result.lines.emplace_back();
    line.reserve(letters.size());
    for (const char32_t cp : TypingOrder(letters, order)) line.push_back(LetterOfCodePoint(cp));

    if (end == text.size()) break;
    start = end + 1;
    if (text[end] == U'\r' && start < text.size() && text[start] == U'\n') ++start;
  }
  return result;
}

namespace {

// Glyph-code text breaks lines at these only: NEL is code 133 in Latin-1.
// Codes 10 and 13 are no glyphs; text in the symbol kind may hold them as
// U+F00A and U+F00D.
char32_t GlyphTextBreak(char32_t ch) {
  if (ch == kSymbolBase + U'\n' || ch == kSymbolBase + U'\r') return ch - kSymbolBase;
  return ch == U'\n' || ch == U'\r' || ch == U'\u2028' || ch == U'\u2029' ? ch : 0;
}

// Types the letters of each line without a limit, the first going on from `first`.
UnicodeLines TypeAll(const LetterLines& letters, Line first) {
  UnicodeLines result;
  result.leftOut = letters.leftOut;
  first.SetCursor(0);
  Line next = std::move(first);
  for (std::size_t i = 0; i < letters.lines.size(); ++i) {
    Line& line = result.lines.emplace_back(std::exchange(next, Line{}));
    line.Reserve(line.size() + letters.lines[i].size() + 1);
    const std::size_t refused = TypeInto(line, letters.lines[i]);
    result.leftOut += refused;
    result.refused += refused;
  }
  return result;
}

// How long the line is once it is closed.
std::size_t ClosedSize(const Line& line) {
  Line closed = line;
  CloseLine(closed);
  return closed.size();
}

// Breaks pasted lines into lines of at most maxLength glyphs.
class Breaker {
 public:
  Breaker(UnicodeLines& out, std::size_t maxLength) : out_(out), max_(maxLength) {}

  void Run(std::span<const LetterIndex> letters, Line line) {
    line_ = std::move(line);
    line_.SetCursor(0);
    std::size_t i = 0;
    while (i < letters.size()) {
      // The spaces before the next word, and the word.
      std::size_t w = i;
      while (w < letters.size() && letters[w] == kSpaceLetter) ++w;
      std::size_t end = w;
      while (end < letters.size() && letters[end] != kSpaceLetter) ++end;
      AddWord(letters.subspan(i, w - i), letters.subspan(w, end - w));
      i = end;
    }
    CloseLine(line_);
    out_.lines.push_back(std::move(line_));
  }

 private:
  void Refused(std::size_t n) {
    out_.refused += n;
    out_.leftOut += n;
  }

  void AddWord(std::span<const LetterIndex> spaces, std::span<const LetterIndex> word) {
    // A letter adds at most one glyph (the first of a line its padding space
    // too) and closing a line only merges: a word that fits even so is typed
    // straight in, without the copy that would make a long line quadratic.
    if (line_.size() + spaces.size() + word.size() + 1 <= max_) {
      Refused(TypeInto(line_, spaces) + TypeInto(line_, word));
      return;
    }
    Line candidate = line_;
    const std::size_t refused = TypeInto(candidate, spaces) + TypeInto(candidate, word);
    if (ClosedSize(candidate) <= max_) {
      line_ = std::move(candidate);
      Refused(refused);
      return;
    }
    // Break at the spaces before the word; a line that holds nothing yet
    // takes the word's start instead.
    if (!line_.empty()) {
      NextLine();
      Line alone;
      const std::size_t r = TypeInto(alone, word);
      if (ClosedSize(alone) <= max_) {
        line_ = std::move(alone);
        Refused(r);
        return;
      }
    } else {
      Refused(TypeInto(line_, spaces));
    }
    // A word longer than a line: letter by letter, a new line where one is full.
    for (const LetterIndex L : word) {
      Line next = line_;
      const bool typed = AddChar(next, L);
      if (!line_.empty() && ClosedSize(next) > max_) {
        NextLine();
        next = Line{};
        Refused(AddChar(next, L) ? 0 : 1);
      } else if (!typed) {
        Refused(1);
      }
      line_ = std::move(next);
    }
  }

  void NextLine() {
    CloseLine(line_);
    out_.lines.push_back(std::move(line_));
    line_ = Line{};
  }

  UnicodeLines& out_;
  std::size_t max_;
  Line line_;
};

}  // namespace

UnicodeLines TypeUnicode(std::u32string_view text, Line first, const Normalise& normalise,
                         BidiOrder order) {
  return TypeAll(UnicodeLetters(text, normalise, order), std::move(first));
}

LetterLines GlyphTextLetters(std::u32string_view text) {
  return GlyphTextLetters(text, DetectEncoding(text));
}

LetterLines GlyphTextLetters(std::u32string_view text, GlyphEncoding e) {
  LetterLines out;
  std::vector<GlyphCode> codes;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && GlyphTextBreak(text[end]) == 0) ++end;
    codes.clear();
    out.leftOut += AppendDecoded(text.substr(start, end - start), e, codes);
    ReadLetters read = ReadGlyphCodes(codes);
    out.leftOut += read.leftOut;
    out.lines.push_back(std::move(read.letters));
    if (end == text.size()) break;
    start = end + 1;
    if (GlyphTextBreak(text[end]) == U'\r' && start < text.size() &&
        GlyphTextBreak(text[start]) == U'\n') {
      ++start;
    }
  }
  return out;
}

UnicodeLines TypeGlyphText(std::u32string_view text, Line first) {
  return TypeAll(GlyphTextLetters(text), std::move(first));
}

std::size_t TypeInto(Line& line, std::span<const LetterIndex> letters,
                     std::vector<std::size_t>* refused) {
  // A whole run in one pass: the same line as an AddChar per letter gives.
  return AddChars(line, letters, refused);
}

std::size_t AppendLetterCodePoints(std::u32string_view normal, std::u32string& out) {
  std::size_t leftOut = 0;
  for (const char32_t cp : normal) {
    const LetterIndex c = LetterOfCodePoint(cp);
    if (c == kNoLetter) {
      ++leftOut;
    } else {
      out.push_back(CodePointOf(c));
    }
  }
  return leftOut;
}

void CloseLine(Line& line) {
  if (line.empty() || line.At(1).code == kSpaceCode) return;
  if (!AddChar(line, kSpaceLetter)) return;
  line.Reading().pop_back();
  line.SetCursor(0);
}

UnicodeLines TypeLines(const LetterLines& letters, Line first, std::size_t maxLength) {
  UnicodeLines out;
  out.leftOut = letters.leftOut;
  if (letters.lines.empty()) {
    out.lines.push_back(std::move(first));
    return out;
  }
  // Each line the breaker runs gives at least one.
  Breaker breaker(out, maxLength);
  Line next = std::move(first);
  for (const auto& line : letters.lines) breaker.Run(line, std::exchange(next, Line{}));
  return out;
}

}  // namespace harf
