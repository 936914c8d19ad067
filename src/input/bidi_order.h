// Where the characters of a line stand on screen. The line box shows its glyph
// codes left to right as they are stored, so a line reads right to left from
// its first letter, and a run of digits, typed one by one at the left end,
// reads left to right on screen in the reverse of its typing order. Unicode
// text says the same in logical order, and a right-to-left paragraph shows a
// number left to right, as the Unicode bidi algorithm lays it out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "shaping/line.h"

namespace harf {

// The order a right-to-left paragraph puts characters in: given the first
// characters of a text's clusters in logical order, the clusters in visual
// order (left to right) as indexes; with `inverse`, given them in visual
// order, the clusters in logical order. A cluster that is a lone sign comes
// as U+0621, a right-to-left letter.
using BidiOrder = std::vector<std::size_t> (*)(std::u32string_view bases, bool inverse);

// BidiOrder without ICU, for the WebAssembly build, which has none; the native
// build uses ICU's ubidi (IcuBidiOrder in harf_unicode), and a native test
// checks that the two agree. For the characters the font has the bidi
// algorithm comes down to one rule: in a right-to-left paragraph whose strong
// characters are all Arabic letters, a number (Arabic-Indic digits, with
// single separators . , : U+060C between two digits) is shown left to right
// and everything else right to left. That rule is its own inverse.
std::vector<std::size_t> PlainBidiOrder(std::u32string_view bases, bool inverse);

// The number rule, in one place: an Arabic-Indic digit (the font's digits)
// is part of a number, and so is a single separator between two of them.
bool IsArabicIndicDigit(char32_t ch);
bool IsNumberSeparator(char32_t ch);

// Whether ch is a vowel sign, which stays on the character before it.
bool IsMark(char32_t ch);

// A character with the vowel signs after it, as [begin, end) in a text; a
// sign at the very start has no character before it and stands alone.
struct Cluster {
  std::size_t begin, end;
};
std::vector<Cluster> Clusters(std::u32string_view text);

// The code points of the line's letters in the order they were typed (reading
// order, the padding space left out). Digit runs stand as typed, not as read.
std::u32string TypedText(const Line& line);

// The line as logical Unicode text that shows what the line shows: the typed
// text with every number turned into the order it is read on screen. A long
// line is reordered about `piece` letters at a time, so that the reordering
// needs memory for one piece, not for the whole line.
inline constexpr std::size_t kBidiPiece = std::size_t{1} << 16;
std::u32string LogicalText(const Line& line, BidiOrder order = PlainBidiOrder,
                           std::size_t piece = kBidiPiece);

// The order in which to type logical text so that the line shows it as
// written: a number goes in from its last digit, as each digit goes to the
// left end of the line.
std::u32string TypingOrder(std::u32string_view logical, BidiOrder order = PlainBidiOrder);

// The same orders as indexes, for callers that carry something with every
// character (where it came from): TypingPermutation(logical)[k] is the index
// in `logical` of the k-th character to type; LogicalPermutation(typed)[k] the
// index in `typed` (typing order, as TypedText gives it) of the k-th
// character of the logical text. Text without a digit keeps its order.
std::vector<std::size_t> TypingPermutation(std::u32string_view logical,
                                           BidiOrder order = PlainBidiOrder);
std::vector<std::size_t> LogicalPermutation(std::u32string_view typed,
                                            BidiOrder order = PlainBidiOrder);

}  // namespace harf
