#include "tables/ligature_table.h"

#include <gtest/gtest.h>

#include <set>

namespace harf {
namespace {

TEST(LigatureTable, EveryPairGivesItsLigatureAndSplitsBack) {
  for (const Ligature& l : kLigatures) {
    SCOPED_TRACE(l.code);
    EXPECT_EQ(AddLig(l.N, l.M), l.code);
    const Ligature* parts = LigatureParts(l.code);
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->M, l.M);
    EXPECT_EQ(parts->N, l.N);
    // The earlier letter reaches forward to the later one.
    EXPECT_TRUE(FormOf[l.M] == kInitial || FormOf[l.M] == kMedial);
  }
}

TEST(LigatureTable, NoOtherPairMerges) {
  int pairs = 0;
  for (int m = 0; m < kGlyphCount; ++m) {
    for (int n = 0; n < kGlyphCount; ++n) {
      if (AddLig(static_cast<GlyphCode>(n), static_cast<GlyphCode>(m)) != kNoLigature) ++pairs;
    }
  }
  EXPECT_EQ(pairs, 53);
  EXPECT_EQ(AddLig(130, 105), kNoLigature);  // ba initial with kha medial stays two glyphs
  EXPECT_EQ(AddLig(98, 222), kNoLigature);   // isolated lam does not take alif
  EXPECT_EQ(LigatureParts(162), nullptr);
  EXPECT_EQ(LigatureParts(59), nullptr);
  EXPECT_EQ(LigatureParts(108), nullptr);
}

TEST(LigatureTable, LigatureCodesBelongToNoLetterAndNeverMergeAgain) {
  std::set<int> codes, keys;
  for (const Ligature& l : kLigatures) {
    codes.insert(l.code);
    keys.insert(l.M);
    keys.insert(l.N);
    EXPECT_EQ(LetterOf[l.code], 0) << int(l.code);
    EXPECT_EQ(FormOf[l.code], 0) << int(l.code);
  }
  std::set<int> expected = {160, 161};
  for (int c = 34; c <= 38; ++c) expected.insert(c);
  for (int c = 50; c <= 58; ++c) expected.insert(c);
  for (int c = 60; c <= 63; ++c) expected.insert(c);
  for (int c = 163; c <= 191; ++c) expected.insert(c);
  for (int c = 252; c <= 255; ++c) expected.insert(c);
  EXPECT_EQ(codes, expected);
  for (int c : codes) EXPECT_FALSE(keys.count(c)) << c;
}

}  // namespace
}  // namespace harf
