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
  std::string legacyFont = "VarnelNormal";
  std::string unicodeFont = "Amiri";
  // Reading: none means per run (or per line) from the characters found.
  // Writing: none means Windows-1252.
  std::optional<GlyphEncoding> encoding;
  std::size_t lineGlyphs = 45;
  // .csv/.tsv: the columns to convert, header names or 1-based numbers.
  std::vector<std::string> columns;
  // .txt/.csv/.tsv to Unicode: legacy text as UTF-8 characters or as raw bytes.
  TextReading readAs = TextReading::Auto;
};

struct ConvertStats {
  std::size_t runs = 0;     // runs (fields, lines) converted
  std::size_t leftOut = 0;  // characters that could not be converted
  // A text file that is valid UTF-8 (not ASCII alone), so that it reads both
  // as characters and as raw bytes, differently: the reading chosen.
  std::optional<TextReading> readBothWays;
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

// A PDF's text, page by page and line by line, written as UTF-8 text: text set
// in the legacy font (by its PostScript name) read as glyph codes into Unicode
// Arabic in logical order, other text as it is, pages separated by form feeds.
// To Unicode only.
ConvertStats ConvertPdf(const std::string& in, const std::string& out, const ConvertOptions&);

// An HTML page: text set in the legacy font (<font face>, a style attribute's
// font-family, or a class or tag rule of the page's <style>) both ways. The
// page's declared encoding is read (none or Latin-1: Windows-1252, as
// browsers read it); the page is written in UTF-8 and says so.
ConvertStats ConvertHtml(const std::string& in, const std::string& out, const ConvertOptions&);

// An .xlsx workbook both ways: string cells in the legacy font (by the cell's
// style font or a rich-text run's font), sheets a row at a time.
ConvertStats ConvertXlsx(const std::string& in, const std::string& out, const ConvertOptions&);

// A .pptx presentation both ways: runs in the legacy font in slides, layouts,
// masters and notes (tables included), a paragraph at a time.
ConvertStats ConvertPptx(const std::string& in, const std::string& out, const ConvertOptions&);

// OpenDocument spreadsheets and presentations both ways: text in the legacy
// font by its spans', paragraph's and cell's or frame's styles.
ConvertStats ConvertOds(const std::string& in, const std::string& out, const ConvertOptions&);
ConvertStats ConvertOdp(const std::string& in, const std::string& out, const ConvertOptions&);

}  // namespace harf::documents
