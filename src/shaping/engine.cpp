#include "shaping/engine.h"

#include "shaping/glyph_facts.h"

namespace harf {
namespace {

constexpr Cell kPadding{kSpaceCode, kNoLetter, kNoLetter};

void Written(Line& line) {
  line.SetCursor(0);
  LigaturePass(line);
}

// Returns false when the carrier refuses the sign; the line is then untouched.
bool PlaceSign(Line& line, LetterIndex C, std::uint8_t letter) {
  auto& cells = line.Reading();
  const std::size_t q = cells.size() - line.cursor();
  const GlyphCode carrier = q > 0 ? cells[q - 1].code : kSpaceCode;
  const int g = AddDiacritic(C, carrier);
  if (g == 0) return false;
  // An accepted sign always goes to the left end, whatever the cursor.
  cells.push_back({static_cast<GlyphCode>(g), letter, kNoLetter});
  Written(line);
  return true;
}

// Puts the letter with isolated glyph I at the cursor, joined to the glyph
// before it (with a lifted vowel sign between them) and to the glyph after it.
// The neighbours are re-formed where they stand and the new glyph goes in
// between them; at the left end, the ordinary case, that is one append.
void PlaceLetter(Line& line, GlyphCode I, std::uint8_t letter) {
  auto& cells = line.Reading();
  const std::size_t n = cells.size();
  std::size_t q = n - line.cursor();  // insertion point in reading order
  // A sign stays with the letter it sits on: a cursor between the two counts
  // as standing after the sign.
  while (q < n && kFacts[cells[q].code].sign) ++q;

  std::size_t p = q;  // cells[p - 1] is the glyph before the new letter
  const bool hasSign = p > 0 && kFacts[cells[p - 1].code].sign;
  if (hasSign) --p;
  const bool hasBefore = p > 0;
  const GlyphCode before = hasBefore ? cells[p - 1].code : kSpaceCode;
  const bool hasAfter = q < n && cells[q].code != kSpaceCode;

  const Link j = Join(before, I, hasSign ? std::optional<GlyphCode>(cells[p].code) : std::nullopt);
  if (hasBefore) cells[p - 1].code = j.before;
  if (hasSign) cells[p].code = *j.sign;
  Cell placed{j.placed, letter, kNoLetter};
  if (hasAfter) {
    const Link mid = Join(j.placed, cells[q].code, std::nullopt);
    placed.code = mid.before;
    cells[q].code = mid.placed;
  }
  // With nothing before it, the letter brings the padding space at its right.
  if (!hasBefore) {
    cells.insert(cells.begin(), kPadding);
    ++q;
  }
  if (q == cells.size()) {
    cells.push_back(placed);
  } else {
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(q), placed);
  }
}

// Inserts letter C and records `letter` as what the new glyph stands for.
// Returns false when the letter was a sign its carrier refused.
bool Insert(Line& line, LetterIndex C, std::uint8_t letter) {
  const GlyphCode I = IsoGlyph[LetterSlot(C)];
  const FormClass K = FormOf[I];
  if (K == kSign) return PlaceSign(line, C, letter);
  if (C == kSpaceLetter || K == kSingle) {
    // Spaces, digits and punctuation go to the left end and join nothing.
    line.Reading().push_back({I, letter, kNoLetter});
  } else {
    PlaceLetter(line, I, letter);
  }
  Written(line);
  return true;
}

// Takes the newest glyph out of the line. A ligature is split: its earlier
// letter's glyph stays, its later letter's glyph is taken.
Cell TakeNewest(Line& line) {
  auto& cells = line.Reading();
  const Cell g = cells.back();
  cells.pop_back();
  if (const Ligature* lig = LigatureParts(g.code)) {
    cells.push_back({lig->M, g.letter, kNoLetter});
    return {lig->N, g.later, kNoLetter};
  }
  return g;
}

// Types a glyph's letter again at the left end. The padding space comes back
// as padding; a glyph no letter owns, or a sign its carrier now refuses, is
// put back unchanged so that nothing is lost.
void Retype(Line& line, const Cell& g) {
  bool placed = false;
  if (g.letter == kNoLetter && g.code == kSpaceCode) {
    placed = Insert(line, kSpaceLetter, kNoLetter);
  } else if (!Unowned(g.code)) {
    const LetterIndex L = g.letter != kNoLetter ? g.letter : LetterOf[g.code];
    placed = Insert(line, L, static_cast<std::uint8_t>(L));
  }
  if (!placed) {
    line.Reading().push_back(g);
    Written(line);
  }
}

}  // namespace

Link MakeLink(GlyphCode LC, GlyphCode C, std::optional<GlyphCode> TX) {
  return Join(LC, C, TX);
}

int AddDiacritic(LetterIndex vv, GlyphCode LastC) {
  const LetterIndex L = LetterOf[LastC];
  DiacPlacement K;
  if (L >= 0 && L < static_cast<int>(DiacClass.size())) {
    K = DiacClass[LetterSlot(L)];
  } else if (L == kHamza) {
    K = DiacPlacement::Standard;
  } else {
    return 0;
  }
  const bool open = FormOf[LastC] == kIsolated || FormOf[LastC] == kFinal;
  const int standard = IsoGlyph[LetterSlot(vv)];
  const int alternate = IniGlyph[LetterSlot(vv)];
  // Kasra and kasratan are written below the letter, every other sign above it.
  if (vv == kKasra || vv == kKasratan) {
    return K == DiacPlacement::BelowAlternateWhenOpen && open ? alternate : standard;
  }
  switch (K) {
    case DiacPlacement::AboveAlternate:
      return alternate;
    case DiacPlacement::AboveAlternateWhenJoined:
      return open ? standard : alternate;
    case DiacPlacement::Standard:
    case DiacPlacement::BelowAlternateWhenOpen:
      break;
  }
  return standard;
}

bool AddChar(Line& line, LetterIndex C) {
  if (!IsLetterIndex(C)) return false;
  return Insert(line, C, static_cast<std::uint8_t>(C));
}

void LigaturePass(Line& line) {
  auto& cells = line.Reading();
  const std::size_t n = cells.size();
  if (n < 3) return;
  Cell& earlier = cells[n - 3];
  const Cell& later = cells[n - 2];
  const GlyphCode lig = AddLig(later.code, earlier.code);
  if (lig == kNoLigature) return;
  earlier = {lig, earlier.letter, later.letter};
  cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(n - 2));
  line.SetCursor(0);
}

void Backspace(Line& line) {
  if (line.size() < 2) {
    line.Clear();
    return;
  }
  line.Reading().pop_back();
  line.SetCursor(0);
  const Cell g = TakeNewest(line);
  // A sign never changed its carrier, so typing the sign alone again would
  // leave the carrier joined to the letter just deleted: retype both.
  if (IsSignGlyph(g.code) && !line.empty()) Retype(line, TakeNewest(line));
  Retype(line, g);
}

}  // namespace harf
