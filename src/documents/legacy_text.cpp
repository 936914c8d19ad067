#include "documents/legacy_text.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "input/bidi_order.h"
#include "input/glyph_reader.h"
#include "input/pasted_text.h"
#include "input/unicode_text.h"
#include "shaping/engine.h"
#include "shaping/line.h"
#include "tables/unicode_table.h"

namespace harf::documents {
namespace {

// Twelve bytes a character: a paragraph of millions of them is held several
// times over on its way through.
struct Tagged {
  char32_t ch;
  std::uint32_t run;
  std::uint32_t glyph = 0;  // reading back: the display index of its glyph
};

// Run numbers and glyph indexes of one line: a line is far shorter than 4 G.
std::uint32_t Narrow(std::size_t n) {
  return static_cast<std::uint32_t>(n);
}

// The characters in another order, by clusters (a letter and its signs):
// typed order to logical order, or back. The line shows every glyph, a digit
// too, at the left end as it is typed, so a number typed 2024 shows 4202, and
// Unicode must hold what the screen shows; the order is the one the window's
// Unicode copy and paste use, ICU's bidi algorithm on a right-to-left line.
std::vector<Tagged> Reordered(std::vector<Tagged> text, bool toLogical) {
  // Most lines hold no number: no text is made for the permutation then.
  if (std::none_of(text.begin(), text.end(),
                   [](const Tagged& t) { return IsArabicIndicDigit(t.ch); })) {
    return text;
  }
  std::u32string chars;
  chars.reserve(text.size());
  for (const Tagged& t : text) chars.push_back(t.ch);
  const std::vector<std::size_t> order =
      toLogical ? LogicalPermutation(chars, IcuBidiOrder) : TypingPermutation(chars, IcuBidiOrder);
  std::vector<Tagged> out;
  out.reserve(text.size());
  for (const std::size_t i : order) out.push_back(text[i]);
  return out;
}

// A space is a normalisation boundary on both sides and no letter, so text
// cut before one normalises and types as the whole does.
bool IsSliceStart(char32_t c) {
  return c == U' ';
}

void Append(std::vector<Piece>& pieces, char32_t ch, std::size_t run) {
  if (pieces.empty() || pieces.back().run != run) pieces.push_back({{}, run});
  pieces.back().text.push_back(ch);
}

}  // namespace

UnicodePieces CodesToUnicode(std::span<const GlyphCode> display, std::span<const std::size_t> runs,
                             std::span<const Anchor> objects) {
  UnicodePieces out;
  std::vector<Tagged> text;
  {
    // The letters read go as soon as they are tagged: a long line is not
    // held as both.
    const ReadLetters read = ReadGlyphCodes(display);
    out.leftOut = read.leftOut;
    text.reserve(read.letters.size() + objects.size());
    for (std::size_t i = 0; i < read.letters.size(); ++i) {
      const char32_t cp = CodePointOf(read.letters[i]);
      const std::size_t source = i < read.source.size() ? read.source[i] : 0;
      if (cp == kNoCodePoint) {
        ++out.leftOut;
      } else {
        text.push_back({cp, Narrow(source < runs.size() ? runs[source] : 0), Narrow(source)});
      }
    }
  }
  if (!objects.empty()) {
    // Read right to left, an object comes after the letters of the glyphs
    // right of it; of two objects side by side the right one comes first.
    std::vector<std::pair<std::size_t, std::size_t>> at;  // (letter position, object)
    at.reserve(objects.size());
    for (std::size_t k = 0; k < objects.size(); ++k) {
      std::size_t pos = 0;
      while (pos < text.size() && text[pos].glyph >= objects[k].before) ++pos;
      at.emplace_back(pos, k);
    }
    std::stable_sort(at.begin(), at.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second > b.second;
    });
    std::vector<Tagged> with;
    with.reserve(text.size() + objects.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      while (next < at.size() && at[next].first == i) {
        with.push_back({kObjectChar, Narrow(objects[at[next].second].run)});
        ++next;
      }
      if (i < text.size()) with.push_back(text[i]);
    }
    text = std::move(with);
  }
  for (const Tagged& t : Reordered(std::move(text), true)) Append(out.pieces, t.ch, t.run);
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
  out.leftOut += invalid;
  return out;
}

