// Round trip on real text: every word of Debian's Arabic hunspell dictionary
// (package hunspell-ar), typed from Unicode into glyph codes and turned back
// into Unicode, is the word again after NFKC, for every word whose characters
// all have letters and whose vowel signs are all accepted. Typing the word
// that came back gives the same glyph codes again. And every word typed on
// the Arabic layout's keys reads back from its glyph codes into letters that
// type the same codes, directly and by way of Unicode.
#include "dictionary.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iostream>
#include <string>

#include "input/glyph_reader.h"
#include "input/typed_keys.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

const std::string kDictionary = DictionaryPath();

// The word as it should come back: NFKC, then every character as the code
// point of its letter (ASCII digits come back as Arabic-Indic digits).
std::u32string Expected(std::u32string_view word) {
  std::u32string out = Nfkc(word);
  for (char32_t& ch : out) ch = CodePointOf(LetterOfCodePoint(ch));
  return out;
}

TEST(Dictionary, EveryArabicWordRoundTrips) {
  std::ifstream in(kDictionary);
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::string raw;
  std::getline(in, raw);  // the first line holds the word count
  std::size_t checked = 0, skipped = 0, failed = 0;
  for (std::size_t n = 2; std::getline(in, raw); ++n) {
    // A word ends at its flags ("/") or at its morphological fields (TAB).
    const std::string word = raw.substr(0, raw.find_first_of("/\t"));
    if (word.empty()) continue;
    std::optional<Utf8Error> error;
    const std::u32string text = DecodeUtf8(word, &error);
    ASSERT_FALSE(error) << kDictionary << ":" << n << ": invalid UTF-8";

    const UnicodeLines r = FromUnicode(text);
    ASSERT_EQ(r.lines.size(), 1U);
    if (r.leftOut > 0) {
      ++skipped;
      continue;
    }
    ++checked;
    const std::u32string back = ToUnicode(r.lines[0]);
    const UnicodeLines again = FromUnicode(back);
    if (back != Expected(text) || again.lines[0].Codes() != r.lines[0].Codes()) {
      if (++failed <= 10) {
        ADD_FAILURE() << kDictionary << ":" << n << ": " << word << " came back as "
                      << EncodeUtf8(back);
      }
    }
  }
  std::cout << "[ info ] dictionary words checked: " << checked
            << ", skipped (a character with no letter, or a refused sign): " << skipped << "\n";
  EXPECT_EQ(failed, 0U);
  EXPECT_GT(checked, 150'000U);
}

TEST(Dictionary, EveryWordTypedOnTheArabicKeysReadsBack) {
  // The character that types each letter with the Arabic layout shown.
  std::array<char32_t, kLetterCount> keyOf{};
  for (const TypedKey& k : ArabicKeyOf()) {
    const LetterIndex L = LetterOfKey(k.key);
    if (IsLetterIndex(L) && keyOf[L] == 0) keyOf[L] = k.typed;
  }
  keyOf[kSpaceLetter] = U' ';

  std::ifstream in(kDictionary);
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::string raw;
  std::getline(in, raw);
  std::size_t checked = 0, untypable = 0, failed = 0;
  for (std::size_t n = 2; std::getline(in, raw); ++n) {
    const std::string word = raw.substr(0, raw.find_first_of("/\t"));
    if (word.empty()) continue;
    Typist typist(Layout::Arabic);
    bool typable = true;
    for (const char32_t cp : Nfkc(DecodeUtf8(word, nullptr))) {
      const LetterIndex L = LetterOfCodePoint(cp);
      if (L == kNoLetter || keyOf[L] == 0) {
        typable = false;
        break;
      }
      typist.Type(keyOf[L]);
    }
    if (!typable) {
      ++untypable;
      continue;
    }
    ++checked;
    const std::vector<GlyphCode> codes = typist.line().Codes();
    const ReadLetters read = ReadGlyphCodes(codes);
    const Line again = TypeLetters(read.letters);
    const UnicodeLines viaUnicode = FromUnicode(ToUnicode(again));
    if (read.leftOut != 0 || again.Codes() != codes || viaUnicode.lines[0].Codes() != codes) {
      if (++failed <= 10) {
        ADD_FAILURE() << kDictionary << ":" << n << ": " << word << " reads back as "
                      << EncodeUtf8(ToUnicode(again));
      }
    }
  }
  std::cout << "[ info ] dictionary words typed on the Arabic keys: " << checked
            << ", with a letter no Arabic key types: " << untypable << "\n";
  EXPECT_EQ(failed, 0U);
  EXPECT_GT(checked, 150'000U);
}

}  // namespace
}  // namespace harf
