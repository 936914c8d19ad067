// Pasted text as a typist would make it: lines of at most 45 glyphs broken at
// the last space that keeps them within the limit, a longer word broken where
// the line is full, every letter kept in order, and the last word's
// ligatures closed; glyph-code text read back line by line in its kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "input/glyph_reader.h"
#include "input/pasted_text.h"
#include "input/typist.h"
#include "shaping/engine.h"

namespace harf {
namespace {

using Letters = std::vector<LetterIndex>;

// The letters of a line in typing order (both of a ligature, no padding).
Letters LettersOf(const Line& line) {
  Letters out;
  for (const Cell& c : line.Reading()) {
    for (const LetterIndex L : {LetterIndex(c.letter), LetterIndex(c.later)}) {
      if (L != kNoLetter) out.push_back(L);
    }
  }
  return out;
}

Letters Words(const Letters& letters) {
  Letters out;
  for (const LetterIndex L : letters) {
    if (L != kSpaceLetter) out.push_back(L);
  }
  return out;
}

TEST(TypeLines, LongRandomLinesBreakAtTheLastSpaceThatFits) {
  std::mt19937 random(45);
  const Letters pool = {kBa, kLam, kAlif, kMim, kNun, kHha, kYa, kSin, kTa, kDal, kFatha};
  for (int round = 0; round < 300; ++round) {
    Letters pasted;
    const int words = 1 + static_cast<int>(random() % 60);
    for (int w = 0; w < words; ++w) {
      const int length = 1 + static_cast<int>(random() % 9);
      for (int k = 0; k < length; ++k) pasted.push_back(pool[random() % pool.size()]);
      pasted.push_back(kSpaceLetter);
    }
    const UnicodeLines r = TypeLines({{pasted}, 0}, Line{});
    ASSERT_FALSE(r.lines.empty());
    Letters kept;
    for (const Line& l : r.lines) {
      ASSERT_LE(l.size(), kLineMaxLength);
      const Letters part = LettersOf(l);
      kept.insert(kept.end(), part.begin(), part.end());
    }
    // Every letter but the refused signs, in order.
    Letters wanted = Words(pasted);
    EXPECT_EQ(Words(kept).size() + r.refused, wanted.size());
    // Each break is the last that keeps the line within the limit: the next
    // line's first word (when the break was at a space) does not fit.
    for (std::size_t k = 0; k + 1 < r.lines.size(); ++k) {
      Letters next = LettersOf(r.lines[k + 1]);
      const auto space = std::find(next.begin(), next.end(), kSpaceLetter);
      Letters longer = LettersOf(r.lines[k]);
      longer.push_back(kSpaceLetter);
      longer.insert(longer.end(), next.begin(), space);
      Line l = TypeLetters(longer);
      CloseLine(l);
      EXPECT_GT(l.size(), kLineMaxLength) << "round " << round << ", break " << k;
    }
  }
}

TEST(TypeLines, AWordLongerThanALineBreaksWhereTheLineIsFull) {
  Letters pasted(100, kBa);
  pasted.insert(pasted.begin(), {kLam, kSpaceLetter});
  const UnicodeLines r = TypeLines({{pasted}, 0}, Line{});
  ASSERT_EQ(r.lines.size(), 4U);
  // The short word stays on a line of its own; the long one fills lines.
  EXPECT_EQ(r.lines[0].Codes(), (std::vector<GlyphCode>{222, 32}));
  EXPECT_EQ(r.lines[1].size(), kLineMaxLength);
  EXPECT_EQ(r.lines[2].size(), kLineMaxLength);
  EXPECT_EQ(
      LettersOf(r.lines[1]).size() + LettersOf(r.lines[2]).size() + LettersOf(r.lines[3]).size(),
      100U);
}

TEST(TypeLines, GoesOnFromTheLineAndClosesTheLastLigature) {
  Line first = TypeLetters(Letters{kBa, kSpaceLetter});
  // لا typed: the pair merges only when the next glyph comes; a paste ends
  // the line as a space would.
  const UnicodeLines r = TypeLines({{Letters{kLam, kAlif}, Letters{kNun, kHha, kNun}}, 0}, first);
  ASSERT_EQ(r.lines.size(), 2U);
  EXPECT_EQ(r.lines[0].Codes(), (std::vector<GlyphCode>{252, 32, 108, 32}));
  EXPECT_EQ(r.lines[1].Codes(), (std::vector<GlyphCode>{229, 173, 32}));
  EXPECT_EQ(r.lines[1].cursor(), 0U);
  // Typing goes on after the closed line as after typed text.
  Line l = r.lines[1];
  Backspace(l);
  EXPECT_EQ(l.Codes(), TypeLetters(Letters{kNun, kHha}).Codes());
  // A sign refused on its carrier counts; nothing at all gives one empty line.
  EXPECT_EQ(TypeLines({{Letters{kAlif, kFatha}}, 0}, Line{}).refused, 1U);
  EXPECT_EQ(TypeLines({{}, 0}, Line{}).lines.size(), 1U);
}

// Text typed on the keys, copied as glyph codes in each kind and pasted into a
// fresh model, gives the lines typed (closed as the paste ends them), and
// keys, Backspace and Enter go on in the pasted line as in the typed one.
TEST(Typist, PastedGlyphTextBehavesAsTypedText) {
  std::mt19937 random(9);
  const std::u32string keys = U"bltmnHjy' aiu12.,(<";
  for (int round = 0; round < 400; ++round) {
    Typist typed;
    const int lines = 1 + static_cast<int>(random() % 3);
    for (int l = 0; l < lines; ++l) {
      for (int k = static_cast<int>(random() % 30); k > 0; --k) {
        typed.Type(keys[random() % keys.size()]);
      }
      if (l + 1 < lines) typed.Enter();
    }
    std::vector<GlyphCode> copied = typed.text().Codes();
    if (!typed.text().empty()) copied.insert(copied.end(), {13, 10});
    const std::vector<GlyphCode> line = typed.line().Codes();
    copied.insert(copied.end(), line.begin(), line.end());
    if (copied.empty()) continue;
    for (const GlyphEncoding e : kGlyphEncodings) {
      Typist pasted;
      pasted.PasteGlyphText(EncodeCodes(copied, e));
      ASSERT_EQ(pasted.said(), Said{}) << EncodingName(e);
      Typist closed = typed;
      std::vector<Line> want = closed.text().lines();
      for (Line& l : want) CloseLine(l);
      ASSERT_EQ(pasted.text().lines().size(), want.size());
      for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(pasted.text().lines()[i].Codes(), want[i].Codes()) << "round " << round;
      }
      CloseLine(closed.line());
      ASSERT_EQ(pasted.line().Codes(), closed.line().Codes()) << "round " << round;
      // Go on typing in both.
      for (int k = 0; k < 8; ++k) {
        const char32_t ch = keys[random() % keys.size()];
        if (random() % 4 == 0) {
          pasted.Backspace();
          closed.Backspace();
        } else {
          pasted.Type(ch);
          closed.Type(ch);
        }
        ASSERT_EQ(pasted.line().Codes(), closed.line().Codes()) << "round " << round;
      }
    }
  }
}

TEST(Typist, GlyphPasteSaysWhatWasLeftOutAndKeepsTheLine) {
  Typist t;
  t.Type(U'b');
  t.PasteGlyphText(U"\u20AC\u0100JJ");  // hha, no character, a sign, a sign on a sign
  EXPECT_EQ(t.said(), (Said{Message::GlyphTextLeftOut, 2}));
  // The fatha goes on the ba typed before, and hha joins it.
  EXPECT_EQ(t.line().Codes(), (std::vector<GlyphCode>{124, 74, 105, 32}));
  t.PasteGlyphText(U"");
  EXPECT_EQ(t.said(), (Said{Message::NothingPasted, 0}));
  EXPECT_EQ(t.line().Codes(), (std::vector<GlyphCode>{124, 74, 105, 32}));
}

TEST(GlyphTextLetters, ReadsEachLineInTheKindFound) {
  // لا نحن as Latin-1 (173 is U+00AD), then 2024 as typed (each digit at the
  // left end), CR LF between them, and a character of no kind.
  const std::u32string text = U"\u00E5\u00AD \u00FC \r\nTRPR\u0627\n";
  const LetterLines r = GlyphTextLetters(text);
  ASSERT_EQ(r.lines.size(), 3U);
  EXPECT_EQ(r.lines[0], (Letters{kLam, kAlif, kSpaceLetter, kNun, kHha, kNun}));
  EXPECT_EQ(r.lines[1], (Letters{kDigit2, kDigit0, kDigit2, kDigit4}));
  EXPECT_TRUE(r.lines[2].empty());
  EXPECT_EQ(r.leftOut, 1U);
  // Codes in the symbol kind, with a euro sign that is no character of it;
  // and the Windows-1252 kind, found by its euro sign.
  const std::u32string symbol = U"\uF0E5\uF0AD\uF020\u20AC";
  EXPECT_EQ(GlyphTextLetters(symbol).lines[0], (Letters{kNun, kHha, kNun}));
  EXPECT_EQ(GlyphTextLetters(symbol).leftOut, 1U);
  EXPECT_EQ(GlyphTextLetters(U"\u20AC\u0081").lines[0], (Letters{kKha, kHha}));
}

}  // namespace
}  // namespace harf
