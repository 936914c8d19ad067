// Glyph codes read back into letters: hand-made lines (tests/data/
// glyph_reading.tsv), every shared typed-key case, and random typing through
// the engine, where typing the letters read gives the same codes again, and
// so does the way through Unicode.
#include "input/glyph_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/ligature_table.h"
#include "tables/unicode_table.h"
#include "typing_cases.h"

namespace harf {
namespace {

using Codes = std::vector<GlyphCode>;

Codes ParseCodes(const std::string& field) {
  Codes out;
  if (field == "-") return out;
  std::istringstream in(field);
  int code;
  while (in >> code) out.push_back(static_cast<GlyphCode>(code));
  return out;
}

// UTF-8 with \uXXXX escapes; "-" for nothing.
std::u32string Letters(const std::string& field) {
  if (field == "-") return {};
  const std::u32string in = DecodeUtf8(field, nullptr);
  std::u32string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'\\' && i + 5 < in.size() + 0 && in[i + 1] == U'u') {
      std::string hex(in.begin() + static_cast<std::ptrdiff_t>(i) + 2,
                      in.begin() + static_cast<std::ptrdiff_t>(i) + 6);
      out.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
      i += 5;
    } else {
      out.push_back(in[i]);
    }
  }
  return out;
}

std::u32string CodePoints(const std::vector<LetterIndex>& letters) {
  std::u32string out;
  for (const LetterIndex L : letters) out.push_back(CodePointOf(L));
  return out;
}

// The codes come back after reading, typing the letters again, and after
// the way through Unicode text; returns false (with failures added) if not.
void ExpectRoundTrips(const Codes& codes, const std::string& what) {
  const ReadLetters read = ReadGlyphCodes(codes);
  EXPECT_EQ(read.leftOut, 0U) << what;
  const Line again = TypeLetters(read.letters);
  EXPECT_EQ(again.Codes(), codes) << what;
  const UnicodeLines u = FromUnicode(ToUnicode(again));
  ASSERT_EQ(u.lines.size(), 1U) << what;
  EXPECT_EQ(u.lines[0].Codes(), codes) << what;
  EXPECT_EQ(u.leftOut, 0U) << what;
}

TEST(ReadGlyphCodes, HandMadeLines) {
  const std::string path = HARF_TEST_DATA_DIR "/glyph_reading.tsv";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::string raw;
  int cases = 0;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.empty() || raw[0] == '#') continue;
    SCOPED_TRACE("glyph_reading.tsv:" + std::to_string(n) + ": " + raw);
    std::vector<std::string> f;
    std::istringstream fields(raw);
    for (std::string s; std::getline(fields, s, '\t');) f.push_back(s);
    ASSERT_EQ(f.size(), 4U);
    const Codes codes = ParseCodes(f[0]);
    const ReadLetters read = ReadGlyphCodes(codes);
    EXPECT_EQ(EncodeUtf8(CodePoints(read.letters)), EncodeUtf8(Letters(f[1])));
    EXPECT_EQ(read.leftOut, std::stoul(f[2]));
    EXPECT_EQ(TypeLetters(read.letters).Codes(), f[3] == "=" ? codes : ParseCodes(f[3]));
    ++cases;
  }
  EXPECT_GT(cases, 35);
}

TEST(ReadGlyphCodes, EveryLetterNamesTheGlyphItCameFrom) {
  const Codes codes = {74, 81, 32, 252, 32, 97, 74, 173, 107, 106, 105, 32};
  const ReadLetters read = ReadGlyphCodes(codes);
  ASSERT_EQ(read.letters.size(), read.source.size());
  // Reading order runs from the right end of the display to the left.
  EXPECT_EQ(read.source, (std::vector<std::size_t>{10, 9, 8, 7, 7, 6, 5, 4, 3, 3, 2, 1}));
  EXPECT_EQ(read.leftOut, 1U);  // the sign on the digit
}

// Every line of the shared typed-key cases, Backspace included, reads back
// into letters that type it again.
TEST(ReadGlyphCodes, EveryTypedCaseRoundTrips) {
  int checked = 0;
  for (const auto& c : testing::ReadTypingCases(testing::TypingCasesPath())) {
    ExpectRoundTrips(c.line, "typing.tsv:" + std::to_string(c.lineNumber) + ": " + c.source);
    for (const Codes& line : c.text) ExpectRoundTrips(line, "text of " + c.source);
    ++checked;
  }
  EXPECT_GT(checked, 80);
}

