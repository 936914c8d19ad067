#include "documents/xml_names.h"

namespace harf::documents {
namespace {

const std::string* Lookup(const std::vector<XmlBindings>& scopes, std::string_view prefix) {
  for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
    for (auto it = scope->rbegin(); it != scope->rend(); ++it) {
      if (it->first == prefix) return &it->second;
    }
  }
  return nullptr;
}

const XmlNamespace* Known(std::span<const XmlNamespace> known, std::string_view uri) {
  for (const XmlNamespace& n : known) {
    if (n.uri == uri) return &n;
  }
  return nullptr;
}

// The name with the prefix of its namespace, or empty when it stays.
std::string Renamed(std::string_view name, bool element, const std::vector<XmlBindings>& scopes,
                    std::span<const XmlNamespace> known) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos && !element) return {};  // attributes take no default
  const std::string_view prefix = colon == std::string_view::npos ? "" : name.substr(0, colon);
  if (prefix == "xml" || prefix == "xmlns" ||
      (colon == std::string_view::npos && name == "xmlns")) {
    return {};
  }
  const std::string* uri = Lookup(scopes, prefix);
  if (!uri) return {};
  const XmlNamespace* n = Known(known, *uri);
  if (!n || n->prefix == prefix) return {};
  const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
  return std::string(n->prefix) + ":" + std::string(local);
}

}  // namespace

XmlBindings BindingsOf(pugi::xml_node element) {
  XmlBindings out;
  for (const pugi::xml_attribute a : element.attributes()) {
    const std::string_view name = a.name();
    if (name == "xmlns") {
      out.emplace_back("", a.value());
    } else if (name.starts_with("xmlns:")) {
      out.emplace_back(name.substr(6), a.value());
    }
  }
  return out;
}

bool NeedsRenaming(const XmlBindings& outer, std::span<const XmlNamespace> known) {
  for (const auto& [prefix, uri] : outer) {
    const XmlNamespace* n = Known(known, uri);
    if (n && n->prefix != prefix) return true;
  }
  return false;
}

bool UseKnownPrefixes(pugi::xml_node root, const XmlBindings& outer,
                      std::span<const XmlNamespace> known) {
  std::vector<XmlBindings> scopes{outer};
  // (node, whether it pushed a scope); the second visit of a node pops it.
  std::vector<std::pair<pugi::xml_node, bool>> stack{{root, false}};
  bool renamed = false;
  while (!stack.empty()) {
    auto [node, visited] = stack.back();
    if (visited) {
      stack.pop_back();
      scopes.pop_back();
      continue;
    }
    stack.back().second = true;
    scopes.push_back(BindingsOf(node));
    for (pugi::xml_attribute a : node.attributes()) {
      const std::string name = Renamed(a.name(), false, scopes, known);
      if (!name.empty()) {
        a.set_name(name.c_str());
        renamed = true;
      }
    }
    const std::string name = Renamed(node.name(), true, scopes, known);
    if (!name.empty()) {
      node.set_name(name.c_str());
      renamed = true;
    }
    for (pugi::xml_node c = node.last_child(); c; c = c.previous_sibling()) {
      if (c.type() == pugi::node_element) stack.emplace_back(c, false);
    }
  }
  if (renamed) {
    for (std::size_t k = 0; k < known.size(); ++k) {
      const std::string attribute = "xmlns:" + std::string(known[k].prefix);
      if (!root.attribute(attribute.c_str())) {
        root.append_attribute(attribute.c_str()) = std::string(known[k].uri).c_str();
      }
    }
  }
  return renamed;
}

std::string NameInPart(std::string_view name, const XmlBindings& outer,
                       std::span<const XmlNamespace> known) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return std::string(name);
  const std::string_view prefix = name.substr(0, colon);
  for (const XmlNamespace& n : known) {
    if (n.prefix != prefix) continue;
    for (auto it = outer.rbegin(); it != outer.rend(); ++it) {
      if (it->second == n.uri) {
        return it->first.empty() ? std::string(name.substr(colon + 1))
                                 : it->first + std::string(name.substr(colon));
      }
    }
  }
  return std::string(name);
}

}  // namespace harf::documents
