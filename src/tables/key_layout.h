// The two on-screen keyboards: every key of the one key array, where it sits,
// what it shows and which letter it enters. Constant data, no toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tables/glyph_table.h"

namespace harf {

using KeyIndex = std::int16_t;

inline constexpr int kKeyCount = 136;
inline constexpr KeyIndex kFirstArabicKey = 68;
// Keys 134 and 135, the last two, enter nothing.
inline constexpr KeyIndex kFirstUnusedKey = 134;
// The space bar of each layout.
inline constexpr KeyIndex kSystematicSpaceKey = 0;
inline constexpr KeyIndex kArabicSpaceKey = 122;
// A key without a picture shows no letter.
inline constexpr LetterIndex kNoPicture = kNoLetter;

enum class Layout : std::uint8_t { Systematic, Arabic };

// Caption fonts are Arial; most keys use 8.25 points, a few punctuation keys
// a larger size so the mark is visible at all.
struct CaptionFont {
  float points;
  bool bold;
};

struct KeyDef {
  KeyIndex index;
  Layout frame;                  // the layout frame the key sits in
  std::string_view caption;      // UTF-8; empty where the key shows a picture only
  int left, top, width, height;  // twips, relative to the frame
  CaptionFont font;
  bool enabled;
  LetterIndex picture;  // letter whose glyph the key's picture shows, or kNoPicture
};

// All 136 keys, indexed by key index.
const std::array<KeyDef, kKeyCount>& Keys();

// The letter an Arabic-layout key enters; an index the layout does not map
// (below 68, or the disabled keys 134 and 135) comes back unchanged.
LetterIndex ReDef(KeyIndex Index);

// The letter a press of key `Index` enters: a Systematic key enters its own
// index, an Arabic key what ReDef gives, the two unused keys kNoLetter.
LetterIndex LetterOfKey(KeyIndex Index);

// Frame geometry in twips, shared by both layout frames.
struct TwipsRect {
  int left, top, width, height;
};
inline constexpr TwipsRect kLayoutFrame = {120, 4800, 9885, 4215};
// The Enter and Backspace buttons share the Systematic frame with its keys.
inline constexpr TwipsRect kEnterButton = {7770, 420, 885, 645};
inline constexpr TwipsRect kBackspaceButton = {8760, 420, 885, 645};

}  // namespace harf
