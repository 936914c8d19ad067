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

}  // namespace

std::u32string KeyPictureText(LetterIndex letter) {
  if (!IsLetterIndex(letter)) return {};
  if (IsSignLetter(letter)) return {kDottedCircle, CodePointOf(letter)};
  return {CharOfCode(IsoGlyph[letter], GlyphEncoding::Symbol)};
}

std::string KeyTooltip(KeyIndex Index) {
  if (Index < 0 || Index >= kKeyCount) return {};
  const LetterIndex letter = LetterOfKey(Index);
  if (letter == kNoLetter) return "Not in use";
  std::string tip(LetterName(letter));
  const std::vector<char32_t> chars = TypedCharsOf(Index);
  if (chars.empty()) {
    tip += "\nclick the key to enter it";
  } else {
    tip += "\ntype ";
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (i > 0) tip += " or ";
      tip += TypedName(chars[i]);
    }
  }
  if (!Keys()[static_cast<std::size_t>(Index)].enabled) {
    tip += " (the key itself cannot be clicked)";
  }
  return tip;
}

std::string_view KeybCaption(Layout shown) {
  return shown == Layout::Arabic ? "Keyboard: Arabic" : "Keyboard: Systematic";
}

}  // namespace harf
