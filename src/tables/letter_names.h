// English names of the letters and signs, as the keys' tooltips show them.
#pragma once

#include <string_view>

#include "tables/glyph_table.h"

namespace harf {

// The name of letter C, or an empty view for an index outside 0..85.
std::string_view LetterName(LetterIndex C);

}  // namespace harf
