// What a character typed on the physical keyboard does: run Enter, press one
// on-screen key, or nothing. The window only wires the answer.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "tables/key_layout.h"

namespace harf {

// Typing stops when the line holds this many glyphs; clicks do not.
inline constexpr std::size_t kLineMaxLength = 45;

struct TypedKey {
  char32_t typed;
  KeyIndex key;
};

// Typed character -> key, searched in ascending key order. SystKeyOf holds the
// transliteration symbols (used while the Systematic layout is shown),
// ArabicKeyOf the German key caps in lower case (while the Arabic one is).
std::span<const TypedKey> SystKeyOf();
std::span<const TypedKey> ArabicKeyOf();

struct TypedAction {
  // Unicode: an Arabic letter, digit or sign from a keyboard layout of the
  // system, typed in as Paste Unicode types one character.
  enum class Kind { Nothing, Enter, Press, Unicode };
  Kind kind = Kind::Nothing;
  KeyIndex key = 0;  // for Press

  bool operator==(const TypedAction&) const = default;
};

// Enter comes first (it works on a full line), then the length limit, then the
// space (key 0 in both layouts), then the list of the layout shown, then
// Arabic characters (IsArabicTyped), in either layout.
TypedAction DecideTyped(char32_t typed, std::size_t lineLength, Layout shown);

// Whether a key pressed with these modifiers is a command (a Ctrl or Meta
// chord: Ctrl+V, Ctrl+C), not a character to type. AltGr, which some systems
// report as Ctrl+Alt, still types.
bool IsCommandChord(bool ctrl, bool alt, bool meta);

// Whether a typed character is Arabic text rather than a key of a layout:
// U+0600..U+06FF and the presentation forms U+FB50..U+FDFF, U+FE70..U+FEFF.
bool IsArabicTyped(char32_t typed);

// The characters that press `key` with its own layout shown (for tooltips).
std::vector<char32_t> TypedCharsOf(KeyIndex key);

}  // namespace harf
