// Unicode text in and out of lines: hand-made words with their glyph codes,
// the shared typed-key cases typed again from Unicode, backspace, line
// breaks, bad input, a random round trip and a 1 MB paste.
#include "input/unicode_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "input/bidi_order.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"
#include "typing_cases.h"

namespace harf {
namespace {

using namespace std::string_literals;
using Codes = std::vector<GlyphCode>;

std::vector<std::string> Fields(const std::string& raw) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(raw);
  while (std::getline(in, field, '\t')) out.push_back(field);
  if (!raw.empty() && raw.back() == '\t') out.emplace_back();
  return out;
}

// UTF-8 with the escapes \uXXXX, \UXXXXXXXX, \t and \\.
std::u32string Unescape(const std::string& field) {
  const std::u32string in = DecodeUtf8(field, nullptr);
  std::u32string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != U'\\' || i + 1 == in.size()) {
      out.push_back(in[i]);
      continue;
    }
    const char32_t e = in[++i];
    if (e == U't' || e == U'\\') {
      out.push_back(e == U't' ? U'\t' : U'\\');
      continue;
    }
    const std::size_t digits = e == U'u' ? 4 : e == U'U' ? 8 : 0;
    if (digits == 0 || i + digits >= in.size()) throw std::runtime_error("bad escape in " + field);
    std::string hex;
    for (std::size_t k = 0; k < digits; ++k) hex.push_back(static_cast<char>(in[++i]));
    out.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
  }
  return out;
}

Codes ParseCodes(const std::string& field) {
  Codes out;
  std::istringstream in(field);
  int code;
  while (in >> code) out.push_back(static_cast<GlyphCode>(code));
  return out;
}

// The glyph codes of typing `keys` into an empty line on a layout.
Codes TypedCodes(Layout layout, std::u32string_view keys) {
  Typist typist(layout);
  for (const char32_t ch : keys) typist.Type(ch);
  return typist.line().Codes();
}

std::u32string U32(std::string_view utf8) {
  return DecodeUtf8(utf8, nullptr);
}

TEST(FromUnicode, HandMadeWordsGiveTheCodesOfTypingAndComeBack) {
  const std::string path = HARF_TEST_DATA_DIR "/unicode_words.tsv";
  std::ifstream in(path);
  ASSERT_TRUE(in) << "cannot open " << path;
  std::string raw;
  int cases = 0;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.empty() || raw[0] == '#') continue;
    SCOPED_TRACE("unicode_words.tsv:" + std::to_string(n) + ": " + raw);
    const auto f = Fields(raw);
    ASSERT_EQ(f.size(), 5U);
    const std::u32string text = Unescape(f[0]);
    Codes expected;
    if (f[1].starts_with("systematic:")) {
      expected = TypedCodes(Layout::Systematic, U32(f[1].substr(11)));
    } else if (f[1].starts_with("arabic:")) {
      expected = TypedCodes(Layout::Arabic, U32(f[1].substr(7)));
    } else if (f[1].starts_with("codes:")) {
      expected = ParseCodes(f[1].substr(6));
    } else {
      ASSERT_EQ(f[1], "-");
    }
    const std::u32string back = f[2] == "=" ? Nfkc(text) : Unescape(f[2]);

    const UnicodeLines r = FromUnicode(text);
    ASSERT_EQ(r.lines.size(), 1U);
    EXPECT_EQ(r.lines[0].Codes(), expected);
    EXPECT_EQ(r.lines[0].cursor(), 0U);
    EXPECT_EQ(EncodeUtf8(ToUnicode(r.lines[0])), EncodeUtf8(back));
    EXPECT_EQ(r.leftOut, std::stoul(f[3]));
    EXPECT_EQ(r.refused, std::stoul(f[4]));
    ++cases;
  }
  EXPECT_GT(cases, 35);
}

