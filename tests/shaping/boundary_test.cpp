#include <gtest/gtest.h>

#include "input/utf8.h"

namespace harf {
namespace {

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
