// The letter <-> code point table, checked against ICU's character database:
// names, joining types, categories and digit values come from Unicode itself,
// not from the table under test.
#include "tables/unicode_table.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <set>
#include <string>

#include "input/unicode_text.h"

namespace harf {
namespace {

std::string NameOf(char32_t cp) {
  char buffer[128];
  UErrorCode status = U_ZERO_ERROR;
  u_charName(static_cast<UChar32>(cp), U_UNICODE_CHAR_NAME, buffer, sizeof buffer, &status);
  return U_SUCCESS(status) ? buffer : "?";
}

bool IsFourForm(LetterIndex c) {
  return MedGlyph[c] != NoGlyph && MedGlyph[c] != FinGlyph[c];
}
bool IsTwoGlyph(LetterIndex c) {
  return MedGlyph[c] != NoGlyph && MedGlyph[c] == FinGlyph[c];
}

TEST(UnicodeTable, ArabicLettersAndSignsCarryTheirUnicodeNames) {
  // Letters 1..29, named "ARABIC LETTER " and this.
  const char* const letters[] = {
      "ALEF", "BEH",  "TEH",   "THEH", "JEEM", "HAH", "KHAH", "DAL", "THAL",       "REH",
      "ZAIN", "SEEN", "SHEEN", "SAD",  "DAD",  "TAH", "ZAH",  "AIN", "GHAIN",      "FEH",
      "QAF",  "KAF",  "LAM",   "MEEM", "NOON", "HEH", "WAW",  "YEH", "TEH MARBUTA"};
  for (LetterIndex c = 1; c <= 29; ++c) {
    EXPECT_EQ(NameOf(CodePointOf(c)), std::string("ARABIC LETTER ") + letters[c - 1]) << c;
  }
  const struct {
    LetterIndex letter;
    const char* name;
  } others[] = {{40, "ARABIC FATHA"},
                {41, "ARABIC KASRA"},
                {42, "ARABIC DAMMA"},
                {43, "ARABIC FATHATAN"},
                {44, "ARABIC KASRATAN"},
                {45, "ARABIC DAMMATAN"},
                {46, "ARABIC LETTER ALEF WITH HAMZA ABOVE"},
                {47, "ARABIC LETTER YEH WITH HAMZA ABOVE"},
                {48, "ARABIC LETTER WAW WITH HAMZA ABOVE"},
                {49, "ARABIC LETTER ALEF WITH MADDA ABOVE"},
                {50, "ARABIC LETTER ALEF MAKSURA"},
                {52, "ARABIC LETTER ALEF WITH HAMZA BELOW"},
                {53, "ARABIC LETTER ALEF WASLA"},
                {55, "ARABIC LETTER HAMZA"},
                {56, "ARABIC SUKUN"},
                {57, "ARABIC SHADDA"},
                {59, "ARABIC QUESTION MARK"},
                {60, "ARABIC SEMICOLON"},
                {64, "ARABIC LETTER SUPERSCRIPT ALEF"},
                {65, "ARABIC COMMA"},
                {0, "SPACE"},
                {58, "EXCLAMATION MARK"},
                {61, "FULL STOP"},
                {62, "COMMA"},
                {63, "COLON"}};
  for (const auto& c : others) {
    EXPECT_EQ(NameOf(CodePointOf(c.letter)), c.name) << "letter " << c.letter;
  }
}

// A four-form letter joins on both sides, a two-glyph letter only to the
// letter before it, hamza to neither: Unicode's joining types say the same.
// The font draws ya with hamza above and alif maqsura with two glyphs only,
// where Unicode lets both join on both sides.
TEST(UnicodeTable, JoiningTypesMatchTheLettersForms) {
  for (LetterIndex c = 0; c < kLetterCount; ++c) {
    const char32_t cp = CodePointOf(c);
    if (cp == kNoCodePoint) continue;
    const auto jt = u_getIntPropertyValue(static_cast<UChar32>(cp), UCHAR_JOINING_TYPE);
    SCOPED_TRACE("letter " + std::to_string(c) + " " + NameOf(cp));
    if (IsFourForm(c)) {
      EXPECT_EQ(jt, U_JT_DUAL_JOINING);
    } else if (IsTwoGlyph(c)) {
      EXPECT_EQ(jt, c == 47 || c == 50 ? U_JT_DUAL_JOINING : U_JT_RIGHT_JOINING);
    } else if (IsSignLetter(c)) {
      EXPECT_EQ(jt, U_JT_TRANSPARENT);
      EXPECT_EQ(u_charType(static_cast<UChar32>(cp)), U_NON_SPACING_MARK);
    } else {
      EXPECT_EQ(jt, U_JT_NON_JOINING);
    }
  }
}

TEST(UnicodeTable, DigitsQuotesAndParenthesesOpenAndCloseInTypingOrder) {
  for (LetterIndex d = 30; d <= 39; ++d) {
    EXPECT_EQ(u_charDigitValue(static_cast<UChar32>(CodePointOf(d))), d - 30);
    EXPECT_EQ(ublock_getCode(static_cast<UChar32>(CodePointOf(d))), UBLOCK_ARABIC);
  }
  // 51 and 66 are the marks typed first ("<" and "(" on the Systematic keys).
  EXPECT_EQ(u_charType(static_cast<UChar32>(CodePointOf(kOpeningQuote))), U_INITIAL_PUNCTUATION);
  EXPECT_EQ(u_charType(static_cast<UChar32>(CodePointOf(kClosingQuote))), U_FINAL_PUNCTUATION);
  EXPECT_EQ(u_charType(static_cast<UChar32>(CodePointOf(kLeftParenthesis))), U_START_PUNCTUATION);
  EXPECT_EQ(u_charType(static_cast<UChar32>(CodePointOf(kRightParenthesis))), U_END_PUNCTUATION);
  for (const LetterIndex c : {51, 54, 66, 67}) {
    EXPECT_TRUE(u_isMirrored(static_cast<UChar32>(CodePointOf(c)))) << c;
  }
}

TEST(UnicodeTable, EveryKeyedLetterHasItsOwnCodePointAndReadsBack) {
  std::set<char32_t> seen;
  for (LetterIndex c = 0; c < kLetterCount; ++c) {
    const char32_t cp = CodePointOf(c);
    if (c >= 68) {
      EXPECT_EQ(cp, kNoCodePoint) << c;
      continue;
    }
    ASSERT_NE(cp, kNoCodePoint) << c;
    EXPECT_TRUE(seen.insert(cp).second) << "letter " << c << " shares its code point";
    EXPECT_EQ(LetterOfCodePoint(cp), c);
  }
  EXPECT_EQ(CodePointOf(-1), kNoCodePoint);
  EXPECT_EQ(CodePointOf(kLetterCount), kNoCodePoint);
}

// Text reaches LetterOfCodePoint only after NFKC, so a code point that NFKC
// changes could never be typed: every code point with a letter is stable, and
// each one is either the letter's own or a documented alias.
TEST(UnicodeTable, EveryCodePointWithALetterIsNfkcStable) {
  int aliases = 0;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const LetterIndex c = LetterOfCodePoint(cp);
    if (c == kNoLetter) continue;
    ASSERT_TRUE(IsLetterIndex(c));
    const std::u32string one(1, cp);
    EXPECT_EQ(Nfkc(one), one) << std::hex << static_cast<unsigned>(cp);
    if (CodePointOf(c) == cp) continue;
    ++aliases;
    const bool digit = c >= 30 && c <= 39 && u_charDigitValue(static_cast<UChar32>(cp)) == c - 30;
    const bool punct =
        (cp == U'?' && c == 59) || (cp == U';' && c == 60) || (cp == U'\u06D4' && c == 61);
    EXPECT_TRUE(digit || punct) << std::hex << static_cast<unsigned>(cp) << " -> " << std::dec << c;
  }
  EXPECT_EQ(aliases, 23);  // two sets of ten digits, "?", ";" and U+06D4
}

}  // namespace
}  // namespace harf
