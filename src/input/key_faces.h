// What a key shows and says, for every front end that draws the keyboard: the
// picture's characters, what its tooltip tells and the layout switch's
// caption. Decided here once, so that the window and the web page cannot drift
// apart; each words the tooltip in its user's language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/messages.h"
#include "tables/key_layout.h"

namespace harf {

inline constexpr char32_t kDottedCircle = 0x25CC;

// What a key's picture shows for `letter`, as characters of the display font:
// the letter's isolated glyph (U+F000 + code), or for a vowel sign the sign on
// a dotted circle, since every sign shares one glyph code and the code alone
// would draw them alike. Empty for kNoPicture.
std::u32string KeyPictureText(LetterIndex letter);

// What the key's tooltip tells: its letter, and the characters that type it
// with its layout shown, or that it is entered by clicking only, or that it
// cannot be entered with that layout at all and how it can be.
struct KeyHelp {
  LetterIndex letter = kNoLetter;
  KeyHow how = KeyHow::NotInUse;
  // The characters that type the letter: with the key's layout shown, or for
  // OtherLayout with `other` shown.
  std::vector<char32_t> typed;
  Layout other = Layout::Systematic;
};
KeyHelp HelpOfKey(KeyIndex Index);

// The caption of the layout switch, which names the layout shown.
std::string_view KeybCaption(Layout shown);

}  // namespace harf