// Every shared typed-key case, typed again as the Unicode text of the letters
// its keys entered, gives the same glyph codes: the same lines, the same text
// area. Cases with Backspace are left out: what remains after a Backspace is
// not what typing the remaining letters gives (a sign keeps its carrier's
// joined form).
TEST(FromUnicode, GivesTheCodesOfTypingTheSameLetters) {
  int compared = 0;
  for (const auto& c : testing::ReadTypingCases(testing::TypingCasesPath())) {
    if (c.typed.find(U'\b') != std::u32string::npos) continue;
    SCOPED_TRACE("typing.tsv:" + std::to_string(c.lineNumber) + ": " + c.source);
    Typist typist(c.layout);
    std::u32string text;
    for (const char32_t ch : c.typed) {
      const TypedAction a = DecideTyped(ch, typist.line().size(), c.layout);
      if (a.kind == TypedAction::Kind::Press) text.push_back(CodePointOf(LetterOfKey(a.key)));
      if (a.kind == TypedAction::Kind::Enter) text.push_back(U'\n');
      if (a.kind == TypedAction::Kind::Unicode) text.push_back(ch);  // Arabic from the keyboard
      typist.Type(ch);
    }
    // The letters in typing order, each line turned into the logical order
    // that shows the numbers as typed.
    std::u32string logical;
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find(U'\n', start);
      if (end == std::u32string::npos) end = text.size();
      logical += TypingOrder(text.substr(start, end - start));
      if (end < text.size()) logical.push_back(U'\n');
      start = end + 1;
    }
    const UnicodeLines r = FromUnicode(logical);
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.back().Codes(), c.line);
    if (c.checksText) {
      TextArea area;
      for (std::size_t i = 0; i + 1 < r.lines.size(); ++i) area.Append(r.lines[i]);
      std::vector<Codes> lines;
      for (const Line& l : area.lines()) lines.push_back(l.Codes());
      EXPECT_EQ(lines, c.text);
    }
    EXPECT_EQ(EncodeUtf8(ToUnicode(typist.line())), EncodeUtf8(ToUnicode(r.lines.back())));
    ++compared;
  }
  EXPECT_GT(compared, 80);
}

// Backspace types again the letter that was typed, not the letter its glyph
// reads back as: letters that share a glyph survive it.
TEST(ToUnicode, LettersThatShareAGlyphSurviveBackspace) {
  const struct {
    const char* typed;
    int backspaces;
    const char* left;
  } cases[] = {
      {"\u0628\u0627\u0628", 1, "\u0628\u0627"},  // alif
      {"\u0628\u0671\u0628", 1, "\u0628\u0671"},  // alif wasla
      {"\u0644\u0671 ", 1, "\u0644\u0671"},       // lam-alif ligature split
      {"\u0644\u0627 ", 1, "\u0644\u0627"},       //
      {"\u0628\u0650\u0628", 1, "\u0628\u0650"},  // kasra
      {"\u0628\u064e\u0628", 1, "\u0628\u064e"},  // fatha
      {"\u0628\u064e\u0628\u0650\u0628", 1, "\u0628\u064e\u0628\u0650"},
      {"\u0628\u064e\u0628\u0650\u0628", 2, "\u0628\u064e\u0628"},
      {"\u0628\u064e\u0628\u0650\u0628", 3, "\u0628\u064e"},
      {"\u0628\u060c\u0628", 1, "\u0628\u060c"},   // Arabic comma
      {"\u0628,\u0628", 1, "\u0628,"},             // low comma
      {"\u0628\u060c,\u0628", 2, "\u0628\u060c"},  //
      {"\u0628\u0670\u0628", 1, "\u0628\u0670"},   // superscript alef
      {"\u0628\u0628", 2, ""},                     // the padding space is not text
      {" \u0628\u0628", 2, " "},                   // a typed space is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    UnicodeLines r = FromUnicode(U32(c.typed));
    ASSERT_EQ(r.leftOut, 0U);
    for (int i = 0; i < c.backspaces; ++i) Backspace(r.lines[0]);
    EXPECT_EQ(EncodeUtf8(ToUnicode(r.lines[0])), c.left);
  }
}

TEST(FromUnicode, SplitsLinesAtEveryKindOfLineBreak) {
  const UnicodeLines r = FromUnicode(U"\u0628\r\n\u062A\r1\n\n2\u20283\u20294\u00855\r");
  std::vector<std::u32string> lines;
  for (const Line& l : r.lines) lines.push_back(ToUnicode(l));
  EXPECT_EQ(lines, (std::vector<std::u32string>{U"\u0628", U"\u062A", U"\u0661", U"", U"\u0662",
                                                U"\u0663", U"\u0664", U"\u0665", U""}));
  EXPECT_EQ(r.leftOut, 0U);
  EXPECT_EQ(FromUnicode(U"").lines.size(), 1U);
  EXPECT_EQ(FromUnicode(U"\n").lines.size(), 2U);

  TextArea area;
  for (const Line& l : FromUnicode(U"\u0644\u0627 \u0628\n\n\u0661\u0662").lines) area.Append(l);
  EXPECT_EQ(ToUnicode(area), U"\u0644\u0627 \u0628\n\n\u0661\u0662");
  EXPECT_EQ(area.lines()[0].Codes(), (Codes{108, 32, 252, 32}));
}

