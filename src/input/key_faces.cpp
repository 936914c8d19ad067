#include "input/key_faces.h"

#include <vector>

#include "input/glyph_encoding.h"
#include "input/typed_keys.h"
#include "tables/unicode_table.h"

namespace harf {

std::u32string KeyPictureText(LetterIndex letter) {
  if (!IsLetterIndex(letter)) return {};
  if (IsSignLetter(letter)) return {kDottedCircle, CodePointOf(letter)};
  return {CharOfCode(IsoGlyph[LetterSlot(letter)], GlyphEncoding::Symbol)};
}

// Names the key's letter and the character that types it with its layout
// shown, so a new user can learn the keyboard from the keys themselves; a key
// that can neither be clicked nor typed says so, and where else its letter
// comes from.
KeyHelp HelpOfKey(KeyIndex Index) {
  KeyHelp help;
  if (Index < 0 || Index >= kKeyCount) return help;
  help.letter = LetterOfKey(Index);
  if (help.letter == kNoLetter) return help;
  const KeyDef& key = Keys()[static_cast<std::size_t>(Index)];
  help.typed = TypedCharsOf(Index);
  if (!help.typed.empty()) {
    help.how = key.enabled ? KeyHow::Typed : KeyHow::TypedNotClickable;
    return help;
  }
  if (key.enabled) {
    help.how = KeyHow::ClickOnly;
    return help;
  }
  help.other = key.frame == Layout::Arabic ? Layout::Systematic : Layout::Arabic;
  for (const TypedKey& e : help.other == Layout::Arabic ? ArabicKeyOf() : SystKeyOf()) {
    if (LetterOfKey(e.key) == help.letter) help.typed.push_back(e.typed);
  }
  help.how = help.typed.empty() ? KeyHow::PasteUnicodeOnly : KeyHow::OtherLayout;
  return help;
}

std::string_view KeybCaption(Layout shown) {
  return shown == Layout::Arabic ? "Keyboard: Arabic" : "Keyboard: Systematic";
}

}  // namespace harf
