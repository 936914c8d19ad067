#include "tables/unicode_table.h"

namespace harf {
namespace {

// Every letter code point lies in Basic Latin, Latin-1 or the Arabic block, so
// two direct tables answer every lookup.
struct ReverseTable {
  std::array<LetterIndex, 0x100> latin{};   // U+0000..U+00FF
  std::array<LetterIndex, 0x100> arabic{};  // U+0600..U+06FF
};

constexpr ReverseTable BuildReverse() {
  ReverseTable t;
  t.latin.fill(kNoLetter);
  t.arabic.fill(kNoLetter);
  auto put = [&t](char32_t cp, LetterIndex c) {
    if (cp < 0x100) {
      t.latin[cp] = c;
    } else {
      t.arabic[cp - 0x600] = c;
    }
  };
  for (LetterIndex c = 0; c < kLetterCount; ++c) {
    if (kCodePointOf[LetterSlot(c)] != kNoCodePoint) put(kCodePointOf[LetterSlot(c)], c);
  }
  for (LetterIndex d = 0; d < 10; ++d) {
    put(U'0' + static_cast<char32_t>(d), kDigit0 + d);
    put(U'\u06F0' + static_cast<char32_t>(d), kDigit0 + d);
  }
  put(U'?', kQuestionMark);
  put(U';', kSemicolon);
  put(U'\u06D4', kFullStop);
  return t;
}

constexpr ReverseTable kReverse = BuildReverse();

static_assert([] {
  for (char32_t cp : kCodePointOf) {
    if (cp >= 0x100 && (cp < 0x600 || cp > 0x6FF)) return false;
  }
  return true;
}());

}  // namespace

LetterIndex LetterOfCodePoint(char32_t cp) {
  if (cp < 0x100) return kReverse.latin[cp];
  if (cp >= 0x600 && cp <= 0x6FF) return kReverse.arabic[cp - 0x600];
  return kNoLetter;
}

}  // namespace harf
