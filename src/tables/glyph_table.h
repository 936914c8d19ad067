// The display font's encoding: for every letter index the glyph code of each
// contextual form, and the reverse tables from a glyph code back to its letter
// and form class. Constant data, computed at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace harf {

using GlyphCode = std::uint8_t;
using LetterIndex = std::int16_t;
using FormClass = std::uint8_t;

inline constexpr int kLetterCount = 86;
inline constexpr int kGlyphCount = 256;
inline constexpr GlyphCode NoGlyph = 0;
inline constexpr GlyphCode kSpaceCode = 32;

// Letter indexes the engine names.
inline constexpr LetterIndex kSpaceLetter = 0;
inline constexpr LetterIndex kHamzaLetter = 55;

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

namespace detail {

struct LetterForms {
  GlyphCode iso, ini, med, fin;
};

// One row per letter index: isolated, initial, medial, final; 0 = no such form.
inline constexpr std::array<LetterForms, kLetterCount> kLetterForms = {{
    {32, 0, 0, 0},         // 0 space
    {97, 97, 98, 98},      // 1 alif
    {108, 105, 106, 107},  // 2 ba
    {112, 109, 110, 111},  // 3 ta
    {116, 113, 114, 115},  // 4 tha
    {120, 117, 118, 119},  // 5 jim
    {128, 121, 122, 124},  // 6 hha
    {132, 129, 130, 131},  // 7 kha
    {133, 133, 134, 134},  // 8 dal
    {135, 135, 136, 136},  // 9 dhal
    {137, 137, 138, 138},  // 10 ra
    {139, 139, 140, 140},  // 11 zay
    {144, 141, 142, 143},  // 12 sin
    {148, 145, 146, 147},  // 13 shin
    {152, 149, 150, 151},  // 14 sad
    {158, 153, 154, 156},  // 15 dad
    {194, 159, 159, 193},  // 16 tah (initial and medial share a glyph)
    {198, 195, 196, 197},  // 17 zah
    {202, 199, 200, 201},  // 18 ain
    {206, 203, 204, 205},  // 19 ghain
    {210, 207, 208, 209},  // 20 fa
    {214, 211, 212, 213},  // 21 qaf
    {218, 215, 216, 217},  // 22 kaf
    {222, 219, 220, 221},  // 23 lam
    {226, 223, 224, 225},  // 24 mim
    {230, 227, 228, 229},  // 25 nun
    {234, 231, 232, 233},  // 26 ha
    {235, 235, 236, 236},  // 27 waw
    {240, 237, 238, 239},  // 28 ya
    {241, 241, 242, 242},  // 29 ta marbuta
    {80, 0, 0, 0},         // 30 digit 0
    {81, 0, 0, 0},         // 31 digit 1
    {82, 0, 0, 0},         // 32 digit 2
    {83, 0, 0, 0},         // 33 digit 3
    {84, 0, 0, 0},         // 34 digit 4
    {85, 0, 0, 0},         // 35 digit 5
    {86, 0, 0, 0},         // 36 digit 6
    {87, 0, 0, 0},         // 37 digit 7
    {88, 0, 0, 0},         // 38 digit 8
    {89, 0, 0, 0},         // 39 digit 9
    {74, 74, 0, 0},        // 40 fatha
    {74, 74, 0, 0},        // 41 kasra
    {74, 74, 0, 0},        // 42 damma
    {74, 74, 0, 0},        // 43 fathatan
    {74, 74, 0, 0},        // 44 kasratan
    {74, 74, 0, 0},        // 45 dammatan
    {99, 99, 100, 100},    // 46 alif with hamza above
    {249, 249, 248, 248},  // 47 ya with hamza above
    {250, 250, 251, 251},  // 48 waw with hamza above
    {101, 101, 102, 102},  // 49 alif with madda
    {244, 244, 243, 243},  // 50 alif maqsura
    {92, 0, 0, 0},         // 51 quotation mark "(("
    {103, 103, 104, 104},  // 52 alif with hamza below
    {97, 97, 98, 98},      // 53 alif wasla (shares alif's glyphs)
    {94, 0, 0, 0},         // 54 quotation mark "))"
    {245, 0, 0, 0},        // 55 hamza
    {74, 74, 0, 0},        // 56 sukun
    {74, 74, 0, 0},        // 57 shadda
    {65, 0, 0, 0},         // 58 exclamation mark
    {95, 0, 0, 0},         // 59 Arabic question mark
    {91, 0, 0, 0},         // 60 Arabic semicolon
    {78, 0, 0, 0},         // 61 full stop
    {76, 0, 0, 0},         // 62 comma (low form)
    {90, 0, 0, 0},         // 63 colon
    {96, 96, 0, 0},        // 64 sign on the key captioned "'"
    {76, 0, 0, 0},         // 65 Arabic comma
    {72, 0, 0, 0},         // 66 left parenthesis
    {73, 0, 0, 0},         // 67 right parenthesis
    {0, 0, 0, 0},         {0, 0, 0, 0},   {0, 0, 0, 0},   {0, 0, 0, 0},  // 68..71 no glyph
    {0, 0, 0, 0},         {0, 0, 0, 0},   {0, 0, 0, 0},   {0, 0, 0, 0},  // 72..75
    {0, 0, 0, 0},         {0, 0, 0, 0},   {0, 0, 0, 0},   {0, 0, 0, 0},  // 76..79
    {74, 74, 0, 0},       {74, 74, 0, 0}, {74, 74, 0, 0},                // 80..82 signs, no key
    {74, 74, 0, 0},       {74, 74, 0, 0}, {74, 74, 0, 0},                // 83..85
}};

template <GlyphCode LetterForms::*Form>
constexpr std::array<GlyphCode, kLetterCount> Column() {
  std::array<GlyphCode, kLetterCount> out{};
  for (int i = 0; i < kLetterCount; ++i) out[i] = kLetterForms[i].*Form;
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
    const LetterForms& f = kLetterForms[i];
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

inline constexpr std::array<GlyphCode, kLetterCount> IsoGlyph =
    detail::Column<&detail::LetterForms::iso>();
inline constexpr std::array<GlyphCode, kLetterCount> IniGlyph =
    detail::Column<&detail::LetterForms::ini>();
inline constexpr std::array<GlyphCode, kLetterCount> MedGlyph =
    detail::Column<&detail::LetterForms::med>();
inline constexpr std::array<GlyphCode, kLetterCount> FinGlyph =
    detail::Column<&detail::LetterForms::fin>();

// Where a vowel sign sits on its carrier; only letters 0..29 have a class.
inline constexpr std::array<std::uint8_t, 30> DiacClass = {
    0, 1, 0, 0, 3, 2, 2, 2, 0, 1,  // 0..9
    0, 0, 2, 2, 2, 2, 3, 3, 2, 2,  // 10..19
    3, 3, 3, 3, 0, 2, 0, 0, 2, 0,  // 20..29
};

inline constexpr std::array<LetterIndex, kGlyphCount> LetterOf = detail::kReverse.letter;
inline constexpr std::array<FormClass, kGlyphCount> FormOf = detail::kReverse.form;

constexpr bool IsLetterIndex(int c) {
  return c >= 0 && c < kLetterCount;
}

// A vowel sign is a letter whose isolated glyph is an initial-only glyph.
constexpr bool IsSignLetter(LetterIndex c) {
  return FormOf[IsoGlyph[c]] == kSign;
}

// A glyph stands for a vowel sign when the letter it reads back as is a sign.
constexpr bool IsSignGlyph(GlyphCode g) {
  return IsSignLetter(LetterOf[g]);
}

}  // namespace harf
