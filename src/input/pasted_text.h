// Pasted text typed into lines: Unicode Arabic, with its normalisation left
// to the caller (the native build normalises with ICU, the web page with the
// browser's own String.prototype.normalize, so the core needs neither), and
// glyph-code text, read back into letters and typed again.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "input/bidi_order.h"
#include "input/glyph_encoding.h"
#include "input/typed_keys.h"
#include "shaping/line.h"

namespace harf {

struct UnicodeLines {
  std::vector<Line> lines;  // at least one; n line breaks give n + 1 lines
  // Characters that reached no line: characters with no letter (Latin
  // letters, emoji, controls, unassigned code points, tatweel, values that are
  // not Unicode scalar values) and vowel signs refused by the glyph before
  // them. Counted so that the caller can tell the user what was left out.
  std::size_t leftOut = 0;
  // The part of `leftOut` that were refused vowel signs: a sign after another
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

// The letters of pasted text, line by line in typing order.
struct LetterLines {
  std::vector<std::vector<LetterIndex>> lines;  // at least one
  std::size_t leftOut = 0;                      // characters or codes that gave no letter
};

// The letters TypeUnicode types, line by line, in the order that makes each
// line show its text as written; characters with no letter count as skipped.
LetterLines UnicodeLetters(std::u32string_view text, const Normalise& normalise,
                           BidiOrder order = PlainBidiOrder);

// Glyph-code text, as copied from a document set in the legacy font: lines
// split at CR LF, LF, CR, U+2028 and U+2029 (not at NEL, U+0085, which is a
// glyph code in Latin-1 text; in the symbol kind also at U+F00D, U+F00A), each line's characters
// decoded in the kind DetectEncoding finds in the whole text (a line of plain letters and spaces
// tells nothing, the lines around it do) and read back into letters with
// ReadGlyphCodes. Characters of no kind, codes no letter uses and signs with
// nothing to carry them count as skipped.
LetterLines GlyphTextLetters(std::u32string_view text);
LetterLines GlyphTextLetters(std::u32string_view text, GlyphEncoding e);

// Types glyph-code text into lines as a paste: the letters GlyphTextLetters
// reads, the first line's going on from `first`, with no length limit.
UnicodeLines TypeGlyphText(std::u32string_view text, Line first);

// Types pasted lines as a typist would make them: the first goes on from
// `first` (at its left end), each further one starts empty, and each is
// broken into lines of at most `maxLength` glyphs at the spaces between words
// (the spaces at a break are dropped; a word longer than a line is broken
// where the line is full). Every line the paste ends shows its last word's
// ligatures as typing a space after it would. `refused` counts the vowel
// signs the letter before them refused; `leftOut` is the letters' own count
// plus those.
UnicodeLines TypeLines(const LetterLines& letters, Line first,
                       std::size_t maxLength = kLineMaxLength);

// The line as typing a space after it would show it, without the space: the
// last two letters merge where they form a ligature.
void CloseLine(Line& line);

// Types letters at the line's left end, the one loop through the engine that
// pastes, documents and harf-shape share; returns how many signs the letter
// before them refused. `refused`, when given, gets the index of every letter
// refused.
std::size_t TypeInto(Line& line, std::span<const LetterIndex> letters,
                     std::vector<std::size_t>* refused = nullptr);

// Appends the letters of normalised text, each as its own letter's code
// point (ASCII and Extended Arabic-Indic digits become Arabic-Indic ones), to
// `out`; returns how many characters have no letter.
std::size_t AppendLetterCodePoints(std::u32string_view normal, std::u32string& out);

}  // namespace harf
