// Glyph codes read back into the letters that typing them would take: the way
// back from text set in the legacy font (a document, the clipboard, a file of
// codes) to letters, Unicode and an editable line.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "shaping/line.h"
#include "tables/glyph_table.h"

namespace harf {

struct ReadLetters {
  std::vector<LetterIndex> letters;  // in logical (typing) order
  std::vector<std::size_t> source;   // per letter: index into the display-order input of
                                     // the glyph it came from (both letters of a ligature
                                     // name the ligature's glyph)
  std::size_t leftOut = 0;           // codes no letter uses, signs with nothing to carry them
};

// One line of glyph codes in display order (left to right) -> letters in
// logical order. Ligatures give their two letters, signs follow their
// carriers, both glyphs of a two-glyph letter read as that letter. A code that
// letters share reads as the more common one: alif for 97 and 98, the Arabic
// comma for 76, fatha for 74. The padding space at the right end, which comes
// in with the first letter of a typed line, gives nothing. A sign is skipped
// where its carrier would refuse it when typed (after a sign, a digit,
// punctuation or alif), so typing the letters again with AddChar gives the
// same codes for every line the engine makes by typing.
ReadLetters ReadGlyphCodes(std::span<const GlyphCode> display);

// One line of glyph codes in display order -> its Unicode text in logical
// order, as UTF-8 appended to out; returns how many codes were skipped. The
// text is the one ToUnicode gives for the line that ReadGlyphCodes's letters
// type, a number in the order it is read on screen, but made in one pass
// without a line or a letter list, for input of any size.
// `flush`, when given, is handed `out` whenever it has grown past 64 KB, to
// write it out and empty it, so that a long line is never held as text.
std::size_t AppendUnicodeOfCodes(std::span<const GlyphCode> display, std::string& out,
                                 const std::function<void(std::string&)>& flush = {});

// Types the letters the codes read as into `line` (at its left end), as
// TypeLetters(ReadGlyphCodes(display).letters) does for an empty line, without
// a letter list; returns how many codes were skipped.
std::size_t TypeGlyphCodes(std::span<const GlyphCode> display, Line& line);

// The letters typed into an empty line with AddChar, at its left end.
Line TypeLetters(std::span<const LetterIndex> letters);

}  // namespace harf
