#include "tables/letter_names.h"

namespace harf {

std::string_view LetterName(LetterIndex C) {
  if (!IsLetterIndex(C)) return {};
  return kLetterNames[static_cast<std::size_t>(C)];
}

}  // namespace harf
