#include "documents/html_markup.h"

#include <set>

namespace harf::documents::html {

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::optional<std::string> Attr(xmlNode* n, const char* name) {
  xmlChar* v = xmlGetProp(n, X(name));
  if (!v) return std::nullopt;
  std::string s = C(v);
  xmlFree(v);
  return s;
}

bool IsElement(const xmlNode* n, const char* name) {
  return n && n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, X(name)) == 0;
}

bool IsBlock(const xmlNode* n) {
  static const std::set<std::string> kBlocks = {
      "html",   "body",    "p",        "div",     "h1",      "h2",         "h3",     "h4",
      "h5",     "h6",      "table",    "tr",      "td",      "th",         "ul",     "ol",
      "li",     "dl",      "dt",       "dd",      "pre",     "blockquote", "center", "form",
      "hr",     "address", "caption",  "thead",   "tbody",   "tfoot",      "title",  "head",
      "option", "select",  "textarea", "section", "article", "header",     "footer", "nav"};
  return n->type == XML_ELEMENT_NODE && kBlocks.contains(LowerAscii(C(n->name)));
}

bool IsSkipped(const xmlNode* n) {
  // Text that is no part of the page's body, or that may hold no markup.
  return IsElement(n, "script") || IsElement(n, "style") || IsElement(n, "noscript") ||
         IsElement(n, "title") || IsElement(n, "textarea") || IsElement(n, "option");
}

void SetAttr(xmlNode* e, const char* name, const std::string& value) {
  xmlSetProp(e, X(name), X(value.c_str()));
}

}  // namespace harf::documents::html
