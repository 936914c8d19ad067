#include "tables/ligature_table.h"

namespace harf {
namespace {

using PairTable = std::array<std::array<GlyphCode, kGlyphCount>, kGlyphCount>;

// Indexed [M][N]; kNoLigature where the pair forms none. 64 KiB of read-only
// data buys a lookup without a search on every insertion.
constexpr PairTable BuildPairs() {
  PairTable t{};
  for (auto& row : t) row.fill(kNoLigature);
  for (const Ligature& l : kLigatures) t[l.M][l.N] = l.code;
  return t;
}

// The index in kLigatures of the ligature each code is, or kNotLigature.
constexpr std::uint8_t kNotLigature = 0xFF;
static_assert(kLigatures.size() < kNotLigature);

constexpr std::array<std::uint8_t, kGlyphCount> BuildParts() {
  std::array<std::uint8_t, kGlyphCount> t{};
  t.fill(kNotLigature);
  for (std::size_t i = 0; i < kLigatures.size(); ++i) {
    t[kLigatures[i].code] = static_cast<std::uint8_t>(i);
  }
  return t;
}

constexpr PairTable kPairs = BuildPairs();
constexpr std::array<std::uint8_t, kGlyphCount> kParts = BuildParts();

}  // namespace

GlyphCode AddLig(GlyphCode N, GlyphCode M) {
  return kPairs[M][N];
}

const Ligature* LigatureParts(GlyphCode code) {
  const std::uint8_t i = kParts[code];
  return i == kNotLigature ? nullptr : &kLigatures[i];
}

}  // namespace harf
