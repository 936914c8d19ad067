// What the engine fuzz target holds every line to: each glyph a form of the
// letter(s) it stands for, only spaces standing for no letter, the cursor
// inside the line. A violation prints the line and aborts, which libFuzzer
// reports as a crash with the input that caused it.
#pragma once

#include <array>
#include <vector>

#include "shaping/line.h"
#include "tables/glyph_types.h"

namespace harf::engine_fuzz {

// How many of each letter a line holds.
using Counts = std::array<long, kLetterCount>;

[[noreturn]] void Fail(const char* what, const Line& line);

#define CHECK(cond, line)                                \
  do {                                                   \
    if (!(cond)) ::harf::engine_fuzz::Fail(#cond, line); \
  } while (false)

// The glyph codes a letter may stand as. A form the letter lacks is 0 in the
// tables and does not count, except for the letters whose only glyph is 0.
bool IsFormOf(GlyphCode g, int letter);

Counts LettersOf(const Line& line);

// Each glyph is a form of its letter; a ligature is made of forms of its two
// letters; only a space stands for no letter. A line loaded from bare codes
// (`loaded`) may also hold codes that read back as their letter without being
// one of its forms, as Line::FromCodes gives them.
void CheckCells(const Line& line, bool loaded);

// Whether every letter of the line has a Unicode code point.
bool HasCodePoints(const Line& line);

// Glyphs the user typed, without the spaces that came in with a first letter.
std::vector<GlyphCode> WithoutPadding(const Line& line);

}  // namespace harf::engine_fuzz
