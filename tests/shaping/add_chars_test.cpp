// AddChars against the AddChar loop it stands for: on random runs of letters
// into random lines, and on every word of the Arabic dictionary. Any
// difference in a cell, the cursor or the letters refused is a failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dictionary.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/ligature_table.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

struct Typed {
  Line line;
  std::vector<std::size_t> refused;
};

Typed ByAddChar(Line line, std::span<const LetterIndex> letters) {
  Typed t{std::move(line), {}};
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (!AddChar(t.line, letters[i])) t.refused.push_back(i);
  }
  return t;
}

// The letters in pieces of random length, as a paste types spaces and words.
Typed ByAddChars(Line line, std::span<const LetterIndex> letters, std::mt19937* chunks = nullptr) {
  Typed t{std::move(line), {}};
  std::size_t start = 0;
  while (start < letters.size()) {
    std::size_t n = letters.size() - start;
    if (chunks) n = std::min(n, std::uniform_int_distribution<std::size_t>(0, 12)(*chunks));
    std::vector<std::size_t> refused;
    const std::size_t count = AddChars(t.line, letters.subspan(start, n), &refused);
    EXPECT_EQ(count, refused.size());
    for (const std::size_t i : refused) t.refused.push_back(start + i);
    start += n;
  }
  return t;
}

std::string Show(const Line& line) {
  std::string s;
  for (std::size_t pos = 1; pos <= line.size(); ++pos) {
    const Cell& c = line.At(pos);
    s += std::to_string(c.code) + "/" + std::to_string(c.letter);
    if (c.later != kNoLetter) s += "+" + std::to_string(c.later);
    s += ' ';
  }
  return s + "cursor " + std::to_string(line.cursor());
}

void ExpectSame(const Typed& loop, const Typed& pass, const std::string& where) {
  ASSERT_EQ(loop.line, pass.line) << where << "\n  AddChar:  " << Show(loop.line)
                                  << "\n  AddChars: " << Show(pass.line);
  ASSERT_EQ(loop.refused, pass.refused) << where;
}

// A run mixing every letter index, vowel signs anywhere (after a sign, on
// alif, first of all), ligature pairs, digits, spaces, and now and then an
// index that is no letter.
std::vector<LetterIndex> RandomRun(std::mt19937& rng) {
  static constexpr LetterIndex kSigns[] = {kFatha,           kKasra,        kDamma, kFathatan,
                                           kKasratan,        kDammatan,     kSukun, kShadda,
                                           kSuperscriptAlif, kKeylessSign85};
  static constexpr LetterIndex kNoLetters[] = {-1, kLetterCount, kNoLetter, 1000, -32768};
  std::vector<LetterIndex> run;
  const int length = std::uniform_int_distribution<int>(0, 60)(rng);
  std::uniform_int_distribution<int> kind(0, 19);
  while (static_cast<int>(run.size()) < length) {
    const int k = kind(rng);
    if (k < 7) {
      run.push_back(static_cast<LetterIndex>(rng() % kLetterCount));
    } else if (k < 10) {
      run.push_back(kSigns[rng() % std::size(kSigns)]);
    } else if (k < 14) {
      // The letters of a ligature's two glyphs (alif's read as alif wasla,
      // which types the same glyphs).
      const Ligature& lig = kLigatures[rng() % kLigatures.size()];
      run.push_back(LetterOf[lig.M]);
      if (rng() % 4 == 0) run.push_back(kSigns[rng() % std::size(kSigns)]);
      run.push_back(LetterOf[lig.N]);
    } else if (k < 16) {
      run.push_back(static_cast<LetterIndex>(kDigit0 + rng() % 10));
    } else if (k < 19) {
      run.push_back(kSpaceLetter);
    } else {
      run.push_back(kNoLetters[rng() % std::size(kNoLetters)]);
    }
  }
  return run;
}

// The line the run goes into: empty, typed, typed with the cursor anywhere,
// or loaded from any glyph codes (a lone sign, ligatures, codes no letter
// owns), as a paste may go on from whatever the window's line holds.
Line RandomStart(std::mt19937& rng) {
  switch (rng() % 5) {
    case 0:
      return Line{};
    case 1:
    case 2: {
      Line line = ByAddChar(Line{}, RandomRun(rng)).line;
      if (rng() % 2) line.SetCursor(rng() % (line.size() + 1));
      return line;
    }
    default: {
      std::vector<GlyphCode> codes(rng() % 5);
      for (GlyphCode& g : codes) g = static_cast<GlyphCode>(rng());
      Line line = Line::FromCodes(codes);
      line.SetCursor(rng() % (line.size() + 1));
      return line;
    }
  }
}

const int kRuns = [] {
  const char* env = std::getenv("HARF_PROPERTY_RUNS");
  return env ? std::atoi(env) : 5000;
}();

TEST(AddChars, TypesAsTheAddCharLoopDoes) {
  std::mt19937 rng(17122026);
  for (int run = 0; run < kRuns; ++run) {
    const Line start = RandomStart(rng);
    const std::vector<LetterIndex> letters = RandomRun(rng);
    const Typed loop = ByAddChar(start, letters);
    ExpectSame(loop, ByAddChars(start, letters), "run " + std::to_string(run));
    ExpectSame(loop, ByAddChars(start, letters, &rng), "run " + std::to_string(run) + " in pieces");
  }
}

TEST(AddChars, WithoutAListOnlyCounts) {
  Line line;
  const LetterIndex letters[] = {kFatha, kAlif, kFatha, kBa, kKasra, kKasra, 86};
  EXPECT_EQ(AddChars(line, letters), 3U);  // a sign on alif, a sign on a sign, no letter
  EXPECT_EQ(line, ByAddChar(Line{}, letters).line);
  EXPECT_EQ(AddChars(line, {}), 0U);
}

// Every word of hunspell-ar, alone into an empty line and all of them as one
// line; a character with no letter goes in as kNoLetter, which both refuse.
TEST(AddChars, TypesEveryDictionaryWordAsTheAddCharLoopDoes) {
  std::ifstream in(DictionaryPath());
  if (!in) GTEST_SKIP() << NoDictionaryMessage();
  std::string raw;
  std::getline(in, raw);  // the word count
  std::vector<LetterIndex> all;
  std::size_t words = 0;
  while (std::getline(in, raw)) {
    const std::u32string text = DecodeUtf8(raw.substr(0, raw.find_first_of("/\t")), nullptr);
    std::vector<LetterIndex> word;
    for (const char32_t cp : text) word.push_back(LetterOfCodePoint(cp));
    ExpectSame(ByAddChar(Line{}, word), ByAddChars(Line{}, word), "word: " + raw);
    if (!all.empty()) all.push_back(kSpaceLetter);
    all.insert(all.end(), word.begin(), word.end());
    ++words;
  }
  EXPECT_GT(words, 100000U);
  ExpectSame(ByAddChar(Line{}, all), ByAddChars(Line{}, all), "the dictionary as one line");
}

}  // namespace
}  // namespace harf
