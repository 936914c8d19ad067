// UTF-8: the malformed-input cases of tests/data/utf8.tsv, decoding in pieces
// cut anywhere, and encoding.
#include "input/utf8.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace harf {
namespace {

struct Utf8Case {
  int lineNumber;
  std::string bytes;
  bool valid;
  std::u32string text;  // when valid
  std::size_t error;    // when not
};

std::vector<Utf8Case> ReadCases() {
  std::ifstream in(HARF_TEST_DATA_DIR "/utf8.tsv");
  EXPECT_TRUE(in) << "cannot open utf8.tsv";
  std::vector<Utf8Case> cases;
  std::string raw;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.starts_with('#') || raw.empty()) continue;
    std::istringstream fields(raw);
    std::string hex, result;
    std::getline(fields, hex, '\t');
    std::getline(fields, result, '\t');
    Utf8Case c{n, {}, true, {}, 0};
    std::istringstream bytes(hex);
    unsigned value;
    while (bytes >> std::hex >> value) c.bytes.push_back(static_cast<char>(value));
    std::istringstream expect(result);
    std::string word;
    expect >> word;
    if (word == "error") {
      c.valid = false;
      expect >> c.error;
    } else if (word != "-") {
      for (std::istringstream points(result); points >> std::hex >> value;) c.text.push_back(value);
    }
    cases.push_back(c);
  }
  EXPECT_GT(cases.size(), 60u);
  return cases;
}

// Decodes in two pieces cut at `cut`, as a line reader hands them on: the end
// of the first piece that might start a sequence goes with the second.
std::size_t DecodeInTwo(std::string_view bytes, std::size_t cut, std::u32string& out) {
  const std::string_view first = bytes.substr(0, cut);
  const std::size_t held = IncompleteUtf8Tail(first);
  EXPECT_LE(held, 3u);
  const std::size_t n = first.size() - held;
  const std::size_t end = AppendDecodedUtf8(first.substr(0, n), out);
  if (end < n) return end;
  return n + AppendDecodedUtf8(bytes.substr(n), out);
}

TEST(Utf8, DataCasesDecodeWholeAndInPiecesCutAnywhere) {
  for (const Utf8Case& c : ReadCases()) {
    SCOPED_TRACE("utf8.tsv line " + std::to_string(c.lineNumber));
    std::optional<Utf8Error> error;
    const std::u32string text = DecodeUtf8(c.bytes, &error);
    if (c.valid) {
      EXPECT_FALSE(error);
      EXPECT_EQ(text, c.text);
      EXPECT_EQ(EncodeUtf8(text), c.bytes);
    } else {
      ASSERT_TRUE(error);
      EXPECT_EQ(error->offset, c.error);
      EXPECT_TRUE(text.empty());
    }
    // What comes before the first error is decoded, and the same error is
    // found wherever the input is cut in two.
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
      std::u32string pieces;
      const std::size_t end = DecodeInTwo(c.bytes, cut, pieces);
      EXPECT_EQ(end, c.valid ? c.bytes.size() : c.error) << "cut at " << cut;
      std::u32string prefix;
      AppendDecodedUtf8(c.bytes.substr(0, end), prefix);
      EXPECT_EQ(pieces, prefix) << "cut at " << cut;
    }
  }
}

// Random mixtures of valid sequences of every length and stray bytes, cut at
// random: the pieces give what the whole gives.
TEST(Utf8, RandomBytesDecodeTheSameInPieces) {
  std::mt19937 rng(20261208);
  const std::u32string kinds = U"a\u00e9\u0628\u20ac\U0001F600";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      if (rng() % 8 == 0) {
        bytes.push_back(static_cast<char>(0x80 + rng() % 0x80));
      } else {
        bytes += EncodeUtf8(std::u32string(1, kinds[rng() % kinds.size()]));
      }
    }
    std::u32string whole;
    const std::size_t end = AppendDecodedUtf8(bytes, whole);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
      std::u32string pieces;
      ASSERT_EQ(DecodeInTwo(bytes, cut, pieces), end);
      ASSERT_EQ(pieces, whole);
    }
  }
}

TEST(Utf8, EncodesScalarValuesAndReplacesTheRest) {
  EXPECT_EQ(EncodeUtf8(U"\u0644\u0627 2"), "\xd9\x84\xd8\xa7 2");
  EXPECT_EQ(EncodeUtf8(std::u32string{0xD800, U'a', 0xDFFF, 0x110000, 0xFFFFFFFF}),
            "\xef\xbf\xbd"
            "a"
            "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
  std::string out = "x";
  AppendUtf8(U"\U0010FFFF", out);
  EXPECT_EQ(out, "x\xf4\x8f\xbf\xbf");
  // Every scalar value comes back from its UTF-8.
  std::u32string all;
  for (char32_t c = 0; c <= 0x10FFFF; c += (c < 0x800 ? 1 : 7)) {
    if (c < 0xD800 || c > 0xDFFF) all.push_back(c);
  }
  std::optional<Utf8Error> error;
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(all), &error), all);
  EXPECT_FALSE(error);
}

}  // namespace
}  // namespace harf
