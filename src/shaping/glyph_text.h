// The one place where glyph codes become characters and back. The window's
// boxes hold code c as U+F000+c: characters of the private use area are strong
// left-to-right, so no bidi pass reorders the glyphs, and no code is lost the
// way Latin-1 would lose 173 (soft hyphen) or 160 (turned into a space by
// plain-text widgets). The clipboard gets one Latin-1 byte per code, which is
// what documents set in the 8-bit font expect.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tables/glyph_table.h"

namespace harf {

inline constexpr char16_t kBoxBase = 0xF000;

// Glyph codes in display order as the text of a box.
std::u16string ToBoxText(std::span<const GlyphCode> codes);

// The glyph codes of a box's text, or nothing when a character is not one that
// ToBoxText writes.
std::optional<std::vector<GlyphCode>> FromBoxText(std::u16string_view text);

// Glyph codes as bytes for the clipboard, one byte per code.
std::string ToLatin1(std::span<const GlyphCode> codes);

}  // namespace harf
