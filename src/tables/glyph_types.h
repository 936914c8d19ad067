// The types the glyph tables are made of. The tables themselves are generated
// from glyphs.tsv into glyph_data.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace harf {

using GlyphCode = std::uint8_t;
using LetterIndex = std::int16_t;
using FormClass = std::uint8_t;

inline constexpr int kLetterCount = 86;
inline constexpr int kGlyphCount = 256;
inline constexpr GlyphCode NoGlyph = 0;
inline constexpr GlyphCode kSpaceCode = 32;

// The one "no letter" value: a glyph that stands for no letter (the padding
// space a line starts with, the empty half of a glyph that is no ligature), a
// code point that types none, a key that enters none. It fits the byte a line
// keeps per letter, and lies outside 0..85 so IsLetterIndex refuses it.
inline constexpr LetterIndex kNoLetter = 0xFF;

// A letter index as a table subscript. Every caller has checked the index
// (IsLetterIndex), or read it from a table that holds only indexes 0..85.
constexpr std::size_t LetterSlot(LetterIndex L) {
  return static_cast<std::size_t>(L);
}

// What a letter stands for in Unicode text where it has no code point.
inline constexpr char32_t kNoCodePoint = 0;

// How a vowel sign sits on a carrier letter (the values of DiacClass). Each sign
// has a standard and an alternate glyph; which one a carrier gets depends on
// its class, on whether the sign is one of those written below the letter
// (kasra, kasratan) and on whether the carrier is open (isolated or final).
enum class DiacPlacement : std::uint8_t {
  Standard = 0,                  // every sign its standard glyph
  AboveAlternate = 1,            // signs above the letter the alternate glyph
  BelowAlternateWhenOpen = 2,    // signs below the alternate glyph on an open carrier
  AboveAlternateWhenJoined = 3,  // signs above the alternate glyph on a joined carrier
};

// One letter's glyph codes; NoGlyph where it has no such form.
struct LetterForms {
  GlyphCode iso, ini, med, fin;
};

// A two-letter ligature, keyed on exact glyph codes, so the forms of both
// letters are part of the key.
struct Ligature {
  GlyphCode code;  // the ligature glyph
  GlyphCode M;     // glyph of the earlier letter, in reading order
  GlyphCode N;     // glyph of the later letter
};

}  // namespace harf
