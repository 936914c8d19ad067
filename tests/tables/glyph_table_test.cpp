#include "tables/glyph_table.h"

#include <gtest/gtest.h>

#include <set>

namespace harf {
namespace {

struct ReadBack {
  int code;
  int letter;
  int form;
};

// Codes shared by several letters read back as the last letter written, and
// codes no letter uses read back as the space with class 0.
TEST(GlyphTable, SharedAndUnusedCodesReadBackAsTheTablesSay) {
  const ReadBack cases[] = {
      {0, 79, 6},   {74, 85, 5},  {76, 65, 6},  {96, 64, 5}, {97, 53, 0}, {98, 53, 0},
      {159, 16, 2}, {32, 0, 6},   {33, 0, 0},   {255, 0, 0}, {252, 0, 0}, {34, 0, 0},
      {193, 16, 4}, {194, 16, 1}, {245, 55, 6}, {80, 30, 6},
  };
  for (const ReadBack& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(LetterOf[c.code], c.letter);
    EXPECT_EQ(FormOf[c.code], c.form);
  }
}

TEST(GlyphTable, FourFormLettersReadBackWithTheirFourClasses) {
  int fourForm = 0;
  for (int i = 0; i < kLetterCount; ++i) {
    if (MedGlyph[i] == NoGlyph || MedGlyph[i] == FinGlyph[i]) continue;
    ++fourForm;
    SCOPED_TRACE(i);
    const GlyphCode forms[] = {IsoGlyph[i], IniGlyph[i], MedGlyph[i], FinGlyph[i]};
    for (int f = 0; f < 4; ++f) {
      if (i == kTah && forms[f] == 159) continue;  // initial and medial share 159
      EXPECT_EQ(LetterOf[forms[f]], i);
      EXPECT_EQ(FormOf[forms[f]], f + 1);
    }
  }
  EXPECT_EQ(fourForm, 22);
}

TEST(GlyphTable, NoCodeReadsBackAsALetterThatSharesAllItsCodes) {
  std::set<int> seen(LetterOf.begin(), LetterOf.end());
  for (int hidden : {1, 40, 41, 42, 43, 44, 45, 56, 57, 62, 68, 70, 75, 78, 80, 84}) {
    EXPECT_FALSE(seen.count(hidden)) << hidden;
  }
}

// The set of codes the letters use, as the font defines it: a transcription
// slip in any row changes this set.
TEST(GlyphTable, TheLettersUseExactlyTheFontsCodes) {
  std::set<int> used;
  for (int i = 0; i < kLetterCount; ++i) {
    for (GlyphCode g : {IsoGlyph[i], IniGlyph[i], MedGlyph[i], FinGlyph[i]}) {
      if (g != NoGlyph) used.insert(g);
    }
  }
  std::set<int> expected = {32, 65, 72, 73, 74, 76, 78, 124, 156, 158, 159};
  auto range = [&expected](int a, int b) {
    for (int c = a; c <= b; ++c) expected.insert(c);
  };
  range(80, 92);
  range(94, 122);
  range(128, 154);
  range(193, 245);
  range(248, 251);
  EXPECT_EQ(used, expected);
}

TEST(GlyphTable, KindsOfLetters) {
  // Alif has a class although no code reads back as it.
  EXPECT_EQ(DiacClass[kAlif], DiacPlacement::AboveAlternate);
  EXPECT_EQ(DiacClass[kDhal], DiacPlacement::AboveAlternate);
  EXPECT_EQ(DiacClass[kLam], DiacPlacement::AboveAlternateWhenJoined);
  EXPECT_EQ(DiacClass[kYa], DiacPlacement::BelowAlternateWhenOpen);
  EXPECT_EQ(DiacClass[kMim], DiacPlacement::Standard);
  for (int i = 0; i < kLetterCount; ++i) {
    SCOPED_TRACE(i);
    // Two-glyph letters: the free glyph is both isolated and initial.
    if (MedGlyph[i] != NoGlyph && MedGlyph[i] == FinGlyph[i]) {
      EXPECT_EQ(IsoGlyph[i], IniGlyph[i]);
    }
    // Initial-only signs: isolated and initial glyph are the same code.
    if (MedGlyph[i] == NoGlyph && IniGlyph[i] != NoGlyph) {
      EXPECT_EQ(IsoGlyph[i], IniGlyph[i]);
    }
  }
  EXPECT_TRUE(IsSignLetter(kFatha));
  EXPECT_TRUE(IsSignLetter(kSuperscriptAlif));
  EXPECT_FALSE(IsSignLetter(kHamza));
  EXPECT_TRUE(IsSignGlyph(74));
  EXPECT_TRUE(IsSignGlyph(96));
  EXPECT_FALSE(IsSignGlyph(245));
}

}  // namespace
}  // namespace harf
