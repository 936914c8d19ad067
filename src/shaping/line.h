// The line being typed: glyph codes plus the cursor, and beside every glyph the
// letters it stands for. Letters share glyph codes (alif and alif wasla, the
// two commas, every vowel sign), so the codes alone cannot say what was typed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tables/glyph_table.h"

namespace harf {

// One glyph of the line. A ligature stands for two letters (earlier, later);
// the space that comes in with the first letter of a line stands for none.
struct Cell {
  GlyphCode code = kSpaceCode;
  std::uint8_t letter = kNoLetter;  // the letter typed, or kNoLetter
  std::uint8_t later = kNoLetter;   // a ligature's later letter, else kNoLetter

  bool operator==(const Cell&) const = default;
};

// Positions and the cursor follow the display: the line is shown left to
// right, Arabic is read right to left, so the letter typed last is the
// leftmost glyph (position 1) and the cursor counts the glyphs left of the
// insertion point. Inside, the cells are kept in reading order, so that the
// ordinary insertion at the left end is an append.
class Line {
 public:
  Line() = default;
  // A line of bare glyph codes in display order; each glyph stands for the
  // letter its code reads back as.
  static Line FromCodes(std::span<const GlyphCode> display);

  std::size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }
  std::size_t cursor() const { return cursor_; }
  // Moves the cursor; a value past the right end stops there.
  void SetCursor(std::size_t s) { cursor_ = s > cells_.size() ? cells_.size() : s; }

  // The glyph at display position pos, 1..size().
  const Cell& At(std::size_t pos) const { return cells_[cells_.size() - pos]; }
  GlyphCode CodeAt(std::size_t pos) const { return At(pos).code; }
  // All codes in display order, left to right.
  std::vector<GlyphCode> Codes() const;

  // Cells in reading order: the first letter typed comes first.
  const std::vector<Cell>& Reading() const { return cells_; }
  std::vector<Cell>& Reading() { return cells_; }

  // Empties the line (a write: the cursor goes to 0).
  void Clear();
  // Room for n cells. Grows at least twofold, so that a line reserved for
  // again and again as it grows (a long paste typed in chunks) is not copied
  // each time.
  void Reserve(std::size_t n) {
    if (n > cells_.capacity()) cells_.reserve(std::max(n, 2 * cells_.capacity()));
  }

  bool operator==(const Line&) const = default;

 private:
  std::vector<Cell> cells_;
  std::size_t cursor_ = 0;
};

}  // namespace harf
