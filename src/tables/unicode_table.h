// Standard Unicode for every letter index, and back: the code point a letter
// stands for in logical-order Unicode text, and the letter a code point of
// NFKC-normalised text is typed as. Constant data, no toolkit.
//
// Choices where the glyph table names no code point:
// - 51 and 54, the quotation marks captioned "((" and "))": U+00AB and U+00BB.
//   The user types 51 first ("<" on the Systematic keyboard, "(" on the
//   Arabic one), so it opens the quotation; in logical order an Arabic
//   quotation opens with U+00AB and closes with U+00BB, and bidi mirroring
//   draws them pointing outwards in right-to-left text.
// - 61 full stop: U+002E, the full stop Arabic text uses (U+06D4 is read too).
// - 62 the low comma: U+002C; 65 stays U+060C, so the two commas, which share
//   one glyph, keep apart in Unicode.
// - 58 exclamation mark U+0021, 63 colon U+003A.
// - 64, the initial-only sign on the key showing "'": U+0670 superscript
//   alef, the small upright stroke that mark draws. Hamza above (U+0654) would
//   not do: NFKC composes it with alif, waw and ya into other letters.
// - 66 and 67 parentheses: U+0028 opens and U+0029 closes, in logical order;
//   the user types "(" to open. Bidi mirroring draws them turned in
//   right-to-left text.
// - 68..79 have no glyph and 80..85 no key: no code point.
// The code points themselves are the UNICODE column of glyphs.tsv (kCodePointOf).
#pragma once

#include <array>

#include "tables/glyph_table.h"

namespace harf {

// The code point letter c stands for, or kNoCodePoint (letters 68..85, or an
// index outside 0..85).
constexpr char32_t CodePointOf(LetterIndex c) {
  return IsLetterIndex(c) ? kCodePointOf[LetterSlot(c)] : kNoCodePoint;
}

// The letter code point cp is typed as, or kNoLetter. Besides the code
// points above it reads ASCII digits and the Extended Arabic-Indic digits as
// the Arabic-Indic digits, "?" and ";" as their Arabic forms (the font has no
// others) and U+06D4 as the full stop. It expects NFKC text: presentation
// forms, full-width forms and compatibility spaces have no letter of their own.
LetterIndex LetterOfCodePoint(char32_t cp);

}  // namespace harf