// A paste goes on from what the line already holds, at its left end, as
// typing would: lam typed, then alif and a space pasted, make lam-alif.
TEST(FromUnicode, GoesOnFromTheLineAlreadyTyped) {
  Line start;
  AddChar(start, kLam);  // 222 32
  start.SetCursor(2);    // wherever the caret was, the paste goes in at the left end
  const UnicodeLines r = FromUnicode(U"\u0627 \n\u0628", start);
  ASSERT_EQ(r.lines.size(), 2U);
  EXPECT_EQ(r.lines[0].Codes(), (Codes{32, 252, 32}));
  EXPECT_EQ(ToUnicode(r.lines[0]), U"\u0644\u0627 ");
  EXPECT_EQ(r.lines[1].Codes(), (Codes{108, 32}));
  EXPECT_EQ(r.leftOut, 0U);
}

TEST(FromUnicode, BadInputIsSkippedAndCounted) {
  const struct {
    std::u32string text;
    Codes codes;
    std::size_t leftOut, refused;
  } cases[] = {
      // Values that are no Unicode scalar values, however they got here.
      {{0xD800, U'\u0628', 0xDFFF, 0x110000, 0xFFFFFFFF}, {108, 32}, 4, 0},
      // Controls other than line breaks, a BOM, a private-use character.
      {U"\u0000\u0001\t\u001b\u007f\u0628\ufeff\ue000"s, {108, 32}, 7, 0},
      // Unassigned and non-Arabic characters.
      {U"\U000E0080\u0378A\u4e2d\u0628", {108, 32}, 4, 0},
      // A lone combining mark at the start sits on nothing, as when typed.
      {U"\u064e", {74}, 0, 0},
      {U"\u064e\u064e\u0651", {74}, 2, 2},
      // Hamza above with no letter to compose with is no letter of its own.
      {U"\u0654\u0628", {108, 32}, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(EncodeUtf8(c.text.substr(0, 2)));
    const UnicodeLines r = FromUnicode(c.text);
    ASSERT_EQ(r.lines.size(), 1U);
    EXPECT_EQ(r.lines[0].Codes(), c.codes);
    EXPECT_EQ(r.leftOut, c.leftOut);
    EXPECT_EQ(r.refused, c.refused);
  }
  std::size_t dropped = 0;
  EXPECT_EQ(Nfkc(std::u32string{0xD800, U'\ufefb', 0x110000}, &dropped), U"\u0644\u0627");
  EXPECT_EQ(dropped, 2U);
}

// Random text of letters, signs, presentation forms and characters with no
// letter: what comes back is the normalised text less exactly the characters
// counted as skipped (numbers reordered), it is stable under NFKC, and typing
// it again gives the same glyph codes with nothing skipped.
TEST(FromUnicode, RandomTextRoundTrips) {
  std::u32string alphabet;
  for (LetterIndex c = 0; c < 68; ++c) alphabet.push_back(CodePointOf(c));
  alphabet += U"\ufefb\ufef7\ufe91\ufef4\ufdf2\u0640xZ\u200f\U0001F600\u00a0\u0654\u0653";
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    std::u32string text(rng() % 30, U' ');
    for (char32_t& ch : text) ch = alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(EncodeUtf8(text));
    const UnicodeLines r = FromUnicode(text);
    ASSERT_EQ(r.lines.size(), 1U);
    const std::u32string back = ToUnicode(r.lines[0]);
    const std::u32string normal = Nfkc(text);

    ASSERT_EQ(back.size() + r.leftOut, normal.size());
    // Numbers change their order, nothing else: what comes back is the
    // normalised text less what was skipped, as a multiset.
    std::multiset<char32_t> left(normal.begin(), normal.end());
    for (const char32_t ch : back) {
      const auto it = left.find(ch);
      ASSERT_NE(it, left.end()) << "invented: " << EncodeUtf8(back);
      left.erase(it);
    }
    EXPECT_EQ(Nfkc(back), back);

    const UnicodeLines again = FromUnicode(back);
    EXPECT_EQ(again.leftOut, 0U);
    EXPECT_EQ(again.lines[0].Codes(), r.lines[0].Codes());
    EXPECT_EQ(ToUnicode(again.lines[0]), back);
  }
}

