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

// How a text file holds legacy text. Auto: UTF-8 where the whole file is
// valid UTF-8 made of the encodings' own characters, else raw bytes (one per
// glyph code); a table is UTF-8 wherever the whole file is valid UTF-8.
enum class TextReading { Auto, Bytes, Utf8 };

// The longest line (a table's record) a text file may hold, checked before
// the line is read: a line is held whole while it is converted.
inline constexpr std::size_t kMaxTextLine = 16u << 20;

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
  // .txt/.csv/.tsv to Unicode: legacy text as UTF-8 characters or as raw bytes.
  TextReading read_as = TextReading::Auto;
};

struct ConvertStats {
  std::size_t runs = 0;      // runs (fields, lines) converted
  std::size_t left_out = 0;  // characters that could not be converted
  // A text file that is valid UTF-8 (not ASCII alone), so that it reads both
  // as characters and as raw bytes, differently: the reading chosen.
  std::optional<TextReading> read_both_ways;
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
