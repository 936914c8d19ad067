// The display font's encoding: for every letter index the glyph code of each
// contextual form (glyph_data.h, generated from glyphs.tsv), and the reverse
// tables from a glyph code back to its letter and form class, computed at
// compile time.
#pragma once

#include <array>
#include <cstdint>

#include "tables/glyph_data.h"

namespace harf {

// Form classes, the values of FormOf.
enum : FormClass {
  kTwoGlyph = 0,  // a glyph of a two-glyph letter, or a code no letter owns
  kIsolated = 1,
  kInitial = 2,
  kMedial = 3,
  kFinal = 4,
  kSign = 5,    // a vowel sign (a glyph of an initial-only sign)
  kSingle = 6,  // space, digit, punctuation, hamza
};

static_assert(detail::kLetterForms.size() == kLetterCount);

namespace detail {

template <GlyphCode LetterForms::*Form>
constexpr std::array<GlyphCode, kLetterCount> Column() {
  std::array<GlyphCode, kLetterCount> out{};
  for (std::size_t i = 0; i < kLetterCount; ++i) out[i] = kLetterForms[i].*Form;
  return out;
}

struct ReverseTables {
  std::array<LetterIndex, kGlyphCount> letter{};
  std::array<FormClass, kGlyphCount> form{};
};

// Walks the letters in ascending order and lets a later write to the same code
// replace an earlier one, so where letters share a glyph the higher index wins
// (97 and 98 read back as alif wasla, 74 as letter 85).
constexpr ReverseTables BuildReverse() {
  ReverseTables t;
  auto put = [&t](GlyphCode code, LetterIndex i) { t.letter[code] = i; };
  auto cls = [&t](GlyphCode code, FormClass c) { t.form[code] = c; };
  for (LetterIndex i = 0; i < kLetterCount; ++i) {
    const LetterForms& f = kLetterForms[LetterSlot(i)];
    if (f.med == NoGlyph && f.ini == NoGlyph) {
      put(f.iso, i);
      cls(f.iso, kSingle);
    } else if (f.med == NoGlyph) {
      put(f.iso, i);
      put(f.ini, i);
      cls(f.iso, kSign);
      cls(f.ini, kSign);
    } else if (f.fin == f.med) {
      put(f.fin, i);
      put(f.ini, i);
      cls(f.fin, kTwoGlyph);
      cls(f.ini, kTwoGlyph);
    } else {
      put(f.fin, i);
      put(f.med, i);
      put(f.ini, i);
      put(f.iso, i);
      cls(f.fin, kFinal);
      cls(f.med, kMedial);
      cls(f.ini, kInitial);
      cls(f.iso, kIsolated);
    }
  }
  return t;
}

inline constexpr ReverseTables kReverse = BuildReverse();

}  // namespace detail

inline constexpr std::array<GlyphCode, kLetterCount> IsoGlyph = detail::Column<&LetterForms::iso>();
inline constexpr std::array<GlyphCode, kLetterCount> IniGlyph = detail::Column<&LetterForms::ini>();
inline constexpr std::array<GlyphCode, kLetterCount> MedGlyph = detail::Column<&LetterForms::med>();
inline constexpr std::array<GlyphCode, kLetterCount> FinGlyph = detail::Column<&LetterForms::fin>();

inline constexpr std::array<LetterIndex, kGlyphCount> LetterOf = detail::kReverse.letter;
inline constexpr std::array<FormClass, kGlyphCount> FormOf = detail::kReverse.form;

constexpr bool IsLetterIndex(int c) {
  return c >= 0 && c < kLetterCount;
}

// A vowel sign is a letter whose isolated glyph is an initial-only glyph.
constexpr bool IsSignLetter(LetterIndex c) {
  return FormOf[IsoGlyph[LetterSlot(c)]] == kSign;
}

// A glyph stands for a vowel sign when the letter it reads back as is a sign.
constexpr bool IsSignGlyph(GlyphCode g) {
  return IsSignLetter(LetterOf[g]);
}

}  // namespace harf
