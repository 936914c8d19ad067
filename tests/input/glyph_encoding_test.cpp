// The glyph code <-> character boundary: the published Windows-1252 table,
// checked line by line against ICU's converter, round trips of every code in
// every kind, characters no kind has, and the guess which kind a text uses.
#include "input/glyph_encoding.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace harf {
namespace {

using Codes = std::vector<GlyphCode>;

// ICU's windows-1252 converter, stopping on anything it cannot convert.
class Icu1252 {
 public:
  Icu1252() {
    UErrorCode status = U_ZERO_ERROR;
    cnv_ = ucnv_open("windows-1252", &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    ucnv_setToUCallBack(cnv_, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(cnv_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  }
  ~Icu1252() { ucnv_close(cnv_); }
  Icu1252(const Icu1252&) = delete;
  Icu1252& operator=(const Icu1252&) = delete;

  std::optional<char32_t> ToUnicode(unsigned char byte) {
    const char in = static_cast<char>(byte);
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(cnv_);
    const int32_t n = ucnv_toUChars(cnv_, out, 4, &in, 1, &status);
    if (U_FAILURE(status) || n != 1) return std::nullopt;
    return out[0];
  }

  std::optional<unsigned char> FromUnicode(char32_t ch) {
    const UChar in = static_cast<UChar>(ch);
    char out[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(cnv_);
    const int32_t n = ucnv_fromUChars(cnv_, out, 4, &in, 1, &status);
    if (U_FAILURE(status) || n != 1) return std::nullopt;
    return static_cast<unsigned char>(out[0]);
  }

 private:
  UConverter* cnv_ = nullptr;
};

TEST(GlyphEncoding, Windows1252IsThePublishedTableAndIcuAgrees) {
  const std::string path = std::string(HARF_TEST_DATA_DIR) + "/windows-1252.tsv";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  Icu1252 icu;
  std::string raw;
  int next = 0;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.empty() || raw[0] == '#') continue;
    std::istringstream fields(raw);
    std::string byteField, charField;
    fields >> byteField >> charField;
    const auto byte = static_cast<GlyphCode>(std::stoul(byteField, nullptr, 16));
    const auto ch = static_cast<char32_t>(std::stoul(charField.substr(2), nullptr, 16));
    SCOPED_TRACE(path + ":" + std::to_string(n) + ": " + raw);
    ASSERT_EQ(byte, next++) << "one line per byte, in order";
    EXPECT_EQ(CharOfCode(byte, GlyphEncoding::Windows1252), ch);
    EXPECT_EQ(CodeOfChar(ch, GlyphEncoding::Windows1252), byte);
    // The five undefined bytes too: ICU maps them both ways, as Windows does.
    EXPECT_EQ(icu.ToUnicode(byte), ch);
    EXPECT_EQ(icu.FromUnicode(ch), byte);
  }
  EXPECT_EQ(next, 256);
}

TEST(GlyphEncoding, C1ControlsOfDefinedBytesAreNoWindows1252Character) {
  Icu1252 icu;
  int refused = 0;
  for (char32_t ch = 0x80; ch < 0xA0; ++ch) {
    const bool undefinedByte = ch == 0x81 || ch == 0x8D || ch == 0x8F || ch == 0x90 || ch == 0x9D;
    EXPECT_EQ(CodeOfChar(ch, GlyphEncoding::Windows1252).has_value(), undefinedByte) << int(ch);
    EXPECT_EQ(icu.FromUnicode(ch).has_value(), undefinedByte) << int(ch);
    refused += !undefinedByte;
  }
  EXPECT_EQ(refused, 27);
}

TEST(GlyphEncoding, EveryCodeRoundTripsInEveryKind) {
  Codes all(256);
  for (int c = 0; c < 256; ++c) all[c] = static_cast<GlyphCode>(c);
  for (const GlyphEncoding e : kGlyphEncodings) {
    SCOPED_TRACE(std::string(EncodingName(e)));
    const std::u32string text = EncodeCodes(all, e);
    const std::u16string text16 = EncodeCodesUtf16(all, e);
    ASSERT_EQ(text.size(), 256U);
    EXPECT_EQ(std::u32string(text16.begin(), text16.end()), text);
    // No two codes share a character.
    EXPECT_EQ(std::set<char32_t>(text.begin(), text.end()).size(), 256U);
    const DecodedCodes back = DecodeChars(text, e);
    EXPECT_EQ(back.codes, all);
    EXPECT_EQ(back.invalid, 0U);
    EXPECT_EQ(ParseEncodingName(EncodingName(e)), e);
  }
  EXPECT_EQ(EncodeBytes(all), std::string(all.begin(), all.end()));
  // The soft hyphen's code and the ligature nun-hha: U+F0AD in the boxes.
  EXPECT_EQ(CharOfCode(173, GlyphEncoding::Symbol), U'\uF0AD');
  EXPECT_EQ(CharOfCode(173, GlyphEncoding::Latin1), U'\u00AD');
  EXPECT_EQ(CharOfCode(128, GlyphEncoding::Latin1), U'\u0080');
  EXPECT_EQ(CharOfCode(128, GlyphEncoding::Windows1252), U'\u20AC');
}

TEST(GlyphEncoding, CharactersNoKindHasAreCountedAndLeftOut) {
  const struct {
    GlyphEncoding e;
    std::u32string text;
    Codes codes;
    std::size_t invalid;
  } cases[] = {
      {GlyphEncoding::Symbol, U"\uF06C\uF020", {108, 32}, 0},
      // Plain characters in a symbol font draw as U+F000 + their value.
      {GlyphEncoding::Symbol, U"l \u00FC", {108, 32, 252}, 0},
      {GlyphEncoding::Symbol, U"\uF100\uEFFF\u0009\u0627\U0001F600", {}, 5},
      {GlyphEncoding::Latin1, {U'l', U'\u00FC', U'\0'}, {108, 252, 0}, 0},
      {GlyphEncoding::Latin1, U"\u20AC\uF06C\u0100", {}, 3},
      {GlyphEncoding::Windows1252, U"\u20AC\u0178\u0081", {0x80, 0x9F, 0x81}, 0},
      {GlyphEncoding::Windows1252, U"\u0080\u009F\uF06C\u0100\u20AD", {}, 5},
  };
  for (const auto& c : cases) {
    const DecodedCodes d = DecodeChars(c.text, c.e);
    EXPECT_EQ(d.codes, c.codes) << EncodingName(c.e);
    EXPECT_EQ(d.invalid, c.invalid) << EncodingName(c.e);
  }
  EXPECT_FALSE(ParseEncodingName("Symbol"));
  EXPECT_FALSE(ParseEncodingName("cp1252"));
  EXPECT_FALSE(ParseEncodingName(""));
}

TEST(GlyphEncoding, DetectsTheKindATextUses) {
  const struct {
    std::u32string text;
    GlyphEncoding e;
  } cases[] = {
      {U"", GlyphEncoding::Latin1},
      {U"lkj \u00FC", GlyphEncoding::Latin1},
      {U"\u0080\u0081\u009F", GlyphEncoding::Latin1},  // C1 controls: Latin-1 as Harf wrote it
      {U"l\u20AC", GlyphEncoding::Windows1252},
      {U"\u0178", GlyphEncoding::Windows1252},
      {U"\u2122 \u0081", GlyphEncoding::Windows1252},
      {U"\u2019\uF06C", GlyphEncoding::Symbol},  // any symbol character wins
      {U"abc\uF0FF", GlyphEncoding::Symbol},
      {U"\uF100\u0627", GlyphEncoding::Latin1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectEncoding(c.text), c.e) << EncodingName(c.e);
  }
  // Whatever the codes, text encoded in a kind is detected as that kind, or
  // as a kind that decodes it to the same codes.
  Codes all(256);
  for (int c = 0; c < 256; ++c) all[c] = static_cast<GlyphCode>(c);
  for (const GlyphEncoding e : kGlyphEncodings) {
    EXPECT_EQ(DetectEncoding(EncodeCodes(all, e)), e);
  }
  const Codes plain = {108, 32, 252, 173};
  EXPECT_EQ(DecodeChars(EncodeCodes(plain, GlyphEncoding::Windows1252),
                        DetectEncoding(EncodeCodes(plain, GlyphEncoding::Windows1252)))
                .codes,
            plain);
}

}  // namespace
}  // namespace harf
