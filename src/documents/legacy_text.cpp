#include "documents/legacy_text.h"

#include <algorithm>
#include <utility>

#include "input/glyph_reader.h"
#include "input/unicode_text.h"
#include "shaping/engine.h"
#include "shaping/line.h"
#include "tables/unicode_table.h"

namespace harf::documents {
namespace {

struct Tagged {
  char32_t ch;
  std::size_t run;
};

bool IsDigit(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9);
}

// Common separators: a single one between two digits belongs to the number.
bool IsNumberSeparator(char32_t c) {
  return c == U',' || c == U'.' || c == U':' || c == U'/' || c == 0x060C || c == 0x066B ||
         c == 0x066C;
}

// Every glyph the engine places, digits too, goes to the left end of the line,
// so a number typed 2024 shows 4202; Unicode must hold what the screen shows,
// which in right-to-left text is the number written the other way round. The
// font knows only Arabic letters, neutrals and numbers (Unicode's bidi rules
// W4 and W5 on numbers with single separators), so reversing each number is
// the whole reordering, and it is its own inverse, which the round trip
// between the two directions needs.
void ReverseNumbers(std::vector<Tagged>& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsDigit(text[i].ch)) {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size()) {
      if (IsDigit(text[end].ch)) {
        ++end;
      } else if (IsNumberSeparator(text[end].ch) && end + 1 < text.size() &&
                 IsDigit(text[end + 1].ch)) {
        end += 2;
      } else {
        break;
      }
    }
    std::reverse(text.begin() + static_cast<std::ptrdiff_t>(i),
                 text.begin() + static_cast<std::ptrdiff_t>(end));
    i = end;
  }
}

void Append(std::vector<Piece>& pieces, char32_t ch, std::size_t run) {
  if (pieces.empty() || pieces.back().run != run) pieces.push_back({{}, run});
  pieces.back().text.push_back(ch);
}

struct TypedLetter {
  LetterIndex letter;
  std::size_t run;
};

// The run of every cell of a typed line: cells hold the typed letters in
// reading order, none for the padding space, two for a ligature.
std::vector<std::size_t> RunsOfCells(const Line& line, const std::vector<TypedLetter>& typed) {
  const auto& cells = line.Reading();
  std::vector<std::size_t> runs(cells.size(), typed.empty() ? 0 : typed.front().run);
  std::size_t next = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (next < typed.size()) runs[i] = typed[next].run;
    for (const std::uint8_t letter : {cells[i].letter, cells[i].later}) {
      if (letter != kNoLetter && next < typed.size()) ++next;
    }
  }
  return runs;
}

}  // namespace

UnicodePieces CodesToUnicode(std::span<const GlyphCode> display,
                             std::span<const std::size_t> runs) {
  UnicodePieces out;
  const ReadLetters read = ReadGlyphCodes(display);
  out.left_out = read.skipped;
  std::vector<Tagged> text;
  text.reserve(read.letters.size());
  for (std::size_t i = 0; i < read.letters.size(); ++i) {
    const char32_t cp = CodePointOf(read.letters[i]);
    const std::size_t source = i < read.source.size() ? read.source[i] : 0;
    if (cp == kNoCodePoint) {
      ++out.left_out;
    } else {
      text.push_back({cp, source < runs.size() ? runs[source] : 0});
    }
  }
  ReverseNumbers(text);
  for (const Tagged& t : text) Append(out.pieces, t.ch, t.run);
  return out;
}

UnicodePieces LegacyToUnicode(std::span<const Piece> runs, std::optional<GlyphEncoding> encoding) {
  std::vector<GlyphCode> codes;
  std::vector<std::size_t> owner;
  std::size_t invalid = 0;
  for (const Piece& piece : runs) {
    const GlyphEncoding e = encoding ? *encoding : DetectEncoding(piece.text);
    DecodedCodes decoded = DecodeChars(piece.text, e);
    invalid += decoded.invalid;
    codes.insert(codes.end(), decoded.codes.begin(), decoded.codes.end());
    owner.insert(owner.end(), decoded.codes.size(), piece.run);
  }
  UnicodePieces out = CodesToUnicode(codes, owner);
  out.left_out += invalid;
  return out;
}

