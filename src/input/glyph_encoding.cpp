#include "input/glyph_encoding.h"

namespace harf {
namespace {

// Windows-1252 at bytes 0x80..0x9F. The five bytes it leaves undefined stand
// at U+0081 … as Windows' own converter decodes them, so every byte has a
// character and every character of the encoding one byte.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr bool IsUndefined1252(char32_t ch) {
  return ch == 0x81 || ch == 0x8D || ch == 0x8F || ch == 0x90 || ch == 0x9D;
}

// The byte of a Windows-1252 character above U+00FF (all of them lie in
// U+0152..U+2122), or nothing.
std::optional<GlyphCode> HighByteOf1252(char32_t ch) {
  for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == ch) return static_cast<GlyphCode>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::string_view EncodingName(GlyphEncoding e) {
  switch (e) {
    case GlyphEncoding::Symbol:
      return "symbol";
    case GlyphEncoding::Latin1:
      return "latin1";
    case GlyphEncoding::Windows1252:
      return "windows-1252";
  }
  return "symbol";
}

std::optional<GlyphEncoding> ParseEncodingName(std::string_view name) {
  for (const GlyphEncoding e : kGlyphEncodings) {
    if (EncodingName(e) == name) return e;
  }
  return std::nullopt;
}

char32_t CharOfCode(GlyphCode code, GlyphEncoding e) {
  switch (e) {
    case GlyphEncoding::Symbol:
      return kSymbolBase + code;
    case GlyphEncoding::Windows1252:
      if (code >= 0x80 && code <= 0x9F) return kWindows1252High[code - 0x80];
      return code;
    case GlyphEncoding::Latin1:
      return code;
  }
  return code;
}

std::optional<GlyphCode> CodeOfChar(char32_t ch, GlyphEncoding e) {
  switch (e) {
    case GlyphEncoding::Symbol:
      if (ch >= kSymbolBase && ch <= kSymbolBase + 0xFF) {
        return static_cast<GlyphCode>(ch - kSymbolBase);
      }
      if (ch >= 0x20 && ch <= 0xFF) return static_cast<GlyphCode>(ch);
      return std::nullopt;
    case GlyphEncoding::Latin1:
      if (ch <= 0xFF) return static_cast<GlyphCode>(ch);
      return std::nullopt;
    case GlyphEncoding::Windows1252:
      if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF) || IsUndefined1252(ch)) {
        return static_cast<GlyphCode>(ch);
      }
      if (ch < 0xA0) return std::nullopt;  // C1 controls of defined bytes
      return HighByteOf1252(ch);
  }
  return std::nullopt;
}

std::u32string EncodeCodes(std::span<const GlyphCode> codes, GlyphEncoding e) {
  std::u32string out(codes.size(), U'\0');
  for (std::size_t i = 0; i < codes.size(); ++i) out[i] = CharOfCode(codes[i], e);
  return out;
}

std::u16string EncodeCodesUtf16(std::span<const GlyphCode> codes, GlyphEncoding e) {
  // Every character of every encoding lies in the BMP: one unit per code.
  std::u16string out(codes.size(), u'\0');
  for (std::size_t i = 0; i < codes.size(); ++i) {
    out[i] = static_cast<char16_t>(CharOfCode(codes[i], e));
  }
  return out;
}

std::string EncodeBytes(std::span<const GlyphCode> codes) {
  return std::string(codes.begin(), codes.end());
}

GlyphEncoding DetectEncoding(std::u32string_view text) {
  bool windows = false;
  for (const char32_t ch : text) {
    if (ch >= kSymbolBase && ch <= kSymbolBase + 0xFF) return GlyphEncoding::Symbol;
    if (ch > 0xFF && !windows && HighByteOf1252(ch)) windows = true;
  }
  return windows ? GlyphEncoding::Windows1252 : GlyphEncoding::Latin1;
}

std::size_t AppendDecoded(std::u32string_view text, GlyphEncoding e, std::vector<GlyphCode>& out) {
  std::size_t invalid = 0;
  out.reserve(out.size() + text.size());
  for (const char32_t ch : text) {
    if (const auto code = CodeOfChar(ch, e)) {
      out.push_back(*code);
    } else {
      ++invalid;
    }
  }
  return invalid;
}

DecodedCodes DecodeChars(std::u32string_view text, GlyphEncoding e) {
  DecodedCodes d;
  d.invalid = AppendDecoded(text, e, d.codes);
  return d;
}

}  // namespace harf
