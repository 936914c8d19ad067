// .xlsx workbooks both ways. Legacy text is found by a cell's style font
// (styles.xml: cellXfs -> fonts) and by rich-text runs (rPr/rFont) in shared
// and inline strings; each string is one line of the document line model.
// Sheets are streamed a row at a time, twice: once to learn which shared
// strings legacy and other cells use, once to convert. Numbers, formulas,
// other cells, charts and comments are copied as they are.
#include <cstdint>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xlsx_parts.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

constexpr std::string_view kSheetType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::string_view kMainType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view kStringsType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr std::string_view kStylesType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

// SpreadsheetML by its names as written: producers make it the default
// namespace, and a part renamed to a prefix of ours would not be found by
// those names when it is converted again.
const PartLayout kRows{{"row"}, "", {}};

const PartLayout kStrings{{"si"}, "", {}};

}  // namespace

ConvertStats ConvertXlsx(const std::string& in, const std::string& out, const ConvertOptions& o) {
  const Package package(in);
  if (!package.Has("[Content_Types].xml")) Invalid("not a .xlsx workbook: no content types");
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  std::vector<std::string> sheets;
  std::string stringsPart, stylesPart;
  bool mainFound = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == kMainType || type == "application/vnd.ms-excel.sheet.macroEnabled.main+xml") {
      mainFound = true;
    } else if (type == kSheetType) {
      sheets.push_back(name);
    } else if (type == kStringsType) {
      stringsPart = name;
    } else if (type == kStylesType) {
      stylesPart = name;
    }
  }
  if (!mainFound) Invalid("not a .xlsx workbook: no workbook part");

  ConvertStats stats;
  xlsx::Styles styles(package, stylesPart, o);
  // The shared strings are streamed too: first counted, so that a cell's
  // index is checked against them, then converted.
  const bool haveStrings = !stringsPart.empty() && package.Has(stringsPart);
  xlsx::StringCounter counter;
  if (haveStrings) StreamBlocks(package, stringsPart, kStrings, counter);
  const std::size_t count = counter.count;

  // Which cells use which shared strings, before any is changed.
  std::vector<std::uint8_t> usage(count, 0);
  for (const std::string& sheet : sheets) {
    if (!package.Has(sheet)) continue;
    xlsx::SheetScanner scanner(styles, usage);
    StreamBlocks(package, sheet, kRows, scanner);
  }

  xlsx::StringConverter convert(o, stats);
  xlsx::StringsConverter strings(convert, usage, o);
  std::map<std::string, NewPart> replaced;
  if (count > 0) {
    DeflatedPart part = StreamBlocks(package, stringsPart, kStrings, strings);
    if (part.file) replaced[stringsPart].deflated = std::move(part);
  }
  const std::map<std::size_t, std::size_t>& split = strings.split();
  const std::size_t sisSize = count;

  for (const std::string& sheet : sheets) {
    if (!package.Has(sheet)) continue;
    xlsx::SheetConverter converter(styles, split, sisSize, convert, o);
    DeflatedPart part = StreamBlocks(package, sheet, kRows, converter);
    if (part.file) replaced[sheet].deflated = std::move(part);
  }
  styles.Write(replaced);
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
