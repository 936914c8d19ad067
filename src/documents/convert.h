// Converting whole documents between the legacy font and Unicode Arabic. Each
// function reads `in` and writes the converted document to `out` (an existing
// file, truncated), or throws DocumentError and leaves `out` to the caller.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "documents/legacy_text.h"
#include "input/glyph_encoding.h"

namespace harf::documents {

enum class Direction { ToUnicode, ToLegacy };

struct ConvertOptions {
  Direction to = Direction::ToUnicode;
  std::string legacy_font = "VarnelNormal";
  std::string unicode_font = "Amiri";
  // Reading: none means per run (or per line) from the characters found.
  // Writing: none means Windows-1252.
  std::optional<GlyphEncoding> encoding;
  std::size_t line_glyphs = 45;
  // .csv/.tsv: the columns to convert, header names or 1-based numbers.
  std::vector<std::string> columns;
};

struct ConvertStats {
  std::size_t runs = 0;      // runs (fields, lines) converted
  std::size_t left_out = 0;  // characters that could not be converted
};

ConvertStats ConvertDocx(const std::string& in, const std::string& out, const ConvertOptions&);
ConvertStats ConvertOdt(const std::string& in, const std::string& out, const ConvertOptions&);
ConvertStats ConvertText(const std::string& in, const std::string& out, const ConvertOptions&);
ConvertStats ConvertTable(const std::string& in, const std::string& out, char separator,
                          const ConvertOptions&);

// The encoding written when converting to the legacy font.
inline GlyphEncoding WritingEncoding(const ConvertOptions& o) {
  return o.encoding.value_or(GlyphEncoding::Windows1252);
}

}  // namespace harf::documents
