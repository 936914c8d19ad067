// Pasted text without ICU, as the web page types it: Unicode normalised by the
// caller and typed with the ICU-free bidi order gives what the ICU path
// gives; glyph-code text in any of the three encodings, pasted, gives back the
// lines it was copied from.
#include "input/pasted_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "dictionary.h"
#include "input/glyph_encoding.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"

namespace harf {
namespace {

// The page normalises with the browser before the core sees the text; here
// ICU's NFKC stands in for it.
UnicodeLines TypeAsThePageDoes(std::u32string_view text, Line first = {}) {
  return TypeUnicode(Nfkc(text), std::move(first),
                     [](std::u32string_view line, std::u32string& out) {
                       out.append(line);
                       return std::size_t{0};
                     });
}

void ExpectSameLines(const UnicodeLines& a, const UnicodeLines& b, std::u32string_view text) {
  ASSERT_EQ(a.lines.size(), b.lines.size()) << EncodeUtf8(text);
  for (std::size_t i = 0; i < a.lines.size(); ++i) {
    ASSERT_EQ(a.lines[i].Codes(), b.lines[i].Codes()) << EncodeUtf8(text) << " line " << i;
  }
  EXPECT_EQ(a.leftOut, b.leftOut) << EncodeUtf8(text);
  EXPECT_EQ(a.refused, b.refused) << EncodeUtf8(text);
}

// Random text from the characters pasted text holds: letters, presentation
// forms, digits of three kinds, signs, punctuation, Latin, line breaks.
std::u32string RandomText(std::mt19937& rng, std::size_t length) {
  static constexpr char32_t kPool[] = {
      U'\u0627', U'\u0644', U'\u0628', U'\u0645', U'\u064A',    U'\u0647', U'\u0629', U'\u0621',
      U'\u0623', U'\u0671', U'\u064E', U'\u0651', U'\u0652',    U'\u0670', U'\uFEFB', U'\uFE8F',
      U'\uFDF2', U'0',      U'7',      U'\u0663', U'\u06F5',    U'.',      U',',      U'\u060C',
      U':',      U'(',      U')',      U'\u00AB', U'?',         U' ',      U'\u00A0', U'a',
      U'\n',     U'\r',     U'\u2028', U'\u0640', U'\U0001F600'};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPool) - 1);
  std::u32string s;
  for (std::size_t i = 0; i < length; ++i) s.push_back(kPool[pick(rng)]);
  return s;
}

TEST(PastedText, UnicodeTypedWithoutIcuMatchesTheIcuPath) {
  std::mt19937 rng(20261208);
  for (int n = 0; n < 3000; ++n) {
    const std::u32string text = RandomText(rng, 1 + n % 40);
    Line first;
    for (const LetterIndex c : {23, 1}) AddChar(first, c);
    ExpectSameLines(TypeAsThePageDoes(text, first), FromUnicode(text, first), text);
  }
}

TEST(PastedText, EveryDictionaryWordTypesAsTheIcuPathTypesIt) {
  std::ifstream in(DictionaryPath());
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::string raw;
  std::getline(in, raw);
  std::u32string batch;
  while (std::getline(in, raw)) {
    std::optional<Utf8Error> error;
    const std::u32string word = DecodeUtf8(raw.substr(0, raw.find('/')), &error);
    if (error) continue;
    batch += word + U" 2024\n";
  }
  ExpectSameLines(TypeAsThePageDoes(batch), FromUnicode(batch), U"the dictionary");
}

TEST(PastedText, GlyphCodeTextPastesBackTheLinesItWasCopiedFrom) {
  std::mt19937 rng(7);
  for (int n = 0; n < 2000; ++n) {
    const UnicodeLines typed = FromUnicode(RandomText(rng, 1 + n % 60));
    for (const GlyphEncoding e : kGlyphEncodings) {
      std::u32string copied;
      for (std::size_t i = 0; i < typed.lines.size(); ++i) {
        if (i > 0) copied += U"\r\n";
        copied += EncodeCodes(typed.lines[i].Codes(), e);
      }
      const UnicodeLines pasted = TypeGlyphText(copied, Line());
      ASSERT_EQ(pasted.lines.size(), typed.lines.size()) << EncodingName(e);
      for (std::size_t i = 0; i < typed.lines.size(); ++i) {
        ASSERT_EQ(pasted.lines[i].Codes(), typed.lines[i].Codes())
            << EncodingName(e) << " line " << i << " of " << EncodeUtf8(ToUnicode(typed.lines[i]));
      }
      // A line that took letters comes back whole; only an empty line's
      // nothing is nothing.
      EXPECT_EQ(pasted.leftOut, 0u) << EncodingName(e);
    }
  }
}

TEST(PastedText, GlyphCodeTextGoesOnFromTheLineAndCountsWhatItCannotRead) {
  Line first;
  AddChar(first, 2);  // ba
  // Latin-1 text of lam-alif and a space (32 252 32) and, left of it (typed
  // later), a code no letter uses and a character that is no glyph code.
  const UnicodeLines pasted = TypeGlyphText(U"\u0100\u0001 \u00FC ", first);
  ASSERT_EQ(pasted.lines.size(), 1u);
  EXPECT_EQ(pasted.leftOut, 2u);
  Line expected;
  for (const LetterIndex c : {2, 23, 1, 0}) AddChar(expected, c);
  EXPECT_EQ(pasted.lines[0].Codes(), expected.Codes());
}

}  // namespace
}  // namespace harf
