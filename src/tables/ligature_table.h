// The font's two-letter ligatures (kLigatures, generated from glyphs.tsv). A
// pair is keyed on exact glyph codes, so the forms of both letters are part of
// the key.
#pragma once

#include <array>

#include "tables/glyph_table.h"

namespace harf {

// AddLig's answer when a pair forms no ligature: a single space.
inline constexpr GlyphCode kNoLigature = kSpaceCode;

// The ligature glyph of the pair (M, N), or kNoLigature.
GlyphCode AddLig(GlyphCode N, GlyphCode M);

// The two glyphs a ligature code was made of, or nullptr for any other code.
const Ligature* LigatureParts(GlyphCode code);

}  // namespace harf
