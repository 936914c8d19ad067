// One line of runs between Unicode Arabic and the legacy font's glyph codes,
// as the document converters use it: the lines in tests/data/document_lines.tsv
// both ways in every encoding, and properties on random splits into runs and
// on real words of Debian's Arabic dictionary.
#include "documents/legacy_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "tables/unicode_table.h"

namespace harf::documents {
namespace {

std::u32string U32(const std::string& s) {
  std::optional<Utf8Error> error;
  std::u32string out = DecodeUtf8(s, &error);
  EXPECT_FALSE(error) << s;
  return out;
}

std::string U8(std::u32string_view s) {
  return EncodeUtf8(s);
}

std::u32string Joined(const std::vector<Piece>& pieces) {
  std::u32string out;
  for (const Piece& p : pieces) out += p.text;
  return out;
}

// The text as it comes back: NFKC, each character as its letter's code
// point; the vowel signs share one glyph, which reads as fatha.
std::u32string AsLetters(std::u32string_view text) {
  std::u32string out;
  for (const char32_t ch : Nfkc(text)) {
    LetterIndex l = LetterOfCodePoint(ch);
    if (l == kNoLetter) continue;
    if (IsoGlyph[l] == IsoGlyph[LetterOfCodePoint(U'\u064E')]) l = LetterOfCodePoint(U'\u064E');
    out.push_back(CodePointOf(l));
  }
  return out;
}

struct LineCase {
  int line;
  std::u32string text;
  std::size_t glyphs;
  std::size_t lines;
  std::string digits;
};

std::vector<LineCase> ReadCases() {
  std::ifstream in(HARF_TEST_DATA_DIR "/document_lines.tsv");
  EXPECT_TRUE(in);
  std::vector<LineCase> cases;
  std::string raw;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.empty() || raw[0] == '#') continue;
    std::vector<std::string> cols;
    std::stringstream ss(raw);
    for (std::string c; std::getline(ss, c, '\t');) cols.push_back(c);
    EXPECT_EQ(cols.size(), 4U) << "document_lines.tsv:" << n;
    if (cols.size() != 4) continue;
    cases.push_back({n, U32(cols[0]), std::stoul(cols[1]), std::stoul(cols[2]), cols[3]});
  }
  return cases;
}

// The digits among display-order codes, left to right, as ASCII.
std::string DigitsShown(const std::vector<GlyphCode>& codes) {
  std::string out;
  for (const GlyphCode c : codes) {
    const char32_t cp = CodePointOf(LetterOf[c]);
    if (cp >= 0x0660 && cp <= 0x0669) out.push_back(static_cast<char>('0' + (cp - 0x0660)));
    if (!out.empty() && (cp == U':' || cp == U',' || cp == U'.' || cp == 0x060C)) {
      out.push_back(cp == 0x060C ? ',' : static_cast<char>(cp));
    }
  }
  return out.empty() ? "-" : out;
}

TEST(DocumentLines, WrittenAndReadBackInEveryEncoding) {
  const std::vector<LineCase> cases = ReadCases();
  ASSERT_GT(cases.size(), 10U);
  for (const LineCase& c : cases) {
    SCOPED_TRACE("document_lines.tsv:" + std::to_string(c.line) + " " + U8(c.text));
    for (const GlyphEncoding e : kGlyphEncodings) {
      const Piece piece{c.text, 0};
      const LegacyLines legacy = UnicodeToLegacy({&piece, 1}, e, c.glyphs);
      EXPECT_EQ(legacy.leftOut, 0U);
      ASSERT_EQ(legacy.lines.size(), c.lines);
      ASSERT_EQ(legacy.codes.size(), c.lines);
      EXPECT_EQ(DigitsShown(legacy.codes[0]), c.digits);

      std::u32string back;
      for (std::size_t i = 0; i < legacy.lines.size(); ++i) {
        if (c.glyphs > 0) {
          EXPECT_LE(legacy.codes[i].size(), c.glyphs);
        }
        // The characters written are the codes in the encoding asked for.
        ASSERT_EQ(legacy.lines[i].size(), 1U);
        EXPECT_EQ(legacy.lines[i][0].text, EncodeCodes(legacy.codes[i], e));
        // Read with the encoding found from the characters alone.
        const UnicodePieces u = LegacyToUnicode(legacy.lines[i], std::nullopt);
        EXPECT_EQ(u.leftOut, 0U);
        if (i > 0 && !back.empty() && back.back() != U' ') back.push_back(U' ');
        back += Joined(u.pieces);
      }
      // Breaking at spaces loses nothing; a word longer than a line is split.
      std::u32string expected = AsLetters(c.text);
      if (c.lines > 1 && c.text.find(U' ') == std::u32string::npos) {
        std::erase(back, U' ');
      }
      EXPECT_EQ(U8(back), U8(expected));
    }
  }
}

