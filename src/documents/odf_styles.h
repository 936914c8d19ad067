// The styles of an OpenDocument package's parts: what font a style sets,
// through its parents, and the styles a conversion adds to a part.
#pragma once

#include <map>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <string_view>

#include "documents/convert.h"

namespace harf::documents {

// Styles by family and name, from styles.xml and content.xml's head.
class OdfStyles {
 public:
  void Collect(pugi::xml_node root) {
    for (const char* list : {"office:styles", "office:automatic-styles"}) {
      for (const pugi::xml_node s : root.child(list).children()) {
        const std::string family = s.attribute("style:family").value();
        if (std::string_view(s.name()) == "style:style") {
          styles_[family + "/" + s.attribute("style:name").value()] = s;
        } else if (std::string_view(s.name()) == "style:default-style") {
          defaults_[family] = s;
        }
      }
    }
    for (const pugi::xml_node f : root.child("office:font-face-decls").children()) {
      faces_[f.attribute("style:name").value()] = f.attribute("svg:font-family").value();
    }
  }

  // The font a style of the family sets, through its parents; with
  // `fallback`, the family's default style's when none does.
  std::optional<std::string> FontOf(const std::string& family, std::string name,
                                    bool fallback) const {
    // Parent chains are short; the bound stops a loop of parents.
    for (int depth = 0; depth < 64 && !name.empty(); ++depth) {
      const auto it = styles_.find(family + "/" + name);
      if (it == styles_.end()) break;
      if (auto f = FontIn(it->second)) return f;
      name = it->second.attribute("style:parent-style-name").value();
    }
    if (!fallback) return std::nullopt;
    const auto d = defaults_.find(family);
    return d == defaults_.end() ? std::nullopt : FontIn(d->second);
  }

  bool IsAutomatic(pugi::xml_node root, const std::string& family, const std::string& name) const {
    const auto it = styles_.find(family + "/" + name);
    return it != styles_.end() && it->second.parent() == root.child("office:automatic-styles");
  }
  pugi::xml_node Find(const std::string& family, const std::string& name) const {
    const auto it = styles_.find(family + "/" + name);
    return it == styles_.end() ? pugi::xml_node() : it->second;
  }

 private:
  std::optional<std::string> FontIn(pugi::xml_node style) const {
    const pugi::xml_node props = style.child("style:text-properties");
    if (const pugi::xml_attribute a = props.attribute("style:font-name")) {
      const auto it = faces_.find(a.value());
      return it != faces_.end() && !it->second.empty() ? Unquote(it->second) : a.value();
    }
    if (const pugi::xml_attribute a = props.attribute("fo:font-family")) return Unquote(a.value());
    return std::nullopt;
  }
  static std::string Unquote(std::string s) {
    if (s.size() >= 2 && (s.front() == '\'' || s.front() == '"')) s = s.substr(1, s.size() - 2);
    return s;
  }

  std::map<std::string, pugi::xml_node> styles_;
  std::map<std::string, pugi::xml_node> defaults_;
  std::map<std::string, std::string> faces_;
};

// The styles a conversion adds to one part: each like a style the part has
// (a copy of an automatic style, which may be no parent, or a child of a
// named one), made once per style it is like.
class OdfStyleMaker {
 public:
  // `prefix` starts the names of the styles it makes: styles.xml's
  // automatic styles and content.xml's are named apart.
  OdfStyleMaker(const OdfStyles& styles, const ConvertOptions& o, std::string prefix)
      : styles_(styles), o_(o), prefix_(std::move(prefix)) {}
  void SetRoot(pugi::xml_node root) { root_ = root; }
  bool Changed() const { return changed_; }

  // A paragraph style like `name` that reads right to left (or, to the
  // legacy font, left to right).
  const std::string& Paragraph(const std::string& name);
  // A cell style like `name` that reads the same way.
  const std::string& Cell(const std::string& name);
  // A text style like `name` in the new font.
  const std::string& Text(const std::string& name);

 private:
  std::string UnusedName(const std::string& kind, const char* family);
  pugi::xml_node NewStyle(const std::string& name, const char* family);
  pugi::xml_node Derive(const char* family, const std::string& name, const std::string& made);
  void SetFont(pugi::xml_node props) const;

  const OdfStyles& styles_;
  const ConvertOptions& o_;
  std::string prefix_;
  pugi::xml_node root_;
  bool changed_ = false;
  std::size_t namesMade_ = 0;
  std::set<std::string> madeNames_;
  std::map<std::string, std::string> paragraph_, cell_, text_;
};

}  // namespace harf::documents
