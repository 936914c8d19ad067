#include "shaping/glyph_text.h"

namespace harf {

std::u16string ToBoxText(std::span<const GlyphCode> codes) {
  std::u16string out(codes.size(), u'\0');
  for (std::size_t i = 0; i < codes.size(); ++i) {
    out[i] = static_cast<char16_t>(kBoxBase + codes[i]);
  }
  return out;
}

std::optional<std::vector<GlyphCode>> FromBoxText(std::u16string_view text) {
  std::vector<GlyphCode> out;
  out.reserve(text.size());
  for (const char16_t ch : text) {
    if (ch < kBoxBase || ch > kBoxBase + 0xFF) return std::nullopt;
    out.push_back(static_cast<GlyphCode>(ch - kBoxBase));
  }
  return out;
}

std::string ToLatin1(std::span<const GlyphCode> codes) {
  return std::string(codes.begin(), codes.end());
}

}  // namespace harf
