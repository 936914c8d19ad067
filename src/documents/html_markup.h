// The parts of libxml2's tree of a web page every step of its conversion
// reads: names, attributes, which elements end a line, and a walk in
// document order.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

namespace harf::documents::html {

inline const char* C(const xmlChar* s) {
  return reinterpret_cast<const char*>(s);
}
inline const xmlChar* X(const char* s) {
  return reinterpret_cast<const xmlChar*>(s);
}

std::string LowerAscii(std::string_view s);
std::string Trim(std::string_view s);
std::optional<std::string> Attr(xmlNode* n, const char* name);
void SetAttr(xmlNode* e, const char* name, const std::string& value);

bool IsElement(const xmlNode* n, const char* name);
// Elements a browser lays out as blocks: a line of text ends at them.
bool IsBlock(const xmlNode* n);
// Text that is no part of the page's body, or that may hold no markup.
bool IsSkipped(const xmlNode* n);

// Calls visit(node, entering) for every node under root in document order,
// without recursion; visit returns false on entering to skip the children.
template <typename Visit>
void Walk(xmlNode* root, Visit visit) {
  xmlNode* n = root->children;
  while (n) {
    if (visit(n, true) && n->children) {
      n = n->children;
      continue;
    }
    while (n) {
      visit(n, false);
      if (n->next) {
        n = n->next;
        break;
      }
      n = n->parent;
      if (n == root) n = nullptr;
    }
  }
}

}  // namespace harf::documents::html
