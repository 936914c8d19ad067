#include "documents/html_css.h"

#include <algorithm>
#include <cstring>

#include "documents/html_markup.h"

namespace harf::documents::html {

// The first family of a CSS font-family list (or a <font face> list).
std::string FirstFamily(std::string_view list) {
  std::string first = Trim(list.substr(0, list.find(',')));
  if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') &&
      first.back() == first.front()) {
    first = first.substr(1, first.size() - 2);
  }
  return LowerAscii(Trim(first));
}

std::optional<Range> FontFamilyIn(std::string_view decls) {
  const std::string lower = LowerAscii(decls);
  std::size_t at = 0;
  while ((at = lower.find("font-family", at)) != std::string::npos) {
    std::size_t colon = at + 11;
    while (colon < lower.size() && lower[colon] == ' ') ++colon;
    if (colon < lower.size() && lower[colon] == ':' &&
        (at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ' || lower[at - 1] == '{' ||
         lower[at - 1] == '\n' || lower[at - 1] == '\t')) {
      const std::size_t end = std::min(lower.find(';', colon), lower.find('}', colon));
      return Range{colon + 1, end == std::string::npos ? lower.size() : end};
    }
    at += 11;
  }
  return std::nullopt;
}

void StyleRules::Read(std::string_view css) {
  std::string text(css);
  for (std::size_t c; (c = text.find("/*")) != std::string::npos;) {
    const std::size_t e = text.find("*/", c + 2);
    text.erase(c, e == std::string::npos ? std::string::npos : e + 2 - c);
  }
  // Pages of the years before CSS was understood everywhere hid their
  // rules from old browsers in <!-- -->; the markers are no part of a rule.
  for (const char* marker : {"<!--", "-->"}) {
    for (std::size_t m; (m = text.find(marker)) != std::string::npos;) {
      text.replace(m, std::strlen(marker), " ");
    }
  }
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    if (open == std::string::npos) break;
    const std::size_t close = text.find('}', open);
    if (close == std::string::npos) break;
    const std::string selectors = text.substr(at, open - at);
    const std::string decls = text.substr(open + 1, close - open - 1);
    at = close + 1;
    if (Trim(selectors).starts_with("@")) continue;  // @media and the like: nested, skipped
    const std::optional<Range> r = FontFamilyIn(decls);
    if (!r) continue;
    const std::string first = FirstFamily(decls.substr(r->begin, r->end - r->begin));
    std::size_t s = 0;
    while (s <= selectors.size()) {
      const std::size_t comma = selectors.find(',', s);
      const std::string one = LowerAscii(
          Trim(selectors.substr(s, comma == std::string::npos ? std::string::npos : comma - s)));
      if (!one.empty() && one.find_first_of(" >+~:[#") == std::string::npos) {
        family[one] = first;
      }
      if (comma == std::string::npos) break;
      s = comma + 1;
    }
  }
}

std::string StyleRules::Rewrite(std::string css, const std::string& legacyLower,
                                const std::string& unicodeFont) {
  std::size_t at = 0;
  while (at < css.size()) {
    const std::optional<Range> r = FontFamilyIn(std::string_view(css).substr(at));
    if (!r) break;
    const std::size_t b = at + r->begin, e = at + r->end;
    if (FirstFamily(std::string_view(css).substr(b, e - b)) == legacyLower) {
      const std::string value = " " + unicodeFont;
      css.replace(b, e - b, value);
      at = b + value.size();
    } else {
      at = e;
    }
  }
  return css;
}

// The font an element sets, strongest first: its style attribute, a class
// rule, a tag rule, a <font face>. Empty: it sets none.
std::string FamilyOf(xmlNode* e, const StyleRules& rules) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      return FirstFamily(std::string_view(*style).substr(r->begin, r->end - r->begin));
    }
  }
  const std::string tag = LowerAscii(C(e->name));
  if (const auto cls = Attr(e, "class")) {
    std::string list = LowerAscii(*cls);
    std::size_t s = 0;
    while (s < list.size()) {
      const std::size_t sp = list.find_first_of(" \t\n", s);
      const std::string one = list.substr(s, sp == std::string::npos ? std::string::npos : sp - s);
      if (!one.empty()) {
        if (auto it = rules.family.find(tag + "." + one); it != rules.family.end()) {
          return it->second;
        }
        if (auto it = rules.family.find("." + one); it != rules.family.end()) return it->second;
      }
      if (sp == std::string::npos) break;
      s = sp + 1;
    }
  }
  if (auto it = rules.family.find(tag); it != rules.family.end()) return it->second;
  if (tag == "font") {
    if (const auto face = Attr(e, "face")) return FirstFamily(*face);
  }
  return {};
}

// Every font the element sets that is the legacy font becomes the Unicode font.
void SetUnicodeFont(xmlNode* e, const std::string& legacyLower, const std::string& unicodeFont) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      if (FirstFamily(std::string_view(*style).substr(r->begin, r->end - r->begin)) ==
          legacyLower) {
        std::string s = *style;
        s.replace(r->begin, r->end - r->begin, " " + unicodeFont);
        SetAttr(e, "style", s);
      }
    }
  }
  if (IsElement(e, "font")) {
    if (const auto face = Attr(e, "face"); face && FirstFamily(*face) == legacyLower) {
      SetAttr(e, "face", unicodeFont);
    }
  }
}

// Whatever font the element sets becomes `font`.
void SetFont(xmlNode* e, const std::string& font) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      std::string s = *style;
      s.replace(r->begin, r->end - r->begin, " " + font);
      SetAttr(e, "style", s);
    }
  }
  if (IsElement(e, "font") && Attr(e, "face")) SetAttr(e, "face", font);
}

}  // namespace harf::documents::html
