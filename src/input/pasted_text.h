// Pasted text typed into lines: Unicode Arabic, with its normalisation left
// to the caller (the native build normalises with ICU, the web page with the
// browser's own String.prototype.normalize, so the core needs neither), and
// glyph-code text, read back into letters and typed again.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "input/bidi_order.h"
#include "shaping/line.h"

namespace harf {

struct UnicodeLines {
  std::vector<Line> lines;  // at least one; n line breaks give n + 1 lines
  // Characters that reached no line: characters with no letter (Latin
  // letters, emoji, controls, unassigned code points, tatweel, values that are
  // not Unicode scalar values) and vowel signs refused by the glyph before
  // them. Counted so that the caller can tell the user what was left out.
  std::size_t skipped = 0;
  // The part of `skipped` that were refused vowel signs: a sign after another
  // sign (NFKC puts shadda after the vowel it carries, so shadda with a vowel
  // keeps the vowel), a sign on alif, a digit or punctuation.
  std::size_t refused = 0;
};

// Appends the NFKC form of one line of text to `out` and returns how many
// values it left out (values that are not Unicode scalar values).
using Normalise = std::function<std::size_t(std::u32string_view line, std::u32string& out)>;

// Whether cp ends a line of pasted text: LF, CR, NEL, U+2028, U+2029.
bool IsLineBreak(char32_t cp);

// Types Unicode text into lines: the first line goes on from `first` (at its
// left end, where typing goes on), every further line starts empty. Lines
// break at LF, CR LF, CR, NEL (U+0085), U+2028 and U+2029; each line is
// normalised by `normalise`, then its letters go in so that the line shows the
// text as written: a number goes in from its last digit, in the order `order`
// gives.
UnicodeLines TypeUnicode(std::u32string_view text, Line first, const Normalise& normalise,
                         BidiOrder order = PlainBidiOrder);

// Types glyph-code text (what a document set in the legacy font holds, in the
// encoding its characters point to) into lines as a paste: every line is
// read back into letters, and the letters are typed again, the first line's
// going on from `first`. Lines break as in TypeUnicode. Counted as skipped:
// characters that are no glyph code of that encoding, codes no letter uses,
// and signs the letter before them refuses.
UnicodeLines TypeGlyphText(std::u32string_view text, Line first);

}  // namespace harf
