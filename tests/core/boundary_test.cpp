#include <gtest/gtest.h>

#include "input/utf8.h"
#include "shaping/glyph_text.h"

namespace harf {
namespace {

TEST(GlyphText, BoxTextRoundTripsEveryCode) {
  std::vector<GlyphCode> all(256);
  for (int c = 0; c < 256; ++c) all[c] = static_cast<GlyphCode>(c);
  const std::u16string box = ToBoxText(all);
  ASSERT_EQ(box.size(), 256U);
  EXPECT_EQ(box[0], u'\uF000');
  EXPECT_EQ(box[173], u'\uF0AD');  // the soft hyphen code survives
  EXPECT_EQ(FromBoxText(box), all);
  EXPECT_EQ(ToLatin1(all).size(), 256U);
  EXPECT_EQ(static_cast<unsigned char>(ToLatin1(all)[160]), 160);
}

TEST(GlyphText, RefusesCharactersThatAreNoGlyphCode) {
  EXPECT_FALSE(FromBoxText(u"\uF062a"));
  EXPECT_FALSE(FromBoxText(u"\uF100"));
  EXPECT_FALSE(FromBoxText(u"\uEFFF"));
  EXPECT_EQ(FromBoxText(u""), std::vector<GlyphCode>{});
}

TEST(Utf8, DecodesAndRefusesMalformedInput) {
  std::optional<Utf8Error> err;
  EXPECT_EQ(DecodeUtf8("b\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", &err), U"b\u00e4\u20ac\U0001F600");
  EXPECT_FALSE(err);
  const struct {
    const char* bytes;
    std::size_t offset;
  } bad[] = {
      {"\xff", 0},         {"ab\x80", 2},       {"\xc0\xaf", 0},
      {"\xe0\x80\xaf", 0}, {"\xed\xa0\x80", 0}, {"\xf4\x90\x80\x80", 0},
      {"a\xc3", 1},        {"\xe2\x82", 0},     {"\xc3\x28", 0},
  };
  for (const auto& b : bad) {
    EXPECT_TRUE(DecodeUtf8(b.bytes, &err).empty()) << b.bytes;
    ASSERT_TRUE(err);
    EXPECT_EQ(err->offset, b.offset);
  }
  const std::u32string text = U"\u0628\u064e\u0020\U0001F600";
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(text), nullptr), text);
}

}  // namespace
}  // namespace harf
