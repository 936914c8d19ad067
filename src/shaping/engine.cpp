#include "shaping/engine.h"

#include <array>

#include "tables/ligature_table.h"

namespace harf {
namespace {

constexpr Cell kPadding{kSpaceCode, kNoLetter, kNoLetter};

// A letter index as a table subscript. Every caller has checked the index, or
// read it from a table that holds only indexes 0..85.
constexpr std::size_t Slot(LetterIndex L) {
  return static_cast<std::size_t>(L);
}

// A code that no letter owns: a ligature, or a code the font does not use.
constexpr bool Unowned(GlyphCode g) {
  return LetterOf[g] == kSpaceLetter && g != kSpaceCode;
}

enum class Reach : std::uint8_t { Never, Already, CanBecome };

// The index of the ligature with glyph `code` in kLigatures, or -1. An index,
// not a pointer: GCC's UndefinedBehaviorSanitizer cannot compare pointers in
// a constant expression.
constexpr int PartsOf(GlyphCode code) {
  for (std::size_t i = 0; i < kLigatures.size(); ++i) {
    if (kLigatures[i].code == code) return static_cast<int>(i);
  }
  return -1;
}

// Everything joining asks about one glyph code, worked out at compile time for
// all 256 codes: typing looks a glyph up here instead of walking the glyph,
// form and ligature tables on every keystroke.
struct GlyphFacts {
  // The two forms in which the glyph can be placed: free (not joined to the
  // glyph before it) and joined. A glyph that already reaches forward to its
  // own successor keeps doing so (initial or medial); one that does not is
  // placed isolated or final. Signs, ligatures and unused codes have no forms
  // and stay as they are.
  GlyphCode free = 0;
  GlyphCode joined = 0;
  // Whether the glyph, as the predecessor of the glyph being placed, is drawn
  // joined to its successor. A ligature reaches forward when its later letter
  // is in its medial form; it is never re-formed itself.
  Reach reach = Reach::Never;
  // The form it takes when made to reach forward (initial for isolated,
  // medial for final).
  GlyphCode reaching = 0;
  // Whether the glyph connects to a predecessor that reaches forward. Digits,
  // punctuation and signs never do; a ligature does when its earlier letter
  // is in its medial form.
  bool joinsBack = false;
  bool sign = false;  // a vowel sign
};

constexpr GlyphFacts FactsOf(GlyphCode C) {
  GlyphFacts f;
  f.sign = IsSignGlyph(C);
  const std::size_t L = Slot(LetterOf[C]);
  if (const int i = PartsOf(C); i >= 0) {
    const Ligature& lig = kLigatures[static_cast<std::size_t>(i)];
    f.free = f.joined = C;
    f.reach = FormOf[lig.N] == kMedial ? Reach::Already : Reach::Never;
    f.joinsBack = FormOf[lig.M] == kMedial;
    return f;
  }
  if (Unowned(C)) {
    f.free = f.joined = C;
    return f;
  }
  switch (FormOf[C]) {
    case kInitial:
    case kMedial:
      f.free = IniGlyph[L];
      f.joined = MedGlyph[L];
      f.reach = Reach::Already;
      break;
    case kSingle:
      f.free = f.joined = IsoGlyph[L];
      break;
    case kSign:
      f.free = f.joined = C;
      break;
    case kIsolated:
      f.free = IsoGlyph[L];
      f.joined = FinGlyph[L];
      f.reach = Reach::CanBecome;
      f.reaching = IniGlyph[L];
      break;
    case kFinal:
      f.free = IsoGlyph[L];
      f.joined = FinGlyph[L];
      f.reach = Reach::CanBecome;
      f.reaching = MedGlyph[L];
      break;
    default:
      f.free = IsoGlyph[L];
      f.joined = FinGlyph[L];
      break;
  }
  f.joinsBack = FormOf[C] != kSign && FormOf[C] != kSingle;
  return f;
}

constexpr std::array<GlyphFacts, kGlyphCount> BuildFacts() {
  std::array<GlyphFacts, kGlyphCount> t{};
  for (std::size_t c = 0; c < t.size(); ++c) t[c] = FactsOf(static_cast<GlyphCode>(c));
  return t;
}

constexpr std::array<GlyphFacts, kGlyphCount> kFacts = BuildFacts();

// The sign placed again for its carrier's new form. A carrier that would refuse
// the sign (possible only when the cursor put it there) keeps it unchanged:
// a sign is never dropped once it is in the line.
constexpr std::optional<GlyphCode> Replace(std::optional<GlyphCode> TX, GlyphCode carrier) {
  if (!TX) return TX;
  const int g = AddDiacritic(LetterOf[*TX], carrier);
  return g > 0 ? std::optional<GlyphCode>(static_cast<GlyphCode>(g)) : TX;
}

void Written(Line& line) {
  line.SetCursor(0);
  LigaturePass(line);
}

// Returns false when the carrier refuses the sign; the line is then untouched.
bool PlaceSign(Line& line, LetterIndex C, std::uint8_t letter) {
  auto& cells = line.Reading();
  const std::size_t q = cells.size() - line.cursor();
  const GlyphCode carrier = q > 0 ? cells[q - 1].code : kSpaceCode;
  const int g = AddDiacritic(C, carrier);
  if (g == 0) return false;
  // An accepted sign always goes to the left end, whatever the cursor.
  cells.push_back({static_cast<GlyphCode>(g), letter, kNoLetter});
  Written(line);
  return true;
}

// MakeLink, inlined into the engine's own calls.
constexpr Link Join(GlyphCode LC, GlyphCode C, std::optional<GlyphCode> TX) {
  const GlyphFacts& placed = kFacts[C];
  const GlyphFacts& before = kFacts[LC];
  if (before.reach == Reach::Never || !placed.joinsBack) return {placed.free, TX, LC};
  if (before.reach == Reach::Already) return {placed.joined, TX, LC};
  return {placed.joined, Replace(TX, before.reaching), before.reaching};
}

// Puts the letter with isolated glyph I at the cursor, joined to the glyph
// before it (with a lifted vowel sign between them) and to the glyph after it.
// The neighbours are re-formed where they stand and the new glyph goes in
// between them; at the left end, the ordinary case, that is one append.
void PlaceLetter(Line& line, GlyphCode I, std::uint8_t letter) {
  auto& cells = line.Reading();
  const std::size_t n = cells.size();
  std::size_t q = n - line.cursor();  // insertion point in reading order
  // A sign stays with the letter it sits on: a cursor between the two counts
  // as standing after the sign.
  while (q < n && kFacts[cells[q].code].sign) ++q;

  std::size_t p = q;  // cells[p - 1] is the glyph before the new letter
  const bool hasSign = p > 0 && kFacts[cells[p - 1].code].sign;
  if (hasSign) --p;
  const bool hasBefore = p > 0;
  const GlyphCode before = hasBefore ? cells[p - 1].code : kSpaceCode;
  const bool hasAfter = q < n && cells[q].code != kSpaceCode;

  const Link j = Join(before, I, hasSign ? std::optional<GlyphCode>(cells[p].code) : std::nullopt);
  if (hasBefore) cells[p - 1].code = j.before;
  if (hasSign) cells[p].code = *j.sign;
  Cell placed{j.placed, letter, kNoLetter};
  if (hasAfter) {
    const Link mid = Join(j.placed, cells[q].code, std::nullopt);
    placed.code = mid.before;
    cells[q].code = mid.placed;
  }
  // With nothing before it, the letter brings the padding space at its right.
  if (!hasBefore) {
    cells.insert(cells.begin(), kPadding);
    ++q;
  }
  if (q == cells.size()) {
    cells.push_back(placed);
  } else {
    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(q), placed);
  }
}

// Inserts letter C and records `letter` as what the new glyph stands for.
// Returns false when the letter was a sign its carrier refused.
bool Insert(Line& line, LetterIndex C, std::uint8_t letter) {
  const GlyphCode I = IsoGlyph[Slot(C)];
  const FormClass K = FormOf[I];
  if (K == kSign) return PlaceSign(line, C, letter);
  if (C == kSpaceLetter || K == kSingle) {
    // Spaces, digits and punctuation go to the left end and join nothing.
    line.Reading().push_back({I, letter, kNoLetter});
  } else {
    PlaceLetter(line, I, letter);
  }
  Written(line);
  return true;
}

// Takes the newest glyph out of the line. A ligature is split: its earlier
// letter's glyph stays, its later letter's glyph is taken.
Cell TakeNewest(Line& line) {
  auto& cells = line.Reading();
  const Cell g = cells.back();
  cells.pop_back();
  if (const Ligature* lig = LigatureParts(g.code)) {
    cells.push_back({lig->M, g.letter, kNoLetter});
    return {lig->N, g.later, kNoLetter};
  }
  return g;
}

// Types a glyph's letter again at the left end. The padding space comes back
// as padding; a glyph no letter owns, or a sign its carrier now refuses, is
// put back unchanged so that nothing is lost.
void Retype(Line& line, const Cell& g) {
  bool placed = false;
  if (g.letter == kNoLetter && g.code == kSpaceCode) {
    placed = Insert(line, kSpaceLetter, kNoLetter);
  } else if (!Unowned(g.code)) {
    const LetterIndex L = g.letter != kNoLetter ? g.letter : LetterOf[g.code];
    placed = Insert(line, L, static_cast<std::uint8_t>(L));
  }
  if (!placed) {
    line.Reading().push_back(g);
    Written(line);
  }
}

// --- A run of letters at the left end, in one pass --------------------------

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
  const GlyphCode I = IsoGlyph[Slot(L)];
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

Link MakeLink(GlyphCode LC, GlyphCode C, std::optional<GlyphCode> TX) {
  return Join(LC, C, TX);
}

int AddDiacritic(LetterIndex vv, GlyphCode LastC) {
  const LetterIndex L = LetterOf[LastC];
  DiacPlacement K;
  if (L >= 0 && L < static_cast<int>(DiacClass.size())) {
    K = DiacClass[Slot(L)];
  } else if (L == kHamza) {
    K = DiacPlacement::Standard;
  } else {
    return 0;
  }
  const bool open = FormOf[LastC] == kIsolated || FormOf[LastC] == kFinal;
  const int standard = IsoGlyph[Slot(vv)];
  const int alternate = IniGlyph[Slot(vv)];
  // Kasra and kasratan are written below the letter, every other sign above it.
  if (vv == kKasra || vv == kKasratan) {
    return K == DiacPlacement::BelowAlternateWhenOpen && open ? alternate : standard;
  }
  switch (K) {
    case DiacPlacement::AboveAlternate:
      return alternate;
    case DiacPlacement::AboveAlternateWhenJoined:
      return open ? standard : alternate;
    case DiacPlacement::Standard:
    case DiacPlacement::BelowAlternateWhenOpen:
      break;
  }
  return standard;
}

bool AddChar(Line& line, LetterIndex C) {
  if (!IsLetterIndex(C)) return false;
  return Insert(line, C, static_cast<std::uint8_t>(C));
}

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
    const Step step = kSteps[Slot(L)][newest];
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

void LigaturePass(Line& line) {
  auto& cells = line.Reading();
  const std::size_t n = cells.size();
  if (n < 3) return;
  Cell& earlier = cells[n - 3];
  const Cell& later = cells[n - 2];
  const GlyphCode lig = AddLig(later.code, earlier.code);
  if (lig == kNoLigature) return;
  earlier = {lig, earlier.letter, later.letter};
  cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(n - 2));
  line.SetCursor(0);
}

void Backspace(Line& line) {
  if (line.size() < 2) {
    line.Clear();
    return;
  }
  line.Reading().pop_back();
  line.SetCursor(0);
  const Cell g = TakeNewest(line);
  // A sign never changed its carrier, so typing the sign alone again would
  // leave the carrier joined to the letter just deleted: retype both.
  if (IsSignGlyph(g.code) && !line.empty()) Retype(line, TakeNewest(line));
  Retype(line, g);
}

}  // namespace harf