// A change of formatting inside a word, anywhere: the runs are one display
// sequence, so the text never depends on where the runs are cut, and every
// letter comes from a run that holds one of its glyphs.
TEST(DocumentLines, RunsCutAnywhereReadAsOneSequence) {
  std::mt19937 random(20261208);
  for (const LineCase& c : ReadCases()) {
    const Piece piece{c.text, 0};
    const LegacyLines legacy = UnicodeToLegacy({&piece, 1}, GlyphEncoding::Windows1252, 0);
    const std::vector<GlyphCode>& codes = legacy.codes[0];
    const std::u32string whole =
        Joined(CodesToUnicode(codes, std::vector<std::size_t>(codes.size(), 0)).pieces);
    for (int trial = 0; trial < 50; ++trial) {
      std::vector<std::size_t> runs(codes.size());
      std::size_t run = 0;
      for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i > 0 && random() % 4 == 0) ++run;
        runs[i] = run;
      }
      std::vector<Piece> pieces;
      for (std::size_t i = 0; i < codes.size(); ++i) {
        if (pieces.empty() || pieces.back().run != runs[i]) pieces.push_back({{}, runs[i]});
        pieces.back().text.push_back(CharOfCode(codes[i], GlyphEncoding::Windows1252));
      }
      const UnicodePieces u = LegacyToUnicode(pieces, GlyphEncoding::Windows1252);
      ASSERT_EQ(U8(Joined(u.pieces)), U8(whole)) << "line " << c.line << " trial " << trial;
      for (std::size_t i = 1; i < u.pieces.size(); ++i) {
        EXPECT_NE(u.pieces[i].run, u.pieces[i - 1].run) << "neighbours of one run not merged";
      }
      for (const Piece& p : u.pieces) EXPECT_LE(p.run, run);
    }
  }
}

// Unicode runs to glyphs: each glyph takes the formatting of its letter, so
// the glyphs of one run read back alone give that run's words.
TEST(DocumentLines, GlyphsKeepTheRunOfTheirLetters) {
  const std::vector<Piece> runs = {{U"بسم الله ", 0}, {U"الرحمن", 1}, {U" الرحيم", 2}};
  const LegacyLines legacy = UnicodeToLegacy(runs, GlyphEncoding::Symbol, 0);
  ASSERT_EQ(legacy.lines.size(), 1U);
  std::u32string seen[3];
  for (const Piece& p : legacy.lines[0]) {
    ASSERT_LT(p.run, 3U);
    seen[p.run] += Joined(LegacyToUnicode(std::vector<Piece>{{p.text, 0}}, std::nullopt).pieces);
  }
  EXPECT_EQ(U8(seen[1]), U8(U"الرحمن"));
  EXPECT_NE(seen[0].find(U"الله"), std::u32string::npos);
  EXPECT_NE(seen[2].find(U"الرحيم"), std::u32string::npos);
}

TEST(DocumentLines, WhatCannotBeConvertedIsCounted) {
  // Latin letters have no glyph; a character of no encoding has no code.
  const Piece latin{U"كتاب book", 0};
  EXPECT_EQ(UnicodeToLegacy({&latin, 1}, GlyphEncoding::Latin1, 0).leftOut, 4U);
  const Piece foreign{U"l\u4E2Db", 0};
  const UnicodePieces u = LegacyToUnicode({&foreign, 1}, GlyphEncoding::Latin1);
  EXPECT_EQ(u.leftOut, 1U);
  EXPECT_EQ(U8(Joined(u.pieces)),
            U8(Joined(LegacyToUnicode(std::vector<Piece>{{U"lb", 0}}, std::nullopt).pieces)));
}

TEST(DocumentLines, ArabicTextIsToldFromOtherText) {
  EXPECT_TRUE(IsArabicText(U"كتاب"));
  EXPECT_TRUE(IsArabicText(U" (كتاب) ٢٠٢٤، "));
  EXPECT_FALSE(IsArabicText(U"Buch كتاب"));
  EXPECT_FALSE(IsArabicText(U"2024 ، ؟"));  // signs and punctuation only
  EXPECT_FALSE(IsArabicText(U""));
  EXPECT_TRUE(IsNeutralText(U" 12, (.)"));
  EXPECT_FALSE(IsNeutralText(U"a"));
}

// Real words: phrases of dictionary words, written and read back.
TEST(DocumentLines, DictionaryPhrasesRoundTrip) {
  std::ifstream in(DictionaryPath());
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::vector<std::u32string> words;
  std::string raw;
  std::getline(in, raw);
  while (std::getline(in, raw)) {
    const std::string word = raw.substr(0, raw.find_first_of("/\t"));
    std::optional<Utf8Error> error;
    std::u32string w = DecodeUtf8(word, &error);
    if (!error && !w.empty()) words.push_back(std::move(w));
  }
  ASSERT_GT(words.size(), 1000U);
  std::mt19937 random(7);
  std::size_t checked = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::u32string text;
    const int n = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < n; ++i) {
      if (i > 0) text.push_back(U' ');
      text += words[random() % words.size()];
    }
    const Piece piece{text, 0};
    const LegacyLines legacy = UnicodeToLegacy({&piece, 1}, GlyphEncoding::Windows1252, 45);
    if (legacy.leftOut > 0) continue;
    std::u32string back;
    for (const auto& line : legacy.lines) {
      if (!back.empty()) back.push_back(U' ');
      back += Joined(LegacyToUnicode(line, std::nullopt).pieces);
    }
    ++checked;
    ASSERT_EQ(U8(back), U8(AsLetters(text))) << "trial " << trial;
  }
  EXPECT_GT(checked, 2000U);
}

}  // namespace
}  // namespace harf::documents
