#include "input/key_faces.h"

#include <vector>

#include "input/glyph_encoding.h"
#include "input/typed_keys.h"
#include "input/utf8.h"
#include "tables/letter_names.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

std::string TypedName(char32_t c) {
  if (c == U' ') return "the space bar";
  return "\u201c" + EncodeUtf8(std::u32string(1, c)) + "\u201d";
}

std::string TypedNames(const std::vector<char32_t>& chars) {
  std::string out;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (i > 0) out += " or ";
    out += TypedName(chars[i]);
  }
  return out;
}

}  // namespace

std::u32string KeyPictureText(LetterIndex letter) {
  if (!IsLetterIndex(letter)) return {};
  if (IsSignLetter(letter)) return {kDottedCircle, CodePointOf(letter)};
  return {CharOfCode(IsoGlyph[letter], GlyphEncoding::Symbol)};
}

// Names the key's letter and the character that types it with its layout
// shown, so a new user can learn the keyboard from the keys themselves; a key
// that can neither be clicked nor typed says so, and where else its letter
// comes from.
std::string KeyTooltip(KeyIndex Index) {
  if (Index < 0 || Index >= kKeyCount) return {};
  const LetterIndex letter = LetterOfKey(Index);
  if (letter == kNoLetter) return "Not in use";
  const KeyDef& key = Keys()[static_cast<std::size_t>(Index)];
  std::string tip(LetterName(letter));
  const std::string typed = TypedNames(TypedCharsOf(Index));
  if (!typed.empty()) {
    tip += "\ntype " + typed;
    if (!key.enabled) tip += " (the key itself cannot be clicked)";
    return tip;
  }
  if (key.enabled) return tip + "\nclick the key to enter it";
  tip +=
      "\ncannot be entered with this layout: the key cannot be clicked and no typed "
      "character enters it";
  const Layout other = key.frame == Layout::Arabic ? Layout::Systematic : Layout::Arabic;
  std::vector<char32_t> elsewhere;
  for (const TypedKey& e : other == Layout::Arabic ? ArabicKeyOf() : SystKeyOf()) {
    if (LetterOfKey(e.key) == letter) elsewhere.push_back(e.typed);
  }
  if (elsewhere.empty()) return tip + "\n(Paste Unicode enters it)";
  return tip + "\n(type " + TypedNames(elsewhere) + " with the " +
         (other == Layout::Arabic ? "Arabic" : "Systematic") + " layout shown)";
}

std::string_view KeybCaption(Layout shown) {
  return shown == Layout::Arabic ? "Keyboard: Arabic" : "Keyboard: Systematic";
}

}  // namespace harf
