// A workbook's sheets, a row at a time: which shared strings legacy and other
// cells use, then the string cells converted.
#include <pugixml.hpp>
#include <string_view>

#include "documents/xlsx_parts.h"

namespace harf::documents::xlsx {
namespace {

std::size_t SharedIndex(pugi::xml_node c, std::size_t count) {
  const std::string_view v = c.child_value("v");
  std::size_t index = 0;
  for (const char ch : v) {
    if (ch < '0' || ch > '9' || index > count) Invalid("a cell's shared string index is not valid");
    index = index * 10 + static_cast<std::size_t>(ch - '0');
  }
  if (v.empty() || index >= count) Invalid("a cell names a shared string that is not there");
  return index;
}

}  // namespace

bool SheetScanner::ConvertBlock(pugi::xml_node row) {
  for (const pugi::xml_node c : row.children("c")) {
    if (std::string_view(c.attribute("t").value()) != "s") continue;
    const std::size_t index = SharedIndex(c, usage_.size());
    usage_[index] |= styles_.Legacy(c.attribute("s").as_ullong(0)) ? kByLegacy : kByOther;
  }
  return false;
}

bool SheetConverter::ConvertBlock(pugi::xml_node row) {
  bool changed = false;
  for (pugi::xml_node c : row.children("c")) {
    const std::string_view type = c.attribute("t").value();
    const std::size_t xf = c.attribute("s").as_ullong(0);
    const bool legacy = styles_.Legacy(xf);
    if (type == "s") {
      const std::size_t index = SharedIndex(c, strings_);
      if (o_.to != Direction::ToUnicode || !legacy) continue;
      if (const auto it = split_.find(index); it != split_.end()) {
        c.child("v").text().set(static_cast<unsigned long long>(it->second));
      }
    } else if (type == "inlineStr") {
      const bool converted = convert_.Convert(c.child("is"), legacy);
      changed = changed || converted;
      if (o_.to != Direction::ToUnicode || !legacy) continue;
    } else {
      continue;  // numbers, dates, booleans, errors and formulas stay
    }
    c.attribute("s").set_value(static_cast<unsigned long long>(styles_.Converted(xf)));
    changed = true;
  }
  return changed;
}

}  // namespace harf::documents::xlsx
