// Text of one line between the legacy font's glyph codes and Unicode Arabic,
// keeping track of which run every character came from, so that a document
// converter can give each letter the formatting of the glyph it was read from
// (and each glyph the formatting of its letter). No document format here.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "input/glyph_encoding.h"
#include "tables/glyph_table.h"

namespace harf::documents {

// Characters of one run of a document, tagged with the run's index in the
// caller's list.
struct Piece {
  std::u32string text;
  std::size_t run = 0;

  bool operator==(const Piece&) const = default;
};

struct UnicodePieces {
  std::vector<Piece> pieces;  // logical order; neighbours with the same run merged
  std::size_t leftOut = 0;    // characters no glyph code, codes no letter
};

// The legacy runs of one line, left to right as a left-to-right document
// shows them, read back into Unicode Arabic in logical order. Each run's
// characters are decoded in `encoding`, or, without one, in the encoding the
// run's own characters point to; the runs are then read as one display-order
// sequence, so a bold letter inside a word neither breaks the word nor moves.
UnicodePieces LegacyToUnicode(std::span<const Piece> runs, std::optional<GlyphEncoding> encoding);

// Stands in a line for an inline thing that is no text (a note reference, an
// image): U+FFFC OBJECT REPLACEMENT CHARACTER, a neutral for the bidi order.
// It is neither letter nor glyph and keeps its place between the words.
inline constexpr char32_t kObjectChar = U'\uFFFC';

// An object standing in a display-order line just before code `before`,
// tagged `run` like a piece.
struct Anchor {
  std::size_t before = 0;
  std::size_t run = 0;
};

// The same for glyph codes already known, every code from run `runs[i]`. The
// objects come out as kObjectChar, each its own piece tagged with its run,
// between the letters of the glyphs it stood between.
UnicodePieces CodesToUnicode(std::span<const GlyphCode> display, std::span<const std::size_t> runs,
                             std::span<const Anchor> objects = {});

struct LegacyLines {
  // Each line's pieces left to right (display order), text as characters of
  // the chosen encoding; neighbours with the same run merged.
  std::vector<std::vector<Piece>> lines;
  std::vector<std::vector<GlyphCode>> codes;  // the same lines as glyph codes
  std::size_t leftOut = 0;                    // characters with no letter, signs the letter refused
};

// Unicode runs of one line in logical order, typed letter by letter through
// the engine as a paste is, and broken at spaces into lines of at most
// maxGlyphs glyphs (a longer word at maxGlyphs). maxGlyphs 0: no limit.
// A kObjectChar in the runs comes out, as its own piece with its run, left of
// the glyph of the letter before it (right of everything when it is first).
LegacyLines UnicodeToLegacy(std::span<const Piece> runs, GlyphEncoding encoding,
                            std::size_t maxGlyphs);

// True when text holds an Arabic letter and nothing of another script:
// text a conversion to the legacy font can take whole.
bool IsArabicText(std::u32string_view text);

// True when every character of text is a space, digit (Arabic-Indic ones
// too) or punctuation.
bool IsNeutralText(std::u32string_view text);

}  // namespace harf::documents
