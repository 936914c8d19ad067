// The pieces of the .xlsx converter (xlsx.cpp): the cell formats of
// styles.xml, one string's runs, the shared strings and the sheets' rows.
// Private to the converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/package.h"
#include "documents/part_stream.h"

namespace harf::documents::xlsx {

// The cell formats and fonts of styles.xml, and the converted copies added to
// them: a string cell in a legacy font gets a copy of its format in the
// Unicode font, read right to left.
class Styles {
 public:
  Styles(const Package& package, const std::string& part, const ConvertOptions& o);

  bool Legacy(std::size_t xf) const;

  // The format a converted string cell of format `xf` gets.
  std::size_t Converted(std::size_t xf);

  void Write(std::map<std::string, NewPart>& replaced) const;

 private:
  static void SetCount(pugi::xml_node list, std::size_t n);

  std::string part_;
  const ConvertOptions& o_;
  pugi::xml_document doc_;
  pugi::xml_node fonts_, xfs_;
  std::vector<bool> fontLegacy_;
  std::vector<pugi::xml_node> fontNodes_;
  std::vector<pugi::xml_node> xfNodes_;
  std::map<std::size_t, std::size_t> converted_;
};

// One string (a shared string's <si> or a cell's <is>): its runs read as one
// line and written back as plain text or rich-text runs.
class StringConverter : LineWriter {
 public:
  StringConverter(const ConvertOptions& o, ConvertStats& stats) : o_(o), stats_(stats) {}

  // Converts the string; `cellLegacy`: the cell's own font is the legacy
  // font (runs without a font of their own are in it). True when it changed.
  bool Convert(pugi::xml_node holder, bool cellLegacy);

  // Whether the string has text in the cell's own font: its reading then
  // depends on the cell.
  static bool FollowsCell(pugi::xml_node holder);

 private:
  struct RunRec {
    pugi::xml_node rpr;
  };
  struct Out {
    std::size_t run;
    bool converted;
    std::u32string text;
  };

  void SetFont(pugi::xml_node rpr) const;
  void Append(std::size_t run, bool converted, std::u32string_view text);
  void Open(std::size_t) override {}
  void Close(std::size_t) override {}
  void Text(std::size_t run, std::u32string_view text) override { Append(run, true, text); }
  void NewBreak(std::size_t run) override { Append(run, true, U"\n"); }
  void Keep(std::size_t run, std::size_t item) override { Append(run, false, items_[item]); }

  const ConvertOptions& o_;
  ConvertStats& stats_;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<std::u32string> items_;
  std::vector<Out> out_;
};

// What cells do with shared strings: bit 1, a cell in a legacy font uses it;
// bit 2, a cell in another font does.
enum : std::uint8_t { kByLegacy = 1, kByOther = 2 };

// Counts the shared strings, so that a cell's index is checked against them.
class StringCounter : public BlockConverter {
 public:
  bool ConvertBlock(pugi::xml_node) override {
    ++count;
    return false;
  }
  std::size_t count = 0;
};

// The shared strings a string at a time. A string used by cells in the legacy
// font and by other cells is split: other cells show its characters as they
// are and keep it; the legacy cells get a converted copy, added after the last
// string (the only copies held until then).
class StringsConverter : public BlockConverter {
 public:
  StringsConverter(StringConverter& convert, const std::vector<std::uint8_t>& usage,
                   const ConvertOptions& o)
      : convert_(convert), usage_(usage), o_(o) {}

  // The split strings: each one's index, and its converted copy's.
  const std::map<std::size_t, std::size_t>& split() const { return split_; }

  bool ConvertBlock(pugi::xml_node si) override;

 private:
  StringConverter& convert_;
  const std::vector<std::uint8_t>& usage_;
  const ConvertOptions& o_;
  std::size_t next_ = 0;
  std::map<std::size_t, std::size_t> split_;
  std::list<pugi::xml_document> copies_;
};

// Learns from a sheet's rows which cells use which shared strings (usage:
// kByLegacy and kByOther, one per string), before any string is changed.
class SheetScanner : public BlockConverter {
 public:
  SheetScanner(const Styles& styles, std::vector<std::uint8_t>& usage)
      : styles_(styles), usage_(usage) {}
  bool ConvertBlock(pugi::xml_node row) override;

 private:
  const Styles& styles_;
  std::vector<std::uint8_t>& usage_;
};

// Converts a sheet's rows: inline strings converted, legacy string cells
// pointed at their converted format and, when split, their string's copy.
class SheetConverter : public BlockConverter {
 public:
  SheetConverter(Styles& styles, const std::map<std::size_t, std::size_t>& split,
                 std::size_t strings, StringConverter& stringsConverter, const ConvertOptions& o)
      : styles_(styles), split_(split), strings_(strings), convert_(stringsConverter), o_(o) {}

  bool ConvertBlock(pugi::xml_node row) override;

 private:
  Styles& styles_;
  const std::map<std::size_t, std::size_t>& split_;
  std::size_t strings_;
  StringConverter& convert_;
  const ConvertOptions& o_;
};

}  // namespace harf::documents::xlsx
