#include "shaping/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "tables/ligature_table.h"

namespace harf {
namespace {

using Codes = std::vector<GlyphCode>;

Line Typed(std::initializer_list<LetterIndex> letters) {
  Line line;
  for (LetterIndex c : letters) AddChar(line, c);
  return line;
}

struct LinkCase {
  const char* name;
  GlyphCode LC, C;
  std::optional<GlyphCode> TX;
  Link expected;
};

// Ba (105..108), ta (109..112), dal (133/134), mim, digits, signs, ligatures.
TEST(MakeLink, JoinsOrKeepsTheGlyphBefore) {
  const LinkCase cases[] = {
      {"space before", 32, 112, {}, {112, {}, 32}},
      {"isolated becomes initial", 108, 112, {}, {111, {}, 105}},
      {"final becomes medial, sign re-placed", 107, 112, 74, {111, 74, 106}},
      {"initial already reaches forward", 105, 112, 74, {111, 74, 105}},
      {"two-glyph letter never reaches forward", 133, 112, {}, {112, {}, 133}},
      {"two-glyph letter placed after isolated", 108, 133, {}, {134, {}, 105}},
      {"glyph after the cursor keeps reaching forward", 111, 105, {}, {106, {}, 110}},
      {"digit placed after isolated: no re-form", 108, 81, {}, {81, {}, 108}},
      {"letter after a digit is free", 81, 108, {}, {108, {}, 81}},
      {"letter after a sign is free", 74, 108, {}, {108, {}, 74}},
      {"ligature with medial later letter reaches forward", 182, 97, {}, {98, {}, 182}},
      {"ligature with joined alif does not", 252, 108, {}, {108, {}, 252}},
      {"ligature placed after isolated, initial earlier letter", 108, 182, {}, {182, {}, 108}},
      {"ligature placed after isolated, medial earlier letter", 108, 61, {}, {61, {}, 105}},
      {"unused code stays", 108, 33, {}, {33, {}, 108}},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Link r = MakeLink(c.LC, c.C, c.TX);
    EXPECT_EQ(r.placed, c.expected.placed);
    EXPECT_EQ(r.sign, c.expected.sign);
    EXPECT_EQ(r.before, c.expected.before);
  }
}

// A sign is accepted by letters 0..29 and hamza, refused by every other
// carrier; with this font every accepted sign is written as its one glyph.
TEST(AddDiacritic, AcceptsOnlyLettersWithAPlacementClass) {
  const LetterIndex signs[] = {kFatha,    kKasra, kDamma,  kFathatan,        kKasratan,
                               kDammatan, kSukun, kShadda, kSuperscriptAlif, kKeylessSign85};
  for (int code = 0; code < kGlyphCount; ++code) {
    const LetterIndex L = LetterOf[code];
    const bool takes = (L >= kSpaceLetter && L <= kTaMarbuta) || L == kHamza;
    for (LetterIndex vv : signs) {
      const int r = AddDiacritic(vv, static_cast<GlyphCode>(code));
      EXPECT_EQ(r, takes ? IsoGlyph[vv] : 0) << "sign " << vv << " on " << code;
    }
  }
  EXPECT_EQ(AddDiacritic(kFatha, 97), 0);  // alif's glyphs read back as alif wasla
  EXPECT_EQ(AddDiacritic(kFatha, 74), 0);  // no sign on a sign
  EXPECT_EQ(AddDiacritic(kFatha, 245), 74);
  EXPECT_EQ(AddDiacritic(kSuperscriptAlif, 108), 96);
}

TEST(AddChar, PlacesAtTheCursorInsideTheLine) {
  {  // right end of a line ending in a space: free form plus a space
    Line line = Typed({kBa});
    line.SetCursor(2);
    AddChar(line, kTa);
    EXPECT_EQ(line.Codes(), (Codes{108, 32, 112, 32}));
    EXPECT_EQ(line.cursor(), 0U);
  }
  {  // right end of a line ending in a letter: that letter joins the new one
    const Codes start = {81, 108};
    Line line = Line::FromCodes(start);
    line.SetCursor(2);
    AddChar(line, kTa);
    EXPECT_EQ(line.Codes(), (Codes{81, 107, 109, 32}));
  }
  {  // a real space left of the cursor stays; only the glyph before re-forms
    Line line = Typed({kBa, kSpaceLetter, kBa});
    ASSERT_EQ(line.Codes(), (Codes{108, 32, 108, 32}));
    line.SetCursor(2);
    AddChar(line, kTa);
    EXPECT_EQ(line.Codes(), (Codes{108, 32, 111, 105, 32}));
  }
  {  // between a letter and its sign: the new letter goes after the sign
    Line line = Typed({kBa, kFatha});
    line.SetCursor(1);
    AddChar(line, kTa);
    EXPECT_EQ(line.Codes(), (Codes{111, 74, 105, 32}));
  }
  {  // after a sign, before a letter: joined on both sides, sign kept in between
    Line line = Typed({kBa, kFatha, kBa});
    ASSERT_EQ(line.Codes(), (Codes{107, 74, 105, 32}));
    line.SetCursor(1);
    AddChar(line, kTa);
    EXPECT_EQ(line.Codes(), (Codes{107, 110, 74, 105, 32}));
  }
  {  // spaces and digits go to the left end whatever the cursor
    Line line = Typed({kBa, kBa});
    line.SetCursor(2);
    AddChar(line, kDigit1);
    EXPECT_EQ(line.Codes(), (Codes{81, 107, 105, 32}));
  }
}

TEST(AddChar, RefusedSignLeavesLineAndCursor) {
  Line line = Typed({kAlif, kBa});  // alif, then ba: 108 97 32
  line.SetCursor(1);                // the glyph before the cursor is alif
  const Line before = line;
  EXPECT_FALSE(AddChar(line, kFatha));
  EXPECT_EQ(line, before);
  EXPECT_EQ(line.cursor(), 1U);
  line.SetCursor(0);  // the glyph before the cursor is ba now
  EXPECT_TRUE(AddChar(line, kFatha));
}

TEST(AddChar, IgnoresLetterIndexesOutsideTheTables) {
  Line line = Typed({kBa});
  const Line before = line;
  EXPECT_FALSE(AddChar(line, 86));
  EXPECT_FALSE(AddChar(line, -1));
  EXPECT_EQ(line, before);
}

TEST(LigaturePass, MergesOnlyTheSecondAndThirdGlyph) {
  const Codes two = {98, 219};
  Line line = Line::FromCodes(two);
  LigaturePass(line);
  EXPECT_EQ(line.Codes(), two);
  const Codes three = {32, 98, 219};
  line = Line::FromCodes(three);
  LigaturePass(line);
  EXPECT_EQ(line.Codes(), (Codes{32, 252}));
  const Codes later = {32, 32, 98, 219};
  line = Line::FromCodes(later);
  LigaturePass(line);
  EXPECT_EQ(line.Codes(), later);
}

TEST(Backspace, KeepsWhatTheLettersWere) {
  Line line = Typed({kLam, kAlif, kSpaceLetter});  // lam alif space: a ligature
  ASSERT_EQ(line.Codes(), (Codes{32, 252, 32}));
  Backspace(line);
  EXPECT_EQ(line.Codes(), (Codes{98, 219, 32}));
  EXPECT_EQ(line.At(1).letter, 1);  // alif, as typed, not alif wasla
  Backspace(line);
  EXPECT_EQ(line.Codes(), (Codes{222, 32}));
  Backspace(line);
  EXPECT_EQ(line.Codes(), (Codes{32}));
  EXPECT_EQ(line.At(1).letter, kNoLetter);  // the space that came with lam
  Backspace(line);
  EXPECT_TRUE(line.empty());
  Backspace(line);
  EXPECT_TRUE(line.empty());
}

// --- Properties over random typing -----------------------------------------

// Runs per property; HARF_PROPERTY_RUNS raises it for a longer local search.
const int kRuns = [] {
  const char* env = std::getenv("HARF_PROPERTY_RUNS");
  return env ? std::atoi(env) : 5000;
}();

std::vector<int> LettersOf(const Line& line) {
  std::vector<int> out;
  for (const Cell& c : line.Reading()) {
    if (c.letter != kNoLetter) out.push_back(c.letter);
    if (c.later != kNoLetter) out.push_back(c.later);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool IsFormOf(GlyphCode g, int letter) {
  return g == IsoGlyph[letter] || g == IniGlyph[letter] || g == MedGlyph[letter] ||
         g == FinGlyph[letter];
}

// Every glyph is a form of the letter it stands for, a ligature is made of
// forms of its two letters, and only spaces stand for no letter.
void ExpectConsistent(const Line& line) {
  for (const Cell& c : line.Reading()) {
    if (c.letter == kNoLetter) {
      EXPECT_EQ(c.code, kSpaceCode);
    } else if (const Ligature* lig = LigatureParts(c.code)) {
      EXPECT_TRUE(IsFormOf(lig->M, c.letter)) << int(c.code);
      EXPECT_TRUE(IsFormOf(lig->N, c.later)) << int(c.code);
    } else {
      EXPECT_TRUE(IsFormOf(c.code, c.letter)) << int(c.code) << " for letter " << int(c.letter);
      EXPECT_EQ(c.later, kNoLetter);
    }
  }
  EXPECT_LE(line.cursor(), line.size());
}

// Typing at any cursor position never loses or doubles a letter: the letters
// of the line are those typed, less those deleted.
TEST(EngineProperty, NoLetterLostOrDoubledWhateverTheCursor) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> letter(0, 67), action(0, 9);
  for (int run = 0; run < kRuns; ++run) {
    Line line;
    std::vector<int> expected;
    for (int step = 0; step < 40; ++step) {
      const int a = action(rng);
      if (a == 0 && !line.empty()) {
        const Cell newest = line.At(1);
        const std::size_t size = line.size();
        Backspace(line);
        if (size < 2) {
          expected.clear();
        } else {
          for (int l : {int(newest.letter), int(newest.later)}) {
            if (l == kNoLetter) continue;
            expected.erase(std::find(expected.begin(), expected.end(), l));
          }
        }
      } else {
        if (a < 4) line.SetCursor(std::uniform_int_distribution<std::size_t>(0, line.size())(rng));
        const Line before = line;
        const int c = letter(rng);
        AddChar(line, static_cast<LetterIndex>(c));
        if (line != before) {
          expected.push_back(c);
          EXPECT_EQ(line.cursor(), 0U);
        }
      }
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(LettersOf(line), expected) << "run " << run << " step " << step;
      ExpectConsistent(line);
    }
  }
}

// Spaces that came in with a first letter are not part of what was typed.
Codes WithoutPadding(const Line& line) {
  Codes out;
  for (std::size_t pos = 1; pos <= line.size(); ++pos) {
    if (line.At(pos).letter != kNoLetter) out.push_back(line.CodeAt(pos));
  }
  return out;
}

// At the ordinary insertion point, Backspace takes back the last keystroke
// that changed the line: the line is what typing one letter less gave.
TEST(EngineProperty, BackspaceUndoesTheLastKeystroke) {
  std::mt19937 rng(8122026);
  std::uniform_int_distribution<int> letter(0, 67);
  for (int run = 0; run < kRuns; ++run) {
    Line line;
    for (int step = 0; step < 20; ++step) {
      const Line before = line;
      AddChar(line, static_cast<LetterIndex>(letter(rng)));
      if (line == before) continue;
      Line undone = line;
      Backspace(undone);
      ASSERT_EQ(WithoutPadding(undone), WithoutPadding(before))
          << "run " << run << " step " << step;
      ASSERT_EQ(LettersOf(undone), LettersOf(before));
    }
  }
}

}  // namespace
}  // namespace harf
