// The one place where glyph codes become characters and characters become
// glyph codes. A font of this kind maps its 8-bit codes to characters in one of
// three ways, and text set in it (a text box, the clipboard, a document) holds
// the characters of that way:
// - Symbol: cmap 3,0, code c at U+F000+c. Private-use characters are strong
//   left-to-right, so no bidi pass reorders the glyphs, and no code lands on a
//   control character or the soft hyphen; the window's boxes use it.
// - Latin1: cmap 3,1, code c at U+0000+c.
// - Windows1252: cmap 3,1 with bytes 0x80..0x9F at the Windows-1252
//   characters (€ ‚ ƒ …), as documents written on Windows hold them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tables/glyph_table.h"

namespace harf {

enum class GlyphEncoding : std::uint8_t {
  Symbol,       // cmap 3,0: code c at U+F000+c
  Latin1,       // cmap 3,1: code c at U+00XX
  Windows1252,  // cmap 3,1, bytes 0x80..0x9F at the Windows-1252 characters; its
                // undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D at U+0081 … as Windows
                // decodes them
};

inline constexpr std::array<GlyphEncoding, 3> kGlyphEncodings = {
    GlyphEncoding::Symbol, GlyphEncoding::Latin1, GlyphEncoding::Windows1252};

inline constexpr char32_t kSymbolBase = 0xF000;

// "symbol", "latin1", "windows-1252".
std::string_view EncodingName(GlyphEncoding e);
// The names EncodingName gives, exactly; anything else gives nothing.
std::optional<GlyphEncoding> ParseEncodingName(std::string_view name);

// The character that stands for glyph code `code` in text of encoding e.
char32_t CharOfCode(GlyphCode code, GlyphEncoding e);

// The glyph code character ch stands for in encoding e, or nothing when ch is
// no character of it. Symbol also reads U+0020..U+00FF as the codes 0x20..0xFF,
// the way Windows draws plain characters in a symbol font, so a document whose
// spaces or Latin letters were stored unmapped still reads.
std::optional<GlyphCode> CodeOfChar(char32_t ch, GlyphEncoding e);

std::u32string EncodeCodes(std::span<const GlyphCode> codes, GlyphEncoding e);
std::u16string EncodeCodesUtf16(std::span<const GlyphCode> codes, GlyphEncoding e);
// The codes as raw bytes, one byte per code.
std::string EncodeBytes(std::span<const GlyphCode> codes);

// The encoding text set in the legacy font most likely uses: a character in
// U+F000..U+F0FF -> Symbol; else one of Windows-1252's characters for
// 0x80..0x9F -> Windows1252; else Latin1.
GlyphEncoding DetectEncoding(std::u32string_view text);

struct DecodedCodes {
  std::vector<GlyphCode> codes;
  std::size_t invalid = 0;  // characters that are no character of that encoding (left out)
};

DecodedCodes DecodeChars(std::u32string_view text, GlyphEncoding e);

// Appends the codes of text to out and returns how many characters were left
// out; for callers that decode a stream piece by piece into one buffer.
std::size_t AppendDecoded(std::u32string_view text, GlyphEncoding e, std::vector<GlyphCode>& out);

}  // namespace harf
