// The cell formats of styles.xml: which of them set the legacy font, and the
// converted copies added for string cells in it.
#include <pugixml.hpp>
#include <string>

#include "documents/xlsx_parts.h"
#include "documents/xml_part.h"

namespace harf::documents::xlsx {

Styles::Styles(const Package& package, const std::string& part, const ConvertOptions& o)
    : part_(part), o_(o) {
  if (part.empty() || !package.Has(part)) return;
  ParsePart(doc_, package, part);
  const pugi::xml_node sheet = doc_.child("styleSheet");
  fonts_ = sheet.child("fonts");
  xfs_ = sheet.child("cellXfs");
  for (const pugi::xml_node f : fonts_.children("font")) {
    fontLegacy_.push_back(SameFont(f.child("name").attribute("val").value(), o.legacyFont));
    fontNodes_.push_back(f);
  }
  for (const pugi::xml_node x : xfs_.children("xf")) xfNodes_.push_back(x);
}

bool Styles::Legacy(std::size_t xf) const {
  if (xf >= xfNodes_.size()) return false;
  const std::size_t font = xfNodes_[xf].attribute("fontId").as_ullong(0);
  return font < fontLegacy_.size() && fontLegacy_[font];
}

std::size_t Styles::Converted(std::size_t xf) {
  if (const auto it = converted_.find(xf); it != converted_.end()) return it->second;
  const pugi::xml_node source = xfNodes_[xf];
  const std::size_t fontId = source.attribute("fontId").as_ullong(0);
  pugi::xml_node font = fonts_.append_copy(fontNodes_.at(fontId));
  // A symbol charset or a theme scheme would win over the name.
  font.remove_child("charset");
  font.remove_child("scheme");
  font.remove_child("family");
  if (!font.child("name")) font.append_child("name");
  font.child("name").remove_attribute("val");
  font.child("name").append_attribute("val") = o_.unicodeFont.c_str();
  const std::size_t newFont = fontLegacy_.size();
  fontLegacy_.push_back(false);
  fontNodes_.push_back(font);
  SetCount(fonts_, fontLegacy_.size());

  pugi::xml_node copy = xfs_.append_copy(source);
  copy.attribute("fontId").set_value(static_cast<unsigned long long>(newFont));
  if (!copy.attribute("applyFont")) copy.append_attribute("applyFont");
  copy.attribute("applyFont").set_value("1");
  pugi::xml_node align = copy.child("alignment");
  if (!align) align = copy.prepend_child("alignment");
  if (!align.attribute("readingOrder")) align.append_attribute("readingOrder");
  align.attribute("readingOrder").set_value("2");
  if (!copy.attribute("applyAlignment")) copy.append_attribute("applyAlignment");
  copy.attribute("applyAlignment").set_value("1");
  xfNodes_.push_back(copy);
  SetCount(xfs_, xfNodes_.size());
  converted_[xf] = xfNodes_.size() - 1;
  return converted_[xf];
}

void Styles::Write(std::map<std::string, NewPart>& replaced) const {
  if (!converted_.empty()) replaced[part_].bytes = SerializePart(doc_);
}

void Styles::SetCount(pugi::xml_node list, std::size_t n) {
  if (!list.attribute("count")) list.append_attribute("count");
  list.attribute("count").set_value(static_cast<unsigned long long>(n));
}

}  // namespace harf::documents::xlsx
