// The shaping engine: every letter enters the line through AddChar, which picks
// the glyph of the letter's contextual form, re-forms its neighbours, places
// vowel signs and merges ligature pairs. Pure functions on a Line; no toolkit.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "shaping/line.h"

namespace harf {

// The glyphs MakeLink gives back, in display order: the placed glyph in its
// chosen form, the vowel sign that stands between the two (if any), and the
// glyph before it in reading order, re-formed where it now joins.
struct Link {
  GlyphCode placed;
  std::optional<GlyphCode> sign;
  GlyphCode before;
};

// How glyph C joins the glyph LC that precedes it in reading order, with the
// vowel sign TX between them.
Link MakeLink(GlyphCode LC, GlyphCode C, std::optional<GlyphCode> TX);

// The glyph under which vowel sign vv is written on carrier glyph LastC, or 0
// when that carrier takes no sign.
int AddDiacritic(LetterIndex vv, GlyphCode LastC);

// Inserts letter C at the line's cursor with contextual shaping, then runs the
// ligature pass, and says whether the line was written. Every write leaves
// the cursor at 0. A vowel sign the carrier refuses, or a letter index outside
// 0..85, leaves the line and the cursor as they were and gives false.
bool AddChar(Line& line, LetterIndex C);

// Types the letters C[0], C[1], ... one after the other, with exactly the
// result of calling AddChar for each in turn: the same cells, codes and
// cursor, the same letters refused. It is the road for text typed whole (a
// document's line, a paste): what AddChar works out again for every
// keystroke is worked out once for the run, and the line is written in one
// pass. Returns how many letters were refused; when `refused` is given, the
// position in C of each refused letter is appended to it, in order, so that a
// caller can tell which letters made it into the line (and which run of its
// text each came from).
std::size_t AddChars(Line& line, std::span<const LetterIndex> C,
                     std::vector<std::size_t>* refused = nullptr);

// Merges the second and third glyph of the line when they form a ligature.
void LigaturePass(Line& line);

// Deletes the newest glyph (the left end, whatever the cursor) and types the
// letter before it again, so that it regains the form it has without a
// follower. A ligature before it is split back into its two letters first; a
// vowel sign before it is typed again together with its carrier.
void Backspace(Line& line);

}  // namespace harf
