// What the model says happened, for the front ends to word in the user's
// language: the window with Qt Linguist, the web page with a table per
// language, both from this one list. The page receives the values as numbers:
// add new ones at the end, never renumber.
#pragma once

#include <cstddef>
#include <cstdint>

namespace harf {

enum class Message : std::uint8_t {
  None = 0,           // the label shows its credit line
  NothingPasted = 1,  // a paste of no text
  // A paste of Unicode text: `count` characters with no letter here, or vowel
  // signs the letter before them does not take.
  LeftOut = 2,
  // A paste of glyph text: `count` characters of no glyph code, codes no
  // letter uses, or signs with nothing to carry them.
  GlyphTextLeftOut = 3,
  // The display font has no glyph for `count` of the codes the tables use
  // (the window, which found them, names them).
  FontLacksCodes = 4,
};

struct Said {
  Message message = Message::None;
  std::size_t count = 0;
  bool operator==(const Said&) const = default;
};

// How a key's letter is entered, for its tooltip.
enum class KeyHow : std::uint8_t {
  NotInUse = 0,           // the key has no letter
  Typed = 1,              // typing one of `typed` enters it, as does a click
  TypedNotClickable = 2,  // typing enters it; the key itself cannot be clicked
  ClickOnly = 3,          // only a click enters it
  OtherLayout = 4,  // not with this layout; typing one of `typed` with the other one shown does
  PasteUnicodeOnly = 5,  // with neither layout; Paste Unicode enters it
};

}  // namespace harf
