#include "shaping/line.h"

#include "tables/ligature_table.h"

namespace harf {

Line Line::FromCodes(std::span<const GlyphCode> display) {
  Line line;
  line.cells_.reserve(display.size());
  for (auto it = display.rbegin(); it != display.rend(); ++it) {
    if (const Ligature* lig = LigatureParts(*it)) {
      line.cells_.push_back({*it, static_cast<std::uint8_t>(LetterOf[lig->M]),
                             static_cast<std::uint8_t>(LetterOf[lig->N])});
    } else {
      line.cells_.push_back({*it, static_cast<std::uint8_t>(LetterOf[*it]), kNoLetter});
    }
  }
  return line;
}

std::vector<GlyphCode> Line::Codes() const {
  std::vector<GlyphCode> out;
  out.reserve(cells_.size());
  for (auto it = cells_.rbegin(); it != cells_.rend(); ++it) out.push_back(it->code);
  return out;
}

void Line::Clear() {
  cells_.clear();
  cursor_ = 0;
}

}  // namespace harf
