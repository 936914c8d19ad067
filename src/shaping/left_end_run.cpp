// A run of letters typed at the left end of a line, in one pass: the road
// AddChars takes once the line holds two glyphs and the cursor is at 0, which
// is where text pasted or converted in bulk goes.

#include <array>
#include <cstdint>

#include "shaping/engine.h"
#include "shaping/glyph_facts.h"

namespace harf {
namespace {

// The ligature table by small indexes, for the pass that runs after every
// letter: a code's row as the earlier glyph of a pair and its column as the
// later one (0 where it begins or ends none), and the few hundred bytes of
// pairs between them, which stay in the cache where 256 by 256 would not.
constexpr std::size_t kPairSide = 24;

struct CompactPairs {
  std::array<std::uint8_t, kGlyphCount> row{};
  std::array<std::uint8_t, kGlyphCount> column{};
  std::array<std::array<GlyphCode, kPairSide>, kPairSide> code{};
};

constexpr CompactPairs BuildCompactPairs() {
  CompactPairs t;
  std::uint8_t rows = 0;
  std::uint8_t columns = 0;
  for (const Ligature& l : kLigatures) {
    if (t.row[l.M] == 0) t.row[l.M] = ++rows;
    if (t.column[l.N] == 0) t.column[l.N] = ++columns;
  }
  for (auto& r : t.code) r.fill(kNoLigature);
  // A table with more than kPairSide - 1 distinct glyphs on a side stops the
  // build here: the subscript leaves the array in a constant expression.
  for (const Ligature& l : kLigatures) t.code[t.row[l.M]][t.column[l.N]] = l.code;
  return t;
}

constexpr CompactPairs kCompactPairs = BuildCompactPairs();

// One letter typed at the left end of a line of at least two glyphs, on the
// cells themselves, with the ligature pass after it: what Insert does there.
// Returns false when the letter is a sign its carrier refuses.
bool TypeAtLeftEnd(Cell* c, std::size_t& n, LetterIndex L) {
  const GlyphCode I = IsoGlyph[LetterSlot(L)];
  const FormClass K = FormOf[I];
  const auto letter = static_cast<std::uint8_t>(L);
  if (K == kSign) {
    const int g = AddDiacritic(L, c[n - 1].code);
    if (g == 0) return false;
    c[n++] = {static_cast<GlyphCode>(g), letter, kNoLetter};
  } else if (L == kSpaceLetter || K == kSingle) {
    c[n++] = {I, letter, kNoLetter};
  } else {
    std::size_t p = n;  // c[p - 1] is the glyph the letter follows
    const bool hasSign = kFacts[c[p - 1].code].sign;
    if (hasSign) --p;
    const Link j =
        Join(c[p - 1].code, I, hasSign ? std::optional<GlyphCode>(c[p].code) : std::nullopt);
    c[p - 1].code = j.before;
    if (hasSign) c[p].code = *j.sign;
    c[n++] = {j.placed, letter, kNoLetter};
  }
  const GlyphCode lig = AddLig(c[n - 2].code, c[n - 3].code);
  if (lig != kNoLigature) {
    c[n - 3] = {lig, c[n - 3].letter, c[n - 2].letter};
    c[n - 2] = c[n - 1];
    --n;
  }
  return true;
}

// What a letter that is no vowel sign does to the glyph before it, when that
// glyph is no vowel sign either: the glyph it is placed as, and the glyph
// before as it then stands. Worked out for every letter and every glyph once,
// so that typing a letter is one lookup on the glyph typed just before.
struct Step {
  GlyphCode placed = kSpaceCode;
  GlyphCode before = kSpaceCode;
};

using StepTable = std::array<std::array<Step, kGlyphCount>, kLetterCount>;

constexpr StepTable BuildSteps() {
  StepTable t{};
  for (std::size_t L = 0; L < t.size(); ++L) {
    const GlyphCode I = IsoGlyph[L];
    const FormClass K = FormOf[I];
    if (K == kSign) continue;  // never looked up
    for (std::size_t b = 0; b < kGlyphCount; ++b) {
      const auto LC = static_cast<GlyphCode>(b);
      if (L == kSpaceLetter || K == kSingle) {
        t[L][b] = {I, LC};
      } else {
        const Link j = Join(LC, I, std::nullopt);
        t[L][b] = {j.placed, j.before};
      }
    }
  }
  return t;
}

constexpr StepTable kSteps = BuildSteps();

}  // namespace

std::size_t AddChars(Line& line, std::span<const LetterIndex> C,
                     std::vector<std::size_t>* refused) {
  std::size_t count = 0;
  const auto refuse = [&](std::size_t i) {
    ++count;
    if (refused) refused->push_back(i);
  };
  std::size_t i = 0;
  // Away from the left end, and until the line holds two glyphs, AddChar's
  // own road: at most a few letters.
  for (; i < C.size() && (line.cursor() != 0 || line.size() < 2); ++i) {
    if (!AddChar(line, C[i])) refuse(i);
  }
  if (i == C.size()) return count;

  // From here on the cursor stays at 0 and every letter adds at most one
  // glyph. The cells are written through a local pointer (stores of bytes
  // may alias anything, so the vector's own pointers would be read again
  // after every one), and the two newest codes are kept at hand: the next
  // letter depends on the newest alone, through one lookup in kSteps.
  auto& cells = line.Reading();
  std::size_t n = cells.size();
  cells.resize(n + (C.size() - i));
  // Whatever happens (a refused list that cannot grow), the line ends as the
  // letters typed so far left it.
  struct Trim {
    std::vector<Cell>& cells;
    const std::size_t& n;
    ~Trim() { cells.resize(n); }
  } trim{cells, n};
  Cell* const c = cells.data();
  GlyphCode newest = c[n - 1].code;
  GlyphCode second = c[n - 2].code;
  for (; i < C.size(); ++i) {
    const LetterIndex L = C[i];
    if (!IsLetterIndex(L)) [[unlikely]] {
      refuse(i);
      continue;
    }
    // A vowel sign, and a letter after one, take the road that looks
    // further back.
    if (IsSignLetter(L) || kFacts[newest].sign) [[unlikely]] {
      if (!TypeAtLeftEnd(c, n, L)) refuse(i);
      newest = c[n - 1].code;
      second = c[n - 2].code;
      continue;
    }
    const Step step = kSteps[LetterSlot(L)][newest];
    c[n - 1].code = step.before;
    c[n] = {step.placed, static_cast<std::uint8_t>(L), kNoLetter};
    // The ligature pass on the glyph before the letter and the one before
    // that. Row and column 0 hold no ligature.
    const GlyphCode lig =
        kCompactPairs.code[kCompactPairs.row[second]][kCompactPairs.column[step.before]];
    if (lig != kNoLigature) [[unlikely]] {
      c[n - 2] = {lig, c[n - 2].letter, c[n - 1].letter};
      c[n - 1] = c[n];
      second = lig;
    } else {
      ++n;
      second = step.before;
    }
    newest = step.placed;
  }
  return count;
}

}  // namespace harf
