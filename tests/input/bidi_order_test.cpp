// The ICU-free bidi order of the core against ICU's ubidi: every dictionary
// word, and random text of the font's characters (letters, digits, number
// separators, neutrals, signs), both ways; and the line-level texts built on
// either order agree.
#include "input/bidi_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>

#include "dictionary.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

std::u32string BasesOf(std::u32string_view text) {
  std::u32string out;
  for (const Cluster& c : Clusters(text)) {
    out.push_back(IsMark(text[c.begin]) ? U'\u0621' : text[c.begin]);
  }
  return out;
}

void ExpectSameOrder(std::u32string_view text) {
  const std::u32string bases = BasesOf(text);
  for (const bool inverse : {false, true}) {
    ASSERT_EQ(PlainBidiOrder(bases, inverse), IcuBidiOrder(bases, inverse))
        << EncodeUtf8(text) << (inverse ? " (visual to logical)" : " (logical to visual)");
  }
  ASSERT_EQ(TypingOrder(text, PlainBidiOrder), TypingOrder(text, IcuBidiOrder));
}

TEST(BidiOrder, AgreesWithIcuOnEveryDictionaryWord) {
  std::ifstream in(DictionaryPath());
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::string raw;
  std::getline(in, raw);
  std::size_t words = 0;
  std::mt19937 random(7);
  while (std::getline(in, raw)) {
    const std::string word = raw.substr(0, raw.find_first_of("/\t"));
    std::u32string text;
    for (const char32_t cp : Nfkc(DecodeUtf8(word, nullptr))) {
      const LetterIndex L = LetterOfCodePoint(cp);
      if (L != kNoLetter) text.push_back(CodePointOf(L));
    }
    ExpectSameOrder(text);
    // The word in a sentence with a number: before, after, or both.
    const std::u32string number = U"\u0661\u0669.\u0665 ";
    ExpectSameOrder(random() % 2 ? number + text : text + U" " + number + text);
    ++words;
  }
  EXPECT_GT(words, 150'000U);
}

// Up to `longest` random characters of every letter, with more digits and
// separators, so that numbers and their edges are common.
std::u32string RandomText(std::mt19937& random, std::size_t longest) {
  static const std::u32string alphabet = [] {
    std::u32string a;
    for (LetterIndex c = 0; c < 68; ++c) a.push_back(CodePointOf(c));
    return a + U"\u0660\u0661\u0662\u0663..,,::\u060C\u060C   ";
  }();
  std::u32string text(random() % longest, U' ');
  for (char32_t& ch : text) ch = alphabet[random() % alphabet.size()];
  return text;
}

TEST(BidiOrder, AgreesWithIcuOnRandomText) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 30000; ++round) ExpectSameOrder(RandomText(random, 24));
}

// Visual text made by typing: the line's logical text by either order is the
// same, and typing it again gives the line back.
TEST(BidiOrder, LineTextsAgreeAndTypeTheLineAgain) {
  const std::u32string keys = U"\u0628\u0644\u0627 \u0661\u0662.\u0663,\u064E:\u060C()\u00AB";
  std::mt19937 random(11);
  for (int round = 0; round < 5000; ++round) {
    std::u32string typed(random() % 20, U' ');
    for (char32_t& ch : typed) ch = keys[random() % keys.size()];
    const UnicodeLines r = FromUnicode(TypingOrder(typed));
    ASSERT_EQ(r.lines.size(), 1U);
    const std::u32string logical = LogicalText(r.lines[0], PlainBidiOrder);
    ASSERT_EQ(logical, ToUnicode(r.lines[0])) << EncodeUtf8(typed);
    ASSERT_EQ(FromUnicode(logical).lines[0].Codes(), r.lines[0].Codes()) << EncodeUtf8(typed);
  }
}

// A long line is reordered piece by piece: cut anywhere the pieces may be
// cut, it must read exactly as when reordered whole, by ICU and without it.
TEST(BidiOrder, LineReorderedInPiecesReadsAsWhole) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const std::u32string text = RandomText(random, 400);
    const Line line = FromUnicode(text).lines[0];
    for (const BidiOrder order : {PlainBidiOrder, IcuBidiOrder}) {
      const std::u32string whole = LogicalText(line, order, SIZE_MAX);
      for (const std::size_t piece : {1, 2, 5, 17}) {
        ASSERT_EQ(LogicalText(line, order, piece), whole) << EncodeUtf8(text) << " / " << piece;
      }
    }
  }
}

}  // namespace
}  // namespace harf
