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
std::vector<Tagged> Reordered(std::vector<Tagged> text, bool to_logical) {
  // Most lines hold no number: no text is made for the permutation then.
  if (std::none_of(text.begin(), text.end(),
                   [](const Tagged& t) { return IsArabicIndicDigit(t.ch); })) {
    return text;
  }
  std::u32string chars;
  chars.reserve(text.size());
  for (const Tagged& t : text) chars.push_back(t.ch);
  const std::vector<std::size_t> order =
      to_logical ? LogicalPermutation(chars, IcuBidiOrder) : TypingPermutation(chars, IcuBidiOrder);
  std::vector<Tagged> out;
  out.reserve(text.size());
  for (const std::size_t i : order) out.push_back(text[i]);
  return out;
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

UnicodePieces CodesToUnicode(std::span<const GlyphCode> display, std::span<const std::size_t> runs,
                             std::span<const Anchor> objects) {
  UnicodePieces out;
  const ReadLetters read = ReadGlyphCodes(display);
  out.left_out = read.skipped;
  std::vector<Tagged> text;
  text.reserve(read.letters.size() + objects.size());
  for (std::size_t i = 0; i < read.letters.size(); ++i) {
    const char32_t cp = CodePointOf(read.letters[i]);
    const std::size_t source = i < read.source.size() ? read.source[i] : 0;
    if (cp == kNoCodePoint) {
      ++out.left_out;
    } else {
      text.push_back({cp, Narrow(source < runs.size() ? runs[source] : 0), Narrow(source)});
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
  out.left_out += invalid;
  return out;
}

LegacyLines UnicodeToLegacy(std::span<const Piece> runs, GlyphEncoding encoding,
                            std::size_t max_glyphs) {
  LegacyLines out;
  // Each letter as its own code point (ASCII digits become Arabic-Indic
  // ones), then in the order that makes the line show the text as written.
  std::vector<Tagged> letters;
  std::u32string cps;
  for (const Piece& piece : runs) {
    if (piece.text.size() == 1 && piece.text[0] == kObjectChar) {
      letters.push_back({kObjectChar, Narrow(piece.run)});
      continue;
    }
    std::size_t dropped = 0;
    cps.clear();
    out.left_out += AppendLetterCodePoints(Nfkc(piece.text, &dropped), cps);
    out.left_out += dropped;
    for (const char32_t cp : cps) letters.push_back({cp, Narrow(piece.run)});
  }
  const std::vector<Tagged> text = Reordered(std::move(letters), false);

  std::vector<LetterIndex> keys;
  std::vector<std::uint32_t> key_runs;
  keys.reserve(text.size());
  key_runs.reserve(text.size());
  std::vector<Anchor> objects;  // `before`: how many letters come before it
  for (const Tagged& t : text) {
    if (t.ch == kObjectChar) {
      objects.push_back({keys.size(), t.run});
    } else {
      keys.push_back(LetterOfCodePoint(t.ch));
      key_runs.push_back(t.run);
    }
  }
  Line line;
  line.Reserve(keys.size() + 2);
  std::vector<std::size_t> refused;
  out.left_out += TypeInto(line, keys, &refused);
  // A typed word forms its last ligature only when the next letter comes;
  // a document line has ended, so close it as a space would.
  CloseLine(line);
  std::vector<TypedLetter> typed;
  typed.reserve(keys.size() - refused.size());
  for (std::size_t i = 0, r = 0; i < keys.size(); ++i) {
    if (r < refused.size() && refused[r] == i) {
      ++r;
    } else {
      typed.push_back({keys[i], key_runs[i]});
    }
  }
  for (Anchor& a : objects) {
    // Letters before it that the engine took.
    a.before -= static_cast<std::size_t>(
        std::lower_bound(refused.begin(), refused.end(), a.before) - refused.begin());
  }

  const std::vector<std::size_t> owner = RunsOfCells(line, typed);
  const auto& cells = line.Reading();
  // The cell each object follows in reading order: the one holding the
  // letter typed before it; kNone for an object before every letter.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> after(objects.size(), kNone);
  if (!objects.empty()) {
    std::vector<std::size_t> cell_of_letter;
    cell_of_letter.reserve(typed.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      for (const std::uint8_t letter : {cells[i].letter, cells[i].later}) {
        if (letter != kNoLetter) cell_of_letter.push_back(i);
      }
    }
    for (std::size_t k = 0; k < objects.size(); ++k) {
      const std::size_t n = objects[k].before;
      if (n > 0) after[k] = n - 1 < cell_of_letter.size() ? cell_of_letter[n - 1] : cells.size();
    }
  }
  // Objects after reading cell c go left of it: emitted, in display order,
  // just before it, the last one first.
  auto emit_objects = [&](std::vector<Piece>& pieces, std::size_t from, std::size_t to) {
    for (std::size_t k = objects.size(); k-- > 0;) {
      const std::size_t c = after[k] == kNone ? 0 : after[k] + 1;
      if (c >= from && c < to) Append(pieces, kObjectChar, objects[k].run);
    }
  };
  // Break in reading order at the last space that keeps a line within
  // max_glyphs; the space itself goes at the break.
  std::size_t start = 0;
  do {
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
    // Positions count "after cell c" as c + 1, "before every cell" as 0.
    emit_objects(pieces, end + 1, next == cells.size() ? cells.size() + 2 : next + 1);
    for (std::size_t i = end; i > start; --i) {
      emit_objects(pieces, i, i + 1);
      codes.push_back(cells[i - 1].code);
      Append(pieces, CharOfCode(cells[i - 1].code, encoding), owner[i - 1]);
    }
    if (start == 0) emit_objects(pieces, 0, 1);
    out.lines.push_back(std::move(pieces));
    out.codes.push_back(std::move(codes));
    start = next;
  } while (start < cells.size());
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