// The streaming typer against FromUnicode, which normalises and types each
// line whole. The text comes in random pieces (a CR and its LF may fall in
// two) and its lines are long enough to be typed in many chunks, full of what
// changes across neighbours: marks NFKC reorders, hamza above that composes
// with alif, presentation forms, characters with no letter between digits,
// and numbers with separators, which go in from their last digit.
TEST(UnicodeTyper, PiecesGiveTheLinesOfWholeLinesTypedAtOnce) {
  std::vector<std::u32string> tokens;
  for (LetterIndex c = 0; c < 68; c += 3) tokens.emplace_back(1, CodePointOf(c));
  for (const char32_t* t : {U"\u0627\u0654",
                            U"\u0648\u0654",
                            U"\u0651\u064e",
                            U"\u0650\u0651",
                            U"\u064e\u0650",
                            U"\ufefb",
                            U"\ufe91",
                            U"\ufdf2",
                            U"2024",
                            U"\u0663,\u0664",
                            U"\u0661.\u0665",
                            U"\u0662:",
                            U"\u060c\u0663",
                            U"x",
                            U"x\u0663",
                            U"\u0654",
                            U" ",
                            U" ",
                            U"\u0628",
                            U"\u0644\u0627"}) {
    tokens.emplace_back(t);
  }
  tokens.emplace_back(1, 0xD800);  // no scalar value: skipped
  std::mt19937 rng(20261208);
  for (int round = 0; round < 12; ++round) {
    std::u32string text;
    const std::size_t size = 50'000 + rng() % 50'000;
    while (text.size() < size) {
      const auto r = rng() % 40'000;
      text += r == 0 ? U"\n" : r == 1 ? U"\r" : r == 2 ? U"\u2028" : tokens[rng() % tokens.size()];
    }
    if (round % 2 == 0) text += U"\r\n";

    const UnicodeLines whole = FromUnicode(text);
    const std::vector<Line>& expected = whole.lines;

    std::vector<Line> lines;
    UnicodeTyper typer([&lines](Line& line) { lines.push_back(std::move(line)); });
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 5000, text.size() - i);
      typer.Type(std::u32string_view(text).substr(i, n));
      i += n;
    }
    typer.Finish();
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      ASSERT_TRUE(lines[i].Reading() == expected[i].Reading())
          << "round " << round << " line " << i;
    }
    EXPECT_EQ(typer.leftOut(), whole.leftOut);
    EXPECT_EQ(typer.refused(), whole.refused);
  }
}

std::u32string Repeat(std::u32string_view piece, std::size_t utf8Bytes) {
  std::u32string out;
  const std::size_t pieceBytes = EncodeUtf8(piece).size();
  for (std::size_t n = 0; n < utf8Bytes; n += pieceBytes) out += piece;
  return out;
}

// A 1 MB paste on one line: no length limit, nothing lost. The time is
// printed, not checked.
TEST(FromUnicode, OneMegabyteOnOneLine) {
  const std::u32string sentence =
      U"\u0628\u0650\u0633\u0652\u0645\u0650 \u0627\u0644\u0644\u0651\u0647\u0650 "
      U"\u0627\u0644\u0631\u0651\u062d\u0652\u0645\u0670\u0646\u0650\u060c "
      U"\u0644\u0627 \u0641\u064a \u00ab\u0663\u0664\u00bb (\u0643\u062a\u0627\u0628). ";
  const std::u32string text = Repeat(sentence, 1'000'000);
  ASSERT_GE(EncodeUtf8(text).size(), 1'000'000U);

  const auto start = std::chrono::steady_clock::now();
  const UnicodeLines r = FromUnicode(text);
  const auto ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  std::cout << "[ info ] " << text.size() << " characters converted in " << ms.count() << " ms\n";

  ASSERT_EQ(r.lines.size(), 1U);
  EXPECT_EQ(r.leftOut, 0U);
  const std::u32string back = ToUnicode(r.lines[0]);
  EXPECT_TRUE(back == Nfkc(text));
  // Each sentence ends in a space, so the line is the sentence's own codes
  // over and over (less the padding space that came with the first letter).
  Codes one = FromUnicode(sentence).lines[0].Codes();
  one.pop_back();
  const Codes all = r.lines[0].Codes();
  ASSERT_EQ(all.size(), one.size() * (text.size() / sentence.size()) + 1);
  for (std::size_t i = 0; i + 1 < all.size(); i += one.size()) {
    ASSERT_TRUE(std::equal(one.begin(), one.end(), all.begin() + static_cast<std::ptrdiff_t>(i)))
        << "at " << i;
  }
  EXPECT_EQ(all.back(), kSpaceCode);

  // A megabyte with no letter at all: all of it skipped, one empty line.
  const UnicodeLines junk = FromUnicode(Repeat(U"\U0001F600x\u0007", 1'000'000));
  EXPECT_TRUE(junk.lines.size() == 1 && junk.lines[0].empty());
  EXPECT_GT(junk.leftOut, 300'000U);
}

}  // namespace
}  // namespace harf
