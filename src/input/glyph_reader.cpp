#include "input/glyph_reader.h"

#include <array>

#include "shaping/engine.h"
#include "tables/ligature_table.h"

namespace harf {
namespace {

// What one glyph code reads as: up to two letters (a ligature's earlier and
// later letter), whether it is a sign, and the glyph a following sign would
// sit on (a ligature's later letter).
struct Reading {
  LetterIndex first = kNoLetter;
  LetterIndex second = kNoLetter;
  GlyphCode carrier = 0;
  bool sign = false;
};

// The letter a code reads as where letters share it: LetterOf gives the
// highest letter index, which for 97/98 is alif wasla and for 74 a sign no
// key types; alif and fatha are what a reader expects.
constexpr LetterIndex CommonLetter(GlyphCode g) {
  if (g == IsoGlyph[kAlif] || g == FinGlyph[kAlif]) return kAlif;
  if (g == IsoGlyph[kFatha]) return kFatha;
  return LetterOf[g];
}

constexpr std::array<Reading, kGlyphCount> BuildReadings() {
  std::array<Reading, kGlyphCount> t{};
  for (int c = 0; c < kGlyphCount; ++c) {
    const auto g = static_cast<GlyphCode>(c);
    Reading& r = t[c];
    r.carrier = g;
    bool ligature = false;
    for (const Ligature& lig : kLigatures) {
      if (lig.code == g) {
        r.first = CommonLetter(lig.M);
        r.second = CommonLetter(lig.N);
        r.carrier = lig.N;
        ligature = true;
      }
    }
    if (ligature) continue;
    const LetterIndex L = CommonLetter(g);
    // A code no letter uses reads back as the space (or, for 0, as a letter
    // with no glyph at all).
    const bool formOfL =
        IsoGlyph[L] == g || IniGlyph[L] == g || MedGlyph[L] == g || FinGlyph[L] == g;
    if (g == NoGlyph || (g != kSpaceCode && (L == kSpaceLetter || !formOfL))) continue;
    r.first = L;
    r.sign = IsSignLetter(L);
  }
  return t;
}

constexpr std::array<Reading, kGlyphCount> kReadings = BuildReadings();

// Letters that go through the joining step and so bring the padding space
// when nothing stands before them.
bool Joins(LetterIndex L) {
  const FormClass K = FormOf[IsoGlyph[L]];
  return L != kSpaceLetter && K != kSign && K != kSingle;
}

}  // namespace

ReadLetters ReadGlyphCodes(std::span<const GlyphCode> display) {
  ReadLetters out;
  out.letters.reserve(display.size());
  out.source.reserve(display.size());
  // The glyph the next sign would sit on; a line starts on a virtual space.
  GlyphCode carrier = kSpaceCode;
  for (std::size_t i = display.size(); i-- > 0;) {
    const Reading& r = kReadings[display[i]];
    if (r.first == kNoLetter || (r.sign && AddDiacritic(r.first, carrier) == 0)) {
      ++out.skipped;
      continue;
    }
    out.letters.push_back(r.first);
    out.source.push_back(i);
    if (r.second != kNoLetter) {
      out.letters.push_back(r.second);
      out.source.push_back(i);
    }
    carrier = r.carrier;
  }
  // A leading space before a joining letter (signs between them aside) is the
  // padding the engine adds with that letter: typing the letter brings it back.
  if (!out.letters.empty() && out.letters[0] == kSpaceLetter) {
    std::size_t k = 1;
    while (k < out.letters.size() && IsSignLetter(out.letters[k])) ++k;
    if (k < out.letters.size() && Joins(out.letters[k])) {
      out.letters.erase(out.letters.begin());
      out.source.erase(out.source.begin());
    }
  }
  return out;
}

Line TypeLetters(std::span<const LetterIndex> letters) {
  Line line;
  line.Reserve(letters.size() + 1);
  for (const LetterIndex L : letters) AddChar(line, L);
  return line;
}

}  // namespace harf
