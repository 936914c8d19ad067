// .odt styles as a part sees them: which style a name is, and what font and
// text properties it gives through its parents.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "documents/doc_line.h"
#include "documents/odt_part.h"

namespace harf::documents::odt {

void StyleScope::Collect(pugi::xml_node holder, StyleMap& text, StyleMap& paragraph) {
  for (const pugi::xml_node s : holder.children("style:style")) {
    const std::string_view family = s.attribute("style:family").value();
    if (family == "text") text[s.attribute("style:name").value()] = s;
    if (family == "paragraph") paragraph[s.attribute("style:name").value()] = s;
  }
}

void StyleScope::CollectFonts(pugi::xml_node decls,
                              std::unordered_map<std::string, std::string>& fonts) {
  for (const pugi::xml_node f : decls.children("style:font-face")) {
    fonts[f.attribute("style:name").value()] = f.attribute("svg:font-family").value();
  }
}

pugi::xml_node StyleScope::Find(const std::string& name, bool paragraph) const {
  const StyleMap& a = paragraph ? automaticParagraph : automaticText;
  const StyleMap& c = paragraph ? commonParagraph : commonText;
  if (auto it = a.find(name); it != a.end()) return it->second;
  if (auto it = c.find(name); it != c.end()) return it->second;
  return {};
}

bool StyleScope::IsAutomatic(const std::string& name, bool paragraph) const {
  return (paragraph ? automaticParagraph : automaticText).count(name) > 0;
}

// The first value of a text property along a style's parent chain.
std::optional<std::string> StyleScope::TextProperty(std::string name, bool paragraph,
                                                    const char* attribute) const {
  for (int depth = 0; depth < kMaxStyleChain && !name.empty(); ++depth) {
    const pugi::xml_node s = Find(name, paragraph);
    if (!s) break;
    if (const pugi::xml_attribute a = s.child("style:text-properties").attribute(attribute)) {
      return std::string(a.value());
    }
    name = s.attribute("style:parent-style-name").value();
  }
  if (paragraph && defaultParagraph) {
    if (const pugi::xml_attribute a =
            defaultParagraph.child("style:text-properties").attribute(attribute)) {
      return std::string(a.value());
    }
  }
  return std::nullopt;
}

// The Western font of a style: style:font-name (a declared font face) or
// fo:font-family, whichever the nearest style in the chain gives.
std::optional<std::string> StyleScope::FontOf(std::string name, bool paragraph) const {
  auto fontOf = [&](pugi::xml_node props) -> std::optional<std::string> {
    if (const pugi::xml_attribute a = props.attribute("style:font-name")) {
      const auto it = fontFamily.find(a.value());
      return it != fontFamily.end() && !it->second.empty() ? it->second : std::string(a.value());
    }
    if (const pugi::xml_attribute a = props.attribute("fo:font-family")) return a.value();
    return std::nullopt;
  };
  for (int depth = 0; depth < kMaxStyleChain && !name.empty(); ++depth) {
    const pugi::xml_node s = Find(name, paragraph);
    if (!s) break;
    if (auto f = fontOf(s.child("style:text-properties"))) return f;
    name = s.attribute("style:parent-style-name").value();
  }
  if (paragraph && defaultParagraph) return fontOf(defaultParagraph.child("style:text-properties"));
  return std::nullopt;
}

}  // namespace harf::documents::odt
