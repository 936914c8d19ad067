// Reader for the shared typed-key cases (tests/data/typing.tsv), used by the
// core tests, the window tests and anything else that types words.
#pragma once

#include <string>
#include <vector>

#include "tables/glyph_table.h"
#include "tables/key_layout.h"

namespace harf::testing {

struct TypingCase {
  int lineNumber = 0;
  std::string source;  // the data line as written, for messages
  Layout layout = Layout::Systematic;
  std::u32string typed;  // U+0008 stands for a released Backspace key
  std::vector<GlyphCode> line;
  bool checksText = false;
  std::vector<std::vector<GlyphCode>> text;  // the text area's lines
};

// Reads every case of a data file; throws std::runtime_error on a malformed line.
std::vector<TypingCase> ReadTypingCases(const std::string& path);

// The path of the shared data file in the source tree.
std::string TypingCasesPath();

}  // namespace harf::testing