LegacyLines UnicodeToLegacy(std::span<const Piece> runs, GlyphEncoding encoding,
                            std::size_t max_glyphs) {
  LegacyLines out;
  std::vector<Tagged> text;
  for (const Piece& piece : runs) {
    std::size_t dropped = 0;
    for (const char32_t ch : Nfkc(piece.text, &dropped)) text.push_back({ch, piece.run});
    out.left_out += dropped;
  }
  ReverseNumbers(text);

  Line line;
  line.Reserve(text.size() + 2);
  std::vector<TypedLetter> typed;
  typed.reserve(text.size());
  for (const Tagged& t : text) {
    const LetterIndex c = LetterOfCodePoint(t.ch);
    if (c == kNoLetter || !AddChar(line, c)) {
      ++out.left_out;
    } else {
      typed.push_back({c, t.run});
    }
  }
  // A typed word forms its last ligature only when the next letter comes;
  // a document line has ended, so close it as a space would, then drop it.
  if (!line.empty() && line.Reading().back().code != kSpaceCode && AddChar(line, kSpaceLetter) &&
      line.Reading().back().code == kSpaceCode) {
    line.Reading().pop_back();
  }

  const std::vector<std::size_t> owner = RunsOfCells(line, typed);
  const auto& cells = line.Reading();
  // Break in reading order at the last space that keeps a line within
  // max_glyphs; the space itself goes at the break.
  std::size_t start = 0;
  while (start < cells.size()) {
    std::size_t end = cells.size();
    std::size_t next = end;
    if (max_glyphs > 0 && end - start > max_glyphs) {
      std::size_t space = start + max_glyphs;
      while (space > start && cells[space].code != kSpaceCode) --space;
      end = space > start ? space : start + max_glyphs;
      next = space > start ? space + 1 : end;
    }
    std::vector<GlyphCode> codes;
    std::vector<Piece> pieces;
    for (std::size_t i = end; i > start; --i) {
      codes.push_back(cells[i - 1].code);
      Append(pieces, CharOfCode(cells[i - 1].code, encoding), owner[i - 1]);
    }
    out.lines.push_back(std::move(pieces));
    out.codes.push_back(std::move(codes));
    start = next;
  }
  if (out.lines.empty()) {
    out.lines.emplace_back();
    out.codes.emplace_back();
  }
  return out;
}

namespace {

bool IsArabicChar(char32_t c) {
  return (c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F) ||
         (c >= 0x08A0 && c <= 0x08FF) || (c >= 0xFB50 && c <= 0xFDFF) ||
         (c >= 0xFE70 && c <= 0xFEFF);
}

// Letters, not the signs, digits and punctuation the Arabic blocks also hold.
bool IsArabicLetter(char32_t c) {
  return (c >= 0x0621 && c <= 0x064A) || (c >= 0x0671 && c <= 0x06D3) || c >= 0xFB50;
}

bool IsNeutralChar(char32_t c) {
  if (c < 0x80) return !((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'));
  return c == 0xA0 || c == 0xAB || c == 0xBB || (c >= 0x2000 && c <= 0x206F);
}

}  // namespace

bool IsNeutralText(std::u32string_view text) {
  return std::all_of(text.begin(), text.end(), IsNeutralChar);
}

bool IsArabicText(std::u32string_view text) {
  bool arabic = false;
  for (const char32_t c : text) {
    if (IsArabicChar(c)) {
      arabic = arabic || IsArabicLetter(c);
    } else if (!IsNeutralChar(c)) {
      return false;
    }
  }
  return arabic;
}

}  // namespace harf::documents
