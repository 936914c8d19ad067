#pragma once

// What joining asks about a glyph code, worked out at compile time for all 256
// codes, and the join of two glyphs (MakeLink) on those facts. Shared by the
// engine's own road and the one-pass run of letters at the left end; nothing
// outside src/shaping includes this.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "shaping/engine.h"
#include "tables/ligature_table.h"

namespace harf {

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
  const std::size_t L = LetterSlot(LetterOf[C]);
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

inline constexpr std::array<GlyphFacts, kGlyphCount> kFacts = BuildFacts();

// The sign placed again for its carrier's new form. A carrier that would refuse
// the sign (possible only when the cursor put it there) keeps it unchanged:
// a sign is never dropped once it is in the line.
constexpr std::optional<GlyphCode> Replace(std::optional<GlyphCode> TX, GlyphCode carrier) {
  if (!TX) return TX;
  const int g = AddDiacritic(LetterOf[*TX], carrier);
  return g > 0 ? std::optional<GlyphCode>(static_cast<GlyphCode>(g)) : TX;
}

// MakeLink, inlined into the engine's own calls.
constexpr Link Join(GlyphCode LC, GlyphCode C, std::optional<GlyphCode> TX) {
  const GlyphFacts& placed = kFacts[C];
  const GlyphFacts& before = kFacts[LC];
  if (before.reach == Reach::Never || !placed.joinsBack) return {placed.free, TX, LC};
  if (before.reach == Reach::Already) return {placed.joined, TX, LC};
  return {placed.joined, Replace(TX, before.reaching), before.reaching};
}

}  // namespace harf
