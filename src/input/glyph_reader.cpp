#include "input/glyph_reader.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "input/bidi_order.h"
#include "input/pasted_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/ligature_table.h"
#include "tables/unicode_table.h"

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
  for (std::size_t c = 0; c < kGlyphCount; ++c) {
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
    const bool formOfL = IsoGlyph[LetterSlot(L)] == g || IniGlyph[LetterSlot(L)] == g ||
                         MedGlyph[LetterSlot(L)] == g || FinGlyph[LetterSlot(L)] == g;
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
  const FormClass K = FormOf[IsoGlyph[LetterSlot(L)]];
  return L != kSpaceLetter && K != kSign && K != kSingle;
}

// Whether a carrier glyph takes a vowel sign. Every sign is accepted by the
// same carriers (AddDiacritic asks only the carrier's letter), so fatha
// stands for all of them.
constexpr std::array<bool, kGlyphCount> BuildTakesSign() {
  std::array<bool, kGlyphCount> t{};
  for (std::size_t c = 0; c < kGlyphCount; ++c) {
    const LetterIndex L = LetterOf[c];
    t[c] = (L >= 0 && L < static_cast<int>(DiacClass.size())) || L == kHamza;
  }
  return t;
}

constexpr std::array<bool, kGlyphCount> kTakesSign = BuildTakesSign();

// What the Unicode writer needs of one code: its letters as UTF-8, and its
// part in a number.
struct Written {
  char utf8[7] = {};
  std::uint8_t size = 0;
  bool digit = false;
  bool separator = false;  // . , : and the Arabic comma, between two digits
  bool joins = false;      // its first letter brings the padding space
};

std::array<Written, kGlyphCount> BuildWritten() {
  std::array<Written, kGlyphCount> t{};
  for (std::size_t c = 0; c < kGlyphCount; ++c) {
    const Reading& r = kReadings[c];
    Written& w = t[c];
    if (r.first == kNoLetter) continue;
    std::u32string letters(1, CodePointOf(r.first));
    if (r.second != kNoLetter) letters.push_back(CodePointOf(r.second));
    const std::string utf8 = EncodeUtf8(letters);
    std::copy(utf8.begin(), utf8.end(), w.utf8);
    w.size = static_cast<std::uint8_t>(utf8.size());
    const char32_t cp = CodePointOf(r.first);
    w.digit = r.second == kNoLetter && IsArabicIndicDigit(cp);
    w.separator = r.second == kNoLetter && IsNumberSeparator(cp);
    w.joins = Joins(r.first);
  }
  return t;
}

const std::array<Written, kGlyphCount> kWritten = BuildWritten();

}  // namespace

std::size_t AppendUnicodeOfCodes(std::span<const GlyphCode> display, std::string& out,
                                 const std::function<void(std::string&)>& flush) {
  std::size_t leftOut = 0;
  GlyphCode carrier = kSpaceCode;
  // A number (digits, with single separators between them) is written left
  // to right, in the order it is read on screen, which is the display order:
  // it is collected in reading order and written reversed. This is the bidi
  // rule of PlainBidiOrder, done in one pass for lines of any length.
  std::string number;
  auto spill = [&] {
    if (flush && out.size() >= (std::size_t{1} << 16)) flush(out);
  };
  GlyphCode pendingSeparator = 0;  // a separator after a digit, until the next letter
  bool haveSeparator = false;
  auto flushNumber = [&] {
    for (auto it = number.rbegin(); it != number.rend(); ++it) {
      const Written& w = kWritten[static_cast<GlyphCode>(*it)];
      out.append(w.utf8, w.size);
    }
    number.clear();
    if (haveSeparator) {
      const Written& w = kWritten[pendingSeparator];
      out.append(w.utf8, w.size);
      haveSeparator = false;
    }
  };
  // The first letter, while it may still be the padding space: it is, when
  // the next letter that is no sign joins.
  bool first = true;
  bool padding = false;
  std::size_t paddingAt = 0;
  for (std::size_t i = display.size(); i-- > 0;) {
    const GlyphCode g = display[i];
    const Reading& r = kReadings[g];
    if (r.first == kNoLetter || (r.sign && !kTakesSign[carrier])) {
      ++leftOut;
      continue;
    }
    carrier = r.carrier;
    const Written& w = kWritten[g];
    if (first) {
      first = false;
      if (g == kSpaceCode) {
        padding = true;
        paddingAt = out.size();
      }
    } else if (padding && !r.sign) {
      if (w.joins) out.erase(paddingAt, 1);
      padding = false;
    }
    if (w.digit) {
      if (haveSeparator) {
        number.push_back(static_cast<char>(pendingSeparator));
        haveSeparator = false;
      }
      number.push_back(static_cast<char>(g));
      continue;
    }
    if (w.separator && !number.empty() && !haveSeparator) {
      pendingSeparator = g;
      haveSeparator = true;
      continue;
    }
    if (!number.empty()) flushNumber();
    out.append(w.utf8, w.size);
    // The padding space may still be taken back: it stays in `out`.
    if (!padding) spill();
  }
  flushNumber();
  return leftOut;
}

ReadLetters ReadGlyphCodes(std::span<const GlyphCode> display) {
  ReadLetters out;
  out.letters.reserve(display.size());
  out.source.reserve(display.size());
  // The glyph the next sign would sit on; a line starts on a virtual space.
  GlyphCode carrier = kSpaceCode;
  for (std::size_t i = display.size(); i-- > 0;) {
    const Reading& r = kReadings[display[i]];
    if (r.first == kNoLetter || (r.sign && AddDiacritic(r.first, carrier) == 0)) {
      ++out.leftOut;
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

std::size_t TypeGlyphCodes(std::span<const GlyphCode> display, Line& line) {
  std::size_t leftOut = 0;
  line.Reserve(line.size() + display.size() + 1);
  for (std::size_t i = display.size(); i-- > 0;) {
    const Reading& r = kReadings[display[i]];
    // A sign the letter before it refuses is refused by AddChar the same way.
    if (r.first == kNoLetter || !AddChar(line, r.first)) {
      ++leftOut;
      continue;
    }
    if (r.second != kNoLetter) AddChar(line, r.second);
  }
  return leftOut;
}

Line TypeLetters(std::span<const LetterIndex> letters) {
  Line line;
  line.Reserve(letters.size() + 1);
  TypeInto(line, letters);
  return line;
}

}  // namespace harf
