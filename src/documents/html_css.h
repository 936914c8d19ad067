// What a web page's fonts are: font-family values, the rules of its
// <style> blocks, and the font an element sets.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace harf::documents::html {

// The first family of a CSS font-family list (or a <font face> list).
std::string FirstFamily(std::string_view list);

// Where a declaration block sets font-family: the value's range, if any.
struct Range {
  std::size_t begin = 0, end = 0;
};
std::optional<Range> FontFamilyIn(std::string_view decls);

// The rules of a page's <style> blocks that set a font family, by selector:
// a tag ("td"), a class (".ar") or both ("p.ar"); other selectors are not
// what such pages used for their fonts.
struct StyleRules {
  std::map<std::string, std::string> family;  // selector (lowercase) -> first family

  void Read(std::string_view css);
  // Replaces the legacy family in every font-family value that starts with
  // it; the classes that named the legacy font now name the Unicode one.
  static std::string Rewrite(std::string css, const std::string& legacyLower,
                             const std::string& unicodeFont);
};

// The font an element sets, strongest first: its style attribute, a class
// rule, a tag rule, a <font face>. Empty: it sets none.
std::string FamilyOf(xmlNode* e, const StyleRules& rules);
// Every font the element sets that is the legacy font becomes the Unicode font.
void SetUnicodeFont(xmlNode* e, const std::string& legacyLower, const std::string& unicodeFont);
// Whatever font the element sets becomes `font`.
void SetFont(xmlNode* e, const std::string& font);

}  // namespace harf::documents::html
