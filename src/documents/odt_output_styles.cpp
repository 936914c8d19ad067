// .odt: the styles converted text is written with. Automatic styles in the
// part's head, made from the styles the text had, with the new font (a font
// face declared when missing), the twins of weight, posture and size that
// draw it, and the writing mode of a paragraph that is all converted text.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "documents/odt_part.h"
#include "documents/xml_part.h"

namespace harf::documents::odt {

// The name of the font face for font, declared in this part when missing.
std::string PartConverter::FontFace(const std::string& font) {
  pugi::xml_node decls = root_.child("office:font-face-decls");
  if (!decls) decls = root_.prepend_child("office:font-face-decls");
  for (const pugi::xml_node f : decls.children("style:font-face")) {
    if (SameFont(f.attribute("svg:font-family").value(), font)) {
      return f.attribute("style:name").value();
    }
  }
  std::string name = font;
  for (int n = 1; decls.find_child_by_attribute("style:font-face", "style:name", name.c_str());
       ++n) {
    name = font + " " + std::to_string(n);
  }
  headChanged_ = true;
  Declare("style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0");
  Declare("svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
  pugi::xml_node f = decls.append_child("style:font-face");
  f.append_attribute("style:name") = name.c_str();
  f.append_attribute("svg:font-family") = font.c_str();
  f.append_attribute("style:font-pitch") = "variable";
  return name;
}

// A document that never needed a namespace has not declared it; the
// styles and font faces added here need these.
void PartConverter::Declare(const char* prefix, const char* uri) {
  const std::string attribute = std::string("xmlns:") + prefix;
  if (!root_.attribute(attribute.c_str())) root_.append_attribute(attribute.c_str()) = uri;
}

pugi::xml_node PartConverter::AutomaticStyles() {
  headChanged_ = true;
  Declare("style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0");
  Declare("fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
  pugi::xml_node styles = root_.child("office:automatic-styles");
  if (!styles) {
    pugi::xml_node after = root_.child("office:font-face-decls");
    styles = after ? root_.insert_child_after("office:automatic-styles", after)
                   : root_.prepend_child("office:automatic-styles");
  }
  return styles;
}

std::string PartConverter::NewStyleName(const char* prefix) {
  std::string name;
  do {
    name = prefix + std::to_string(++styleCounter_);
  } while (scope_.Find(name, false) || scope_.Find(name, true) || made_.count(name));
  made_.insert({name, true});
  return name;
}

// The automatic style of converted text from a span of style `source`
// (empty: text straight in its container, which it keeps inheriting).
std::string PartConverter::OutputStyle(const std::string& source,
                                       const std::vector<std::string>& spans) {
  const std::string key = source + '\n' + (source.empty() && !spans.empty() ? spans.back() : "");
  if (auto it = outputStyles_.find(key); it != outputStyles_.end()) return it->second;
  std::string name = NewStyleName("HarfT");
  pugi::xml_node style;
  if (!source.empty() && scope_.IsAutomatic(source, false)) {
    style = AutomaticStyles().append_copy(scope_.Find(source, false));
    style.attribute("style:name").set_value(name.c_str());
    style.remove_attribute("style:display-name");
  } else {
    style = AutomaticStyles().append_child("style:style");
    style.append_attribute("style:name") = name.c_str();
    style.append_attribute("style:family") = "text";
    if (!source.empty()) style.append_attribute("style:parent-style-name") = source.c_str();
  }
  pugi::xml_node props = style.child("style:text-properties");
  if (!props) props = style.append_child("style:text-properties");
  // What the text inherits, for the twins below.
  auto inherited = [&](const char* attribute) -> std::optional<std::string> {
    if (!source.empty()) return scope_.TextProperty(source, false, attribute);
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
      if (auto v = scope_.TextProperty(*it, false, attribute)) return v;
    }
    return scope_.TextProperty(paragraphStyle_, true, attribute);
  };
  for (const char* a :
       {"fo:font-family", "style:font-family-generic", "style:font-pitch", "style:font-charset",
        "style:font-family-complex", "style:font-family-generic-complex",
        "style:font-pitch-complex", "style:font-charset-complex", "style:font-family-asian",
        "style:font-family-generic-asian", "style:font-pitch-asian", "style:font-charset-asian"}) {
    props.remove_attribute(a);
  }
  const bool unicode = o_.to == Direction::ToUnicode;
  const std::string face = FontFace(unicode ? o_.unicodeFont : o_.legacyFont);
  for (const char* a : {"style:font-name", "style:font-name-complex", "style:font-name-asian"}) {
    if (!props.attribute(a)) props.append_attribute(a);
    props.attribute(a).set_value(face.c_str());
  }
  // Right-to-left text is drawn with the complex-script twins of weight,
  // posture and size; legacy glyph codes with the Western ones.
  for (auto [western, complex] : {std::pair{"fo:font-weight", "style:font-weight-complex"},
                                  {"fo:font-style", "style:font-style-complex"},
                                  {"fo:font-size", "style:font-size-complex"}}) {
    const char* from = unicode ? western : complex;
    const char* to = unicode ? complex : western;
    if (props.attribute(to) && unicode) continue;
    std::optional<std::string> v;
    if (const pugi::xml_attribute a = props.attribute(from)) v = a.value();
    if (!v) v = inherited(from);
    if (!v) continue;
    if (!props.attribute(to)) props.append_attribute(to);
    props.attribute(to).set_value(v->c_str());
  }
  outputStyles_[key] = name;
  return name;
}

// A paragraph that holds nothing but converted text gets the writing mode
// of its text.
void PartConverter::SetWritingMode(pugi::xml_node p) {
  const bool unicode = o_.to == Direction::ToUnicode;
  const std::string source = paragraphStyle_;
  const std::string key = source + (unicode ? "\nrl" : "\nlr");
  std::string name;
  if (auto it = paragraphStyles_.find(key); it != paragraphStyles_.end()) {
    name = it->second;
  } else {
    name = NewStyleName("HarfP");
    pugi::xml_node style;
    if (!source.empty() && scope_.IsAutomatic(source, true)) {
      style = AutomaticStyles().append_copy(scope_.Find(source, true));
      style.attribute("style:name").set_value(name.c_str());
      style.remove_attribute("style:display-name");
    } else {
      style = AutomaticStyles().append_child("style:style");
      style.append_attribute("style:name") = name.c_str();
      style.append_attribute("style:family") = "paragraph";
      if (!source.empty()) style.append_attribute("style:parent-style-name") = source.c_str();
    }
    pugi::xml_node props = style.child("style:paragraph-properties");
    if (!props) {
      pugi::xml_node text = style.child("style:text-properties");
      props = text ? style.insert_child_before("style:paragraph-properties", text)
                   : style.append_child("style:paragraph-properties");
    }
    if (!props.attribute("style:writing-mode")) props.append_attribute("style:writing-mode");
    props.attribute("style:writing-mode").set_value(unicode ? "rl-tb" : "lr-tb");
    if (!unicode && !props.attribute("fo:text-align")) {
      // Keep the text on the right, where the right-to-left paragraph had it.
      props.append_attribute("fo:text-align") = "end";
    }
    paragraphStyles_[key] = name;
  }
  if (!p.attribute("text:style-name")) p.append_attribute("text:style-name");
  p.attribute("text:style-name").set_value(name.c_str());
}

}  // namespace harf::documents::odt
