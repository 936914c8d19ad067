#include "engine_checks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tables/glyph_table.h"
#include "tables/ligature_table.h"
#include "tables/unicode_table.h"

namespace harf::engine_fuzz {

void Fail(const char* what, const Line& line) {
  std::fprintf(stderr, "engine_fuzz: %s\n  line (display order):", what);
  for (std::size_t pos = 1; pos <= line.size(); ++pos) {
    const Cell& c = line.At(pos);
    std::fprintf(stderr, " %d/%d", c.code, c.letter == kNoLetter ? -1 : c.letter);
    if (c.later != kNoLetter) std::fprintf(stderr, "+%d", c.later);
  }
  std::fprintf(stderr, "\n  cursor %zu\n", line.cursor());
  std::abort();
}

bool IsFormOf(GlyphCode g, int letter) {
  if (g == IsoGlyph[letter]) return true;
  if (g == NoGlyph) return false;
  return g == IniGlyph[letter] || g == MedGlyph[letter] || g == FinGlyph[letter];
}

Counts LettersOf(const Line& line) {
  Counts n{};
  for (const Cell& c : line.Reading()) {
    if (c.letter != kNoLetter) ++n[c.letter];
    if (c.later != kNoLetter) ++n[c.later];
  }
  return n;
}

void CheckCells(const Line& line, bool loaded) {
  for (const Cell& c : line.Reading()) {
    if (c.letter == kNoLetter) {
      CHECK(c.code == kSpaceCode && c.later == kNoLetter, line);
      continue;
    }
    CHECK(c.letter < kLetterCount, line);
    if (const Ligature* lig = LigatureParts(c.code)) {
      CHECK(c.later < kLetterCount, line);
      CHECK(loaded || (IsFormOf(lig->M, c.letter) && IsFormOf(lig->N, c.later)), line);
    } else {
      CHECK(c.later == kNoLetter, line);
      CHECK(IsFormOf(c.code, c.letter) || (loaded && LetterOf[c.code] == c.letter), line);
    }
  }
  CHECK(line.cursor() <= line.size(), line);
}

bool HasCodePoints(const Line& line) {
  for (const Cell& c : line.Reading()) {
    for (const std::uint8_t l : {c.letter, c.later}) {
      if (l != kNoLetter && CodePointOf(l) == kNoCodePoint) return false;
    }
  }
  return true;
}

std::vector<GlyphCode> WithoutPadding(const Line& line) {
  std::vector<GlyphCode> out;
  for (const Cell& c : line.Reading()) {
    if (c.letter != kNoLetter) out.push_back(c.code);
  }
  return out;
}

}  // namespace harf::engine_fuzz
