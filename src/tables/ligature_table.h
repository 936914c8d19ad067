// The font's two-letter ligatures. A pair is keyed on exact glyph codes, so the
// forms of both letters are part of the key.
#pragma once

#include <array>

#include "tables/glyph_table.h"

namespace harf {

struct Ligature {
  GlyphCode code;  // the ligature glyph
  GlyphCode M;     // glyph of the earlier letter, in reading order
  GlyphCode N;     // glyph of the later letter
};

inline constexpr std::array<Ligature, 53> kLigatures = {{
    {34, 105, 225},  {35, 109, 225},  {36, 113, 224},  {37, 219, 225},  {38, 227, 225},
    {50, 219, 119},  {51, 219, 124},  {52, 219, 131},  {53, 106, 138},  {54, 110, 138},
    {55, 238, 138},  {56, 142, 224},  {57, 145, 224},  {58, 219, 232},  {60, 219, 239},
    {61, 106, 239},  {62, 110, 239},  {63, 228, 239},  {160, 105, 118}, {161, 105, 122},
    {163, 109, 118}, {164, 109, 122}, {165, 109, 130}, {166, 219, 118}, {167, 219, 122},
    {168, 219, 130}, {169, 223, 118}, {170, 223, 122}, {171, 223, 130}, {172, 227, 118},
    {173, 227, 122}, {174, 227, 130}, {175, 237, 118}, {176, 237, 122}, {177, 237, 130},
    {178, 106, 229}, {179, 110, 229}, {180, 238, 229}, {181, 219, 243}, {182, 105, 224},
    {183, 109, 224}, {184, 227, 224}, {185, 237, 224}, {186, 117, 224}, {187, 121, 224},
    {188, 129, 224}, {189, 219, 224}, {190, 223, 224}, {191, 207, 239}, {252, 219, 98},
    {253, 220, 98},  {254, 219, 100}, {255, 220, 100},
}};

// AddLig's answer when a pair forms no ligature: a single space.
inline constexpr GlyphCode kNoLigature = kSpaceCode;

// The ligature glyph of the pair (M, N), or kNoLigature.
GlyphCode AddLig(GlyphCode N, GlyphCode M);

// The two glyphs a ligature code was made of, or nullptr for any other code.
const Ligature* LigatureParts(GlyphCode code);

}  // namespace harf
