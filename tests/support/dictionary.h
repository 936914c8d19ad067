#pragma once

#include <cstdlib>
#include <string>

namespace harf {

// The Arabic word list that the whole-dictionary tests read: hunspell-ar's, or
// the file HARF_DICTIONARY names, so a machine without the package (or a run
// pointing at a missing path) shows the tests skipping rather than failing.
inline std::string DictionaryPath() {
  const char* path = std::getenv("HARF_DICTIONARY");
  return path != nullptr && *path != '\0' ? path : "/usr/share/hunspell/ar.dic";
}

inline std::string NoDictionaryMessage() {
  return "no " + DictionaryPath() + ": install the Debian package hunspell-ar";
}

}  // namespace harf
