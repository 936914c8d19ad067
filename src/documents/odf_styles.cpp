#include "documents/odf_styles.h"

namespace harf::documents {

// A style name of the family no style has yet (a converted file may be
// converted again).
std::string OdfStyleMaker::UnusedName(const std::string& kind, const char* family) {
  for (;;) {
    std::string name = prefix_ + kind + std::to_string(++namesMade_);
    if (!styles_.Find(family, name) && !madeNames_.contains(name)) {
      madeNames_.insert(name);
      return name;
    }
  }
}

// A new automatic style, named with a prefix no producer uses.
pugi::xml_node OdfStyleMaker::NewStyle(const std::string& name, const char* family) {
  pugi::xml_node automatic = root_.child("office:automatic-styles");
  if (!automatic) {
    // content.xml's go before its body, styles.xml's before its master pages.
    pugi::xml_node before = root_.child("office:body");
    if (!before) before = root_.child("office:master-styles");
    automatic = before ? root_.insert_child_before("office:automatic-styles", before)
                       : root_.append_child("office:automatic-styles");
  }
  pugi::xml_node s = automatic.append_child("style:style");
  s.append_attribute("style:name") = name.c_str();
  s.append_attribute("style:family") = family;
  changed_ = true;
  return s;
}

pugi::xml_node OdfStyleMaker::Derive(const char* family, const std::string& name,
                                     const std::string& made) {
  const pugi::xml_node source = styles_.Find(family, name);
  if (source && styles_.IsAutomatic(root_, family, name)) {
    // Automatic styles may not be parents: the copy takes its place.
    pugi::xml_node s = root_.child("office:automatic-styles").append_copy(source);
    s.attribute("style:name").set_value(made.c_str());
    changed_ = true;
    return s;
  }
  pugi::xml_node s = NewStyle(made, family);
  if (!name.empty()) s.append_attribute("style:parent-style-name") = name.c_str();
  return s;
}

const std::string& OdfStyleMaker::Paragraph(const std::string& name) {
  auto it = paragraph_.find(name);
  if (it != paragraph_.end()) return it->second;
  const std::string made = UnusedName("Dir", "paragraph");
  pugi::xml_node s = Derive("paragraph", name, made);
  pugi::xml_node props = s.child("style:paragraph-properties");
  if (!props) props = s.prepend_child("style:paragraph-properties");
  props.remove_attribute("style:writing-mode");
  props.append_attribute("style:writing-mode") = o_.to == Direction::ToUnicode ? "rl-tb" : "lr-tb";
  return paragraph_.emplace(name, made).first->second;
}

const std::string& OdfStyleMaker::Cell(const std::string& name) {
  auto it = cell_.find(name);
  if (it != cell_.end()) return it->second;
  const std::string made = UnusedName("Cell", "table-cell");
  pugi::xml_node s = Derive("table-cell", name, made);
  const char* mode = o_.to == Direction::ToUnicode ? "rl-tb" : "lr-tb";
  // Properties keep their order: table-cell, paragraph, text.
  pugi::xml_node cellProps = s.child("style:table-cell-properties");
  if (!cellProps) cellProps = s.prepend_child("style:table-cell-properties");
  cellProps.remove_attribute("style:writing-mode");
  cellProps.append_attribute("style:writing-mode") = mode;
  pugi::xml_node paraProps = s.child("style:paragraph-properties");
  if (!paraProps) paraProps = s.insert_child_after("style:paragraph-properties", cellProps);
  paraProps.remove_attribute("style:writing-mode");
  paraProps.append_attribute("style:writing-mode") = mode;
  return cell_.emplace(name, made).first->second;
}

const std::string& OdfStyleMaker::Text(const std::string& name) {
  auto it = text_.find(name);
  if (it != text_.end()) return it->second;
  const std::string made = UnusedName("Text", "text");
  pugi::xml_node s = Derive("text", name, made);
  pugi::xml_node props = s.child("style:text-properties");
  if (!props) props = s.append_child("style:text-properties");
  SetFont(props);
  return text_.emplace(name, made).first->second;
}

void OdfStyleMaker::SetFont(pugi::xml_node props) const {
  const std::string& font = o_.to == Direction::ToUnicode ? o_.unicodeFont : o_.legacyFont;
  const std::string quoted = "'" + font + "'";
  for (const char* a :
       {"style:font-name", "style:font-name-complex", "style:font-name-asian", "fo:font-family",
        "style:font-family-complex", "style:font-family-asian", "style:font-charset",
        "style:font-charset-complex", "style:font-pitch", "style:font-family-generic"}) {
    props.remove_attribute(a);
  }
  props.append_attribute("fo:font-family") = quoted.c_str();
  props.append_attribute("style:font-family-complex") = quoted.c_str();
  props.append_attribute("style:font-family-asian") = quoted.c_str();
}

}  // namespace harf::documents