// Random typing of every letter a key types, with Backspace now and then: the
// codes of every line on the way read back into letters that type them again.
TEST(ReadGlyphCodes, RandomTypingRoundTrips) {
  std::mt19937 random(20261208);
  // Letters weighted towards the ones that join and form ligatures.
  std::vector<LetterIndex> pool;
  for (LetterIndex L = 0; L <= 67; ++L) pool.push_back(L);
  for (const LetterIndex L : {1, 2, 3, 5, 6, 7, 23, 23, 23, 24, 24, 25, 28, 40, 41, 0, 0}) {
    pool.push_back(L);
  }
  std::size_t lines = 0;
  for (int round = 0; round < 4000; ++round) {
    Line line;
    const int length = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) {
      if (random() % 8 == 0) {
        Backspace(line);
      } else {
        AddChar(line, pool[random() % pool.size()]);
      }
      const Codes codes = line.Codes();
      const ReadLetters read = ReadGlyphCodes(codes);
      ASSERT_EQ(read.leftOut, 0U);
      ASSERT_EQ(TypeLetters(read.letters).Codes(), codes) << "round " << round << " step " << i;
      ++lines;
    }
    ExpectRoundTrips(line.Codes(), "round " + std::to_string(round));
  }
  EXPECT_GT(lines, 40'000U);
}

// The one-pass writer gives the text ToUnicode (ICU's bidi order) gives for
// the letters read, on arbitrary codes weighted towards digits, separators,
// signs, spaces and ligatures, and on typed lines.
TEST(AppendUnicodeOfCodes, IsToUnicodeOfTheLettersRead) {
  std::vector<GlyphCode> pool;
  for (int c = 0; c < 256; ++c) pool.push_back(static_cast<GlyphCode>(c));
  for (const int c : {80, 81, 82, 89, 76, 78, 90, 74, 96, 32, 32, 32, 252, 173, 108, 105, 97, 98}) {
    for (int k = 0; k < 6; ++k) pool.push_back(static_cast<GlyphCode>(c));
  }
  std::mt19937 random(5);
  for (int round = 0; round < 40000; ++round) {
    Codes codes(random() % 16);
    for (GlyphCode& g : codes) g = pool[random() % pool.size()];
    if (round % 4 == 0) codes = TypeLetters(ReadGlyphCodes(codes).letters).Codes();
    const ReadLetters read = ReadGlyphCodes(codes);
    std::string text = "kept";
    const std::size_t skipped = AppendUnicodeOfCodes(codes, text);
    ASSERT_EQ(text, "kept" + EncodeUtf8(ToUnicode(TypeLetters(read.letters))))
        << ::testing::PrintToString(codes);
    ASSERT_EQ(skipped, read.leftOut);
    Line typed;
    ASSERT_EQ(TypeGlyphCodes(codes, typed), read.leftOut);
    ASSERT_EQ(typed.Codes(), TypeLetters(read.letters).Codes());
    // Written in pieces, the text is the same.
    std::string pieces;
    std::string rest;
    AppendUnicodeOfCodes(codes, rest, [&pieces](std::string& t) {
      pieces += t;
      t.clear();
    });
    ASSERT_EQ(pieces + rest, text.substr(4));
  }
}

// Codes no letter uses, anywhere in a typed line, are skipped and counted, and
// the rest reads as the line without them would.
TEST(ReadGlyphCodes, UnusedCodesAreSkippedWherever) {
  const Line typed = TypeLetters(std::vector<LetterIndex>{23, 1, 0, 2, 6, 25});
  const Codes clean = typed.Codes();
  for (const GlyphCode junk : {0, 9, 13, 33, 59, 127, 162, 192, 246}) {
    for (std::size_t at = 0; at <= clean.size(); ++at) {
      Codes codes = clean;
      codes.insert(codes.begin() + static_cast<std::ptrdiff_t>(at), junk);
      const ReadLetters read = ReadGlyphCodes(codes);
      EXPECT_EQ(read.leftOut, 1U) << int(junk) << " at " << at;
      EXPECT_EQ(TypeLetters(read.letters).Codes(), clean) << int(junk) << " at " << at;
    }
  }
}

}  // namespace
}  // namespace harf
