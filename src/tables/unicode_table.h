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
#pragma once

#include <array>

#include "tables/glyph_table.h"

namespace harf {

inline constexpr char32_t kNoCodePoint = 0;
inline constexpr LetterIndex kNoLetterIndex = -1;

inline constexpr std::array<char32_t, kLetterCount> kCodePointOf = {
    U' ',       // 0 space
    U'\u0627',  // 1 alif
    U'\u0628',  // 2 ba
    U'\u062A',  // 3 ta
    U'\u062B',  // 4 tha
    U'\u062C',  // 5 jim
    U'\u062D',  // 6 hha
    U'\u062E',  // 7 kha
    U'\u062F',  // 8 dal
    U'\u0630',  // 9 dhal
    U'\u0631',  // 10 ra
    U'\u0632',  // 11 zay
    U'\u0633',  // 12 sin
    U'\u0634',  // 13 shin
    U'\u0635',  // 14 sad
    U'\u0636',  // 15 dad
    U'\u0637',  // 16 tah
    U'\u0638',  // 17 zah
    U'\u0639',  // 18 ain
    U'\u063A',  // 19 ghain
    U'\u0641',  // 20 fa
    U'\u0642',  // 21 qaf
    U'\u0643',  // 22 kaf
    U'\u0644',  // 23 lam
    U'\u0645',  // 24 mim
    U'\u0646',  // 25 nun
    U'\u0647',  // 26 ha
    U'\u0648',  // 27 waw
    U'\u064A',  // 28 ya
    U'\u0629',  // 29 ta marbuta
    U'\u0660',  // 30..39 Arabic-Indic digits 0..9
    U'\u0661', U'\u0662', U'\u0663', U'\u0664', U'\u0665',
    U'\u0666', U'\u0667', U'\u0668', U'\u0669',
    U'\u064E',  // 40 fatha
    U'\u0650',  // 41 kasra
    U'\u064F',  // 42 damma
    U'\u064B',  // 43 fathatan
    U'\u064D',  // 44 kasratan
    U'\u064C',  // 45 dammatan
    U'\u0623',  // 46 alif with hamza above
    U'\u0626',  // 47 ya with hamza above
    U'\u0624',  // 48 waw with hamza above
    U'\u0622',  // 49 alif with madda
    U'\u0649',  // 50 alif maqsura
    U'\u00AB',  // 51 opening quotation mark
    U'\u0625',  // 52 alif with hamza below
    U'\u0671',  // 53 alif wasla
    U'\u00BB',  // 54 closing quotation mark
    U'\u0621',  // 55 hamza
    U'\u0652',  // 56 sukun
    U'\u0651',  // 57 shadda
    U'!',       // 58 exclamation mark
    U'\u061F',  // 59 Arabic question mark
    U'\u061B',  // 60 Arabic semicolon
    U'.',       // 61 full stop
    U',',       // 62 comma (low form)
    U':',       // 63 colon
    U'\u0670',  // 64 superscript alef
    U'\u060C',  // 65 Arabic comma
    U'(',       // 66 opening parenthesis
    U')',       // 67 closing parenthesis
                // 68..85: no code point (zero-initialised).
};

// The code point letter c stands for, or kNoCodePoint (letters 68..85, or an
// index outside 0..85).
constexpr char32_t CodePointOf(LetterIndex c) {
  return IsLetterIndex(c) ? kCodePointOf[c] : kNoCodePoint;
}

// The letter code point cp is typed as, or kNoLetterIndex. Besides the code
// points above it reads ASCII digits and the Extended Arabic-Indic digits as
// the Arabic-Indic digits, "?" and ";" as their Arabic forms (the font has no
// others) and U+06D4 as the full stop. It expects NFKC text: presentation
// forms, full-width forms and compatibility spaces have no letter of their own.
LetterIndex LetterOfCodePoint(char32_t cp);

}  // namespace harf