LegacyLines UnicodeToLegacy(std::span<const Piece> runs, GlyphEncoding encoding,
                            std::size_t maxGlyphs) {
  LegacyLines out;
  // Each letter as its own code point (ASCII digits become Arabic-Indic
  // ones), then in the order that makes the line show the text as written.
  std::vector<Tagged> letters;
  std::size_t total = 0;
  for (const Piece& piece : runs) total += piece.text.size();
  letters.reserve(total);
  std::u32string cps;
  for (const Piece& piece : runs) {
    if (piece.text.size() == 1 && piece.text[0] == kObjectChar) {
      letters.push_back({kObjectChar, Narrow(piece.run)});
      continue;
    }
    // A slice at a time, so that a run of millions of characters is not held
    // again as its normal form and again as its letters.
    constexpr std::size_t kSlice = std::size_t{1} << 16;
    std::u32string_view rest = piece.text;
    while (!rest.empty()) {
      std::size_t cut = std::min(rest.size(), kSlice);
      // Never between a character and the marks after it.
      while (cut < rest.size() && !IsSliceStart(rest[cut])) ++cut;
      std::size_t dropped = 0;
      cps.clear();
      out.leftOut += AppendLetterCodePoints(Nfkc(rest.substr(0, cut), &dropped), cps);
      out.leftOut += dropped;
      for (const char32_t cp : cps) letters.push_back({cp, Narrow(piece.run)});
      rest.remove_prefix(cut);
    }
  }
  std::vector<Tagged> text = Reordered(std::move(letters), false);

  std::vector<LetterIndex> keys;
  std::vector<std::uint32_t> keyRuns;
  keys.reserve(text.size());
  keyRuns.reserve(text.size());
  std::vector<Anchor> objects;  // `before`: how many letters come before it
  for (const Tagged& t : text) {
    if (t.ch == kObjectChar) {
      objects.push_back({keys.size(), t.run});
    } else {
      keys.push_back(LetterOfCodePoint(t.ch));
      keyRuns.push_back(t.run);
    }
  }
  std::vector<Tagged>().swap(text);
  // The lines a paste of the same text makes, a typist's lines of at most
  // maxGlyphs glyphs; without a limit one line, typed and closed.
  std::vector<Line> lines;
  if (maxGlyphs > 0) {
    LetterLines lettersIn;
    lettersIn.lines.push_back(keys);
    UnicodeLines typed = TypeLines(lettersIn, Line{}, maxGlyphs);
    out.leftOut += typed.refused;
    lines = std::move(typed.lines);
  } else {
    Line& line = lines.emplace_back();
    line.Reserve(keys.size() + 2);
    out.leftOut += TypeInto(line, keys);
    CloseLine(line);
  }

  // Which cell each letter went to: the cells hold the letters in reading
  // order, less the signs refused and the spaces dropped at a break.
  constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
  struct Place {
    std::uint32_t line = kNone, cell = kNone;
  };
  // Only objects need to know where each letter went.
  std::vector<Place> where(objects.empty() ? 0 : keys.size());
  std::vector<std::vector<std::uint32_t>> owner(lines.size());
  std::size_t next = 0;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const auto& cells = lines[l].Reading();
    owner[l].assign(cells.size(), kNone);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      for (const std::uint8_t letter : {cells[i].letter, cells[i].later}) {
        if (letter == kNoLetter) continue;
        while (next < keys.size() && keys[next] != letter) ++next;
        if (next == keys.size()) break;
        if (!where.empty()) where[next] = {Narrow(l), Narrow(i)};
        if (owner[l][i] == kNone) owner[l][i] = keyRuns[next];
        ++next;
      }
    }
    // A cell without a letter (the padding space) goes with its neighbour.
    for (std::size_t i = cells.size(); i-- > 0;) {
      if (owner[l][i] == kNone && i + 1 < cells.size()) owner[l][i] = owner[l][i + 1];
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (owner[l][i] == kNone) {
        owner[l][i] = i > 0 ? owner[l][i - 1] : (keyRuns.empty() ? 0 : keyRuns.front());
      }
    }
  }
  // Each object goes after the cell of the last letter before it that has
  // one; before every cell when there is none.
  std::vector<Place> after(objects.size());
  for (std::size_t k = 0; k < objects.size(); ++k) {
    for (std::size_t n = objects[k].before; n-- > 0;) {
      if (where[n].line != kNone) {
        after[k] = where[n];
        break;
      }
    }
  }
  // Objects after reading cell c go left of it: emitted, in display order,
  // just before it, the last one first.
  auto emitObjects = [&](std::vector<Piece>& pieces, Place at) {
    for (std::size_t k = objects.size(); k-- > 0;) {
      if (after[k].line == at.line && after[k].cell == at.cell) {
        Append(pieces, kObjectChar, objects[k].run);
      }
    }
  };
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const auto& cells = lines[l].Reading();
    std::vector<GlyphCode> codes;
    std::vector<Piece> pieces;
    codes.reserve(cells.size());
    for (std::size_t i = cells.size(); i-- > 0;) {
      emitObjects(pieces, {Narrow(l), Narrow(i)});
      codes.push_back(cells[i].code);
      Append(pieces, CharOfCode(cells[i].code, encoding), owner[l][i]);
    }
    if (l == 0) emitObjects(pieces, {});
    out.lines.push_back(std::move(pieces));
    out.codes.push_back(std::move(codes));
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
  if (IsArabicIndicDigit(c) || (c >= 0x06F0 && c <= 0x06F9)) return true;
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
