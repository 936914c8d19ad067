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
    font_legacy_.push_back(SameFont(f.child("name").attribute("val").value(), o.legacy_font));
    font_nodes_.push_back(f);
  }
  for (const pugi::xml_node x : xfs_.children("xf")) xf_nodes_.push_back(x);
}

bool Styles::Legacy(std::size_t xf) const {
  if (xf >= xf_nodes_.size()) return false;
  const std::size_t font = xf_nodes_[xf].attribute("fontId").as_ullong(0);
  return font < font_legacy_.size() && font_legacy_[font];
}

std::size_t Styles::Converted(std::size_t xf) {
  if (const auto it = converted_.find(xf); it != converted_.end()) return it->second;
  const pugi::xml_node source = xf_nodes_[xf];
  const std::size_t font_id = source.attribute("fontId").as_ullong(0);
  pugi::xml_node font = fonts_.append_copy(font_nodes_.at(font_id));
  // A symbol charset or a theme scheme would win over the name.
  font.remove_child("charset");
  font.remove_child("scheme");
  font.remove_child("family");
  if (!font.child("name")) font.append_child("name");
  font.child("name").remove_attribute("val");
  font.child("name").append_attribute("val") = o_.unicode_font.c_str();
  const std::size_t new_font = font_legacy_.size();
  font_legacy_.push_back(false);
  font_nodes_.push_back(font);
  SetCount(fonts_, font_legacy_.size());

  pugi::xml_node copy = xfs_.append_copy(source);
  copy.attribute("fontId").set_value(static_cast<unsigned long long>(new_font));
  if (!copy.attribute("applyFont")) copy.append_attribute("applyFont");
  copy.attribute("applyFont").set_value("1");
  pugi::xml_node align = copy.child("alignment");
  if (!align) align = copy.prepend_child("alignment");
  if (!align.attribute("readingOrder")) align.append_attribute("readingOrder");
  align.attribute("readingOrder").set_value("2");
  if (!copy.attribute("applyAlignment")) copy.append_attribute("applyAlignment");
  copy.attribute("applyAlignment").set_value("1");
  xf_nodes_.push_back(copy);
  SetCount(xfs_, xf_nodes_.size());
  converted_[xf] = xf_nodes_.size() - 1;
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
