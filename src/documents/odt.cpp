// .odt: OpenDocument text whose spans (or paragraphs) are set in the legacy
// font, through automatic and common styles, style:font-name (a font-face
// declaration) or fo:font-family.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "documents/convert.h"
#include "documents/legacy_text.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

using StyleMap = std::unordered_map<std::string, pugi::xml_node>;

// Styles of one family by name, as a part sees them: its own automatic
// styles first, then the common styles of styles.xml.
struct StyleScope {
  StyleMap automatic_text, automatic_paragraph, common_text, common_paragraph;
  pugi::xml_node default_paragraph;
  std::unordered_map<std::string, std::string> font_family;  // font-face name -> family

  static void Collect(pugi::xml_node holder, StyleMap& text, StyleMap& paragraph) {
    for (const pugi::xml_node s : holder.children("style:style")) {
      const std::string_view family = s.attribute("style:family").value();
      if (family == "text") text[s.attribute("style:name").value()] = s;
      if (family == "paragraph") paragraph[s.attribute("style:name").value()] = s;
    }
  }

  static void CollectFonts(pugi::xml_node decls,
                           std::unordered_map<std::string, std::string>& fonts) {
    for (const pugi::xml_node f : decls.children("style:font-face")) {
      fonts[f.attribute("style:name").value()] = f.attribute("svg:font-family").value();
    }
  }

  pugi::xml_node Find(const std::string& name, bool paragraph) const {
    const StyleMap& a = paragraph ? automatic_paragraph : automatic_text;
    const StyleMap& c = paragraph ? common_paragraph : common_text;
    if (auto it = a.find(name); it != a.end()) return it->second;
    if (auto it = c.find(name); it != c.end()) return it->second;
    return {};
  }

  bool IsAutomatic(const std::string& name, bool paragraph) const {
    return (paragraph ? automatic_paragraph : automatic_text).count(name) > 0;
  }

  // The first value of a text property along a style's parent chain.
  std::optional<std::string> TextProperty(std::string name, bool paragraph,
                                          const char* attribute) const {
    for (int depth = 0; depth < 32 && !name.empty(); ++depth) {
      const pugi::xml_node s = Find(name, paragraph);
      if (!s) break;
      if (const pugi::xml_attribute a = s.child("style:text-properties").attribute(attribute)) {
        return std::string(a.value());
      }
      name = s.attribute("style:parent-style-name").value();
    }
    if (paragraph && default_paragraph) {
      if (const pugi::xml_attribute a =
              default_paragraph.child("style:text-properties").attribute(attribute)) {
        return std::string(a.value());
      }
    }
    return std::nullopt;
  }

  // The Western font of a style: style:font-name (a declared font face) or
  // fo:font-family, whichever the nearest style in the chain gives.
  std::optional<std::string> FontOf(std::string name, bool paragraph) const {
    auto font_of = [&](pugi::xml_node props) -> std::optional<std::string> {
      if (const pugi::xml_attribute a = props.attribute("style:font-name")) {
        const auto it = font_family.find(a.value());
        return it != font_family.end() && !it->second.empty() ? it->second : std::string(a.value());
      }
      if (const pugi::xml_attribute a = props.attribute("fo:font-family")) return a.value();
      return std::nullopt;
    };
    for (int depth = 0; depth < 32 && !name.empty(); ++depth) {
      const pugi::xml_node s = Find(name, paragraph);
      if (!s) break;
      if (auto f = font_of(s.child("style:text-properties"))) return f;
      name = s.attribute("style:parent-style-name").value();
    }
    if (paragraph && default_paragraph)
      return font_of(default_paragraph.child("style:text-properties"));
    return std::nullopt;
  }
};

struct Item {
  pugi::xml_node node;
  bool text = false;
  std::u32string chars;
  std::size_t group = 0;
};

// A leaf span, or one piece of text straight in its container.
struct Run {
  pugi::xml_node node;
  bool span = false;
  std::vector<Item> items;
};

struct Group {
  std::vector<std::pair<std::size_t, std::size_t>> items;
  bool keep = true;
};

// Inline elements that only hold text and more inline elements.
bool HoldsText(std::string_view name) {
  return name == "text:span" || name == "text:a" || name == "text:meta" || name == "text:ruby-base";
}

bool IsTransparent(std::string_view name) {
  return name == "text:bookmark" || name == "text:bookmark-start" || name == "text:bookmark-end" ||
         name == "text:soft-page-break" || name == "text:reference-mark" ||
         name == "text:reference-mark-start" || name == "text:reference-mark-end" ||
         name == "office:annotation-end" || name == "text:alphabetical-index-mark" ||
         name == "text:toc-mark";
}

// Whitespace in ODF text collapses to one space; text:s stands for more.
std::u32string CollapsedText(const char* utf8, std::string_view part) {
  std::u32string text = Utf32Of(utf8, part);
  std::u32string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c == U'\n' || c == U'\r' || c == U'\t') c = U' ';
    if (c == U' ' && !out.empty() && out.back() == U' ') continue;
    out.push_back(c);
  }
  return out;
}

// The body is converted a paragraph or heading at a time, after the styles
// before it, which the converted text adds to.
const PartLayout kLayout{{"text:p", "text:h"}, "office:body"};

class PartConverter : public BlockConverter {
 public:
  // common: the styles every part sees.
  PartConverter(const StyleScope& common, const ConvertOptions& o, std::string_view part,
                ConvertStats& stats)
      : scope_(common), o_(o), part_(part), stats_(stats) {}

  // The part's root: its automatic styles and font faces join the scope, and
  // the styles made for converted text go there.
  void TakeHead(pugi::xml_node root) override {
    root_ = root;
    StyleScope::Collect(root.child("office:automatic-styles"), scope_.automatic_text,
                        scope_.automatic_paragraph);
    StyleScope::CollectFonts(root.child("office:font-face-decls"), scope_.font_family);
  }

  // Converts the paragraphs and headings in block, its own included.
  bool ConvertBlock(pugi::xml_node block) override {
    changed_ = false;
    paragraphs_.clear();
    FindElements(block, kLayout.blocks, paragraphs_);
    for (const pugi::xml_node p : paragraphs_) ConvertParagraph(p);
    return changed_;
  }

  bool HeadChanged() const override { return head_changed_; }

 private:
  void ConvertParagraph(pugi::xml_node p) {
    converted_ = false;
    other_text_ = false;
    paragraph_style_ = p.attribute("text:style-name").value();
    ConvertContainer(p, {});
    if (!converted_) return;
    changed_ = true;
    if (!other_text_) SetWritingMode(p);
  }

  bool IsLegacy(const std::vector<std::string>& spans) const {
    std::optional<std::string> font;
    for (auto it = spans.rbegin(); it != spans.rend() && !font; ++it) {
      font = scope_.FontOf(*it, false);
    }
    if (!font) font = scope_.FontOf(paragraph_style_, true);
    return font && SameFont(*font, o_.legacy_font);
  }

  bool Wanted(const std::vector<std::string>& spans, const std::u32string& text) const {
    if (o_.to == Direction::ToUnicode) return IsLegacy(spans);
    return !IsLegacy(spans) && (IsArabicText(text) || IsNeutralText(text));
  }

  // The items of a span holding only text, or nothing for any other span.
  std::optional<std::vector<Item>> LeafItems(pugi::xml_node span) const {
    std::vector<Item> items;
    for (pugi::xml_node c = span.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_pcdata) {
        items.push_back({c, true, CollapsedText(c.value(), part_), 0});
      } else if (c.type() != pugi::node_element) {
        continue;
      } else if (std::string_view(c.name()) == "text:s") {
        items.push_back({c, true, std::u32string(c.attribute("text:c").as_uint(1), U' '), 0});
      } else if (std::string_view(c.name()) == "text:tab" ||
                 std::string_view(c.name()) == "text:line-break") {
        items.push_back({c, false, {}, 0});
      } else if (!IsTransparent(c.name())) {
        return std::nullopt;
      }
    }
    return items;
  }

  void ConvertContainer(pugi::xml_node container, std::vector<std::string> spans) {
    if (std::string_view(container.name()) == "text:span") {
      spans.emplace_back(container.attribute("text:style-name").value());
    }
    std::vector<Run> runs;
    std::vector<Group> groups;
    bool open = false;
    auto add_text = [&](Run& run, std::size_t i) {
      if (!open) groups.emplace_back();
      open = true;
      run.items[i].group = groups.size() - 1;
      groups.back().items.emplace_back(runs.size() - 1, i);
    };
    for (pugi::xml_node c = container.first_child(); c; c = c.next_sibling()) {
      const std::string_view name = c.type() == pugi::node_element ? c.name() : "";
      if (c.type() == pugi::node_pcdata || name == "text:s") {
        std::u32string chars = c.type() == pugi::node_pcdata
                                   ? CollapsedText(c.value(), part_)
                                   : std::u32string(c.attribute("text:c").as_uint(1), U' ');
        if (!Wanted(spans, chars)) {
          if (!IsNeutralText(chars) || o_.to == Direction::ToUnicode) other_text_ = true;
          open = false;
          continue;
        }
        runs.push_back({c, false, {{c, true, std::move(chars), 0}}});
        add_text(runs.back(), 0);
      } else if (name == "text:span") {
        std::optional<std::vector<Item>> items = LeafItems(c);
        std::vector<std::string> inner = spans;
        inner.emplace_back(c.attribute("text:style-name").value());
        std::u32string all;
        if (items) {
          for (const Item& item : *items) all += item.chars;
        }
        if (!items || all.empty() || !Wanted(inner, all)) {
          open = false;
          if (items && !all.empty()) {
            if (!IsNeutralText(all) || o_.to == Direction::ToUnicode) other_text_ = true;
          }
          if (!items) ConvertContainer(c, spans);
          continue;
        }
        runs.push_back({c, true, std::move(*items)});
        Run& run = runs.back();
        for (std::size_t i = 0; i < run.items.size(); ++i) {
          if (run.items[i].text) {
            add_text(run, i);
          } else {
            open = false;
          }
        }
      } else if (IsTransparent(name) || c.type() != pugi::node_element) {
        continue;
      } else {
        open = false;
        if (HoldsText(name)) ConvertContainer(c, spans);
      }
    }
    if (runs.empty()) return;

    const std::vector<std::vector<std::vector<Piece>>> output =
        ConvertGroups(groups, runs, o_, stats_);

    for (std::size_t r = 0; r < runs.size(); ++r) {
      Run& run = runs[r];
      bool touched = false;
      for (const Item& item : run.items)
        touched = touched || (item.text && groups[item.group].keep);
      if (!touched) continue;
      ++stats_.runs;
      converted_ = true;
      for (std::size_t i = 0; i < run.items.size(); ++i) {
        const Item& item = run.items[i];
        if (!item.text || !groups[item.group].keep) {
          pugi::xml_node copy =
              run.span ? container.insert_copy_before(run.node, run.node) : pugi::xml_node();
          if (copy) {
            copy.remove_children();
            copy.append_copy(item.node);
          } else {
            container.insert_copy_before(item.node, run.node);
          }
        } else if (groups[item.group].items.front() == std::pair{r, i}) {
          EmitGroup(runs, spans, output[item.group], container, run.node);
        }
      }
      container.remove_child(run.node);
    }
  }

  void EmitGroup(const std::vector<Run>& runs, const std::vector<std::string>& spans,
                 const std::vector<std::vector<Piece>>& lines, pugi::xml_node container,
                 pugi::xml_node before) {
    for (std::size_t l = 0; l < lines.size(); ++l) {
      if (l > 0) container.insert_child_before("text:line-break", before);
      for (const Piece& piece : lines[l]) {
        const Run& source = runs[piece.run];
        pugi::xml_node span = container.insert_child_before("text:span", before);
        span.append_attribute("text:style-name") =
            OutputStyle(source.span ? source.node.attribute("text:style-name").value() : "", spans)
                .c_str();
        AppendText(span, piece.text);
      }
    }
  }

  // Text into an element, runs of spaces as text:s so that none collapses.
  static void AppendText(pugi::xml_node e, const std::u32string& text) {
    std::u32string plain;
    std::size_t i = 0;
    auto flush = [&] {
      if (!plain.empty()) e.append_child(pugi::node_pcdata).set_value(Utf8Of(plain).c_str());
      plain.clear();
    };
    while (i < text.size()) {
      if (text[i] != U' ') {
        plain.push_back(text[i++]);
        continue;
      }
      std::size_t n = 0;
      while (i + n < text.size() && text[i + n] == U' ') ++n;
      if (n == 1 && !plain.empty()) {
        plain.push_back(U' ');
      } else {
        // A space at the start of an element, or more than one, is a text:s.
        const bool first_literal = !plain.empty();
        if (first_literal) plain.push_back(U' ');
        flush();
        pugi::xml_node s = e.append_child("text:s");
        if (n - (first_literal ? 1 : 0) > 1) {
          s.append_attribute("text:c") = static_cast<unsigned>(n - (first_literal ? 1 : 0));
        }
      }
      i += n;
    }
    flush();
  }

  // The name of the font face for font, declared in this part when missing.
  std::string FontFace(const std::string& font) {
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
    head_changed_ = true;
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
  void Declare(const char* prefix, const char* uri) {
    const std::string attribute = std::string("xmlns:") + prefix;
    if (!root_.attribute(attribute.c_str())) root_.append_attribute(attribute.c_str()) = uri;
  }

  pugi::xml_node AutomaticStyles() {
    head_changed_ = true;
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

  std::string NewStyleName(const char* prefix) {
    std::string name;
    do {
      name = prefix + std::to_string(++style_counter_);
    } while (scope_.Find(name, false) || scope_.Find(name, true) || made_.count(name));
    made_.insert({name, true});
    return name;
  }

  // The automatic style of converted text from a span of style `source`
  // (empty: text straight in its container, which it keeps inheriting).
  std::string OutputStyle(const std::string& source, const std::vector<std::string>& spans) {
    const std::string key = source + '\n' + (source.empty() && !spans.empty() ? spans.back() : "");
    if (auto it = output_styles_.find(key); it != output_styles_.end()) return it->second;
    const std::string name = NewStyleName("HarfT");
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
      return scope_.TextProperty(paragraph_style_, true, attribute);
    };
    for (const char* a :
         {"fo:font-family", "style:font-family-generic", "style:font-pitch", "style:font-charset",
          "style:font-family-complex", "style:font-family-generic-complex",
          "style:font-pitch-complex", "style:font-charset-complex", "style:font-family-asian",
          "style:font-family-generic-asian", "style:font-pitch-asian",
          "style:font-charset-asian"}) {
      props.remove_attribute(a);
    }
    const bool unicode = o_.to == Direction::ToUnicode;
    const std::string face = FontFace(unicode ? o_.unicode_font : o_.legacy_font);
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
    output_styles_[key] = name;
    return name;
  }

  // A paragraph that holds nothing but converted text gets the writing mode
  // of its text.
  void SetWritingMode(pugi::xml_node p) {
    const bool unicode = o_.to == Direction::ToUnicode;
    const std::string source = paragraph_style_;
    const std::string key = source + (unicode ? "\nrl" : "\nlr");
    std::string name;
    if (auto it = paragraph_styles_.find(key); it != paragraph_styles_.end()) {
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
      paragraph_styles_[key] = name;
    }
    if (!p.attribute("text:style-name")) p.append_attribute("text:style-name");
    p.attribute("text:style-name").set_value(name.c_str());
  }

  pugi::xml_node root_;
  StyleScope scope_;
  const ConvertOptions& o_;
  std::string part_;
  ConvertStats& stats_;
  std::string paragraph_style_;
  bool converted_ = false;
  bool other_text_ = false;
  bool changed_ = false;
  bool head_changed_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  int style_counter_ = 0;
  std::map<std::string, bool> made_;
  std::map<std::string, std::string> output_styles_;
  std::map<std::string, std::string> paragraph_styles_;
};

[[noreturn]] void Invalid(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Invalid, message);
}

}  // namespace

ConvertStats ConvertOdt(const std::string& in, const std::string& out, const ConvertOptions& o) {
  Package package(in);
  if (package.Has("[Content_Types].xml") && !package.Has("mimetype")) {
    Invalid("not an .odt document: it is an Office Open XML (.docx) file");
  }
  if (!package.Has("mimetype")) Invalid("not an .odt document: no mimetype");
  const std::string mimetype = package.Read("mimetype");
  if (!mimetype.starts_with("application/vnd.oasis.opendocument.text")) {
    Invalid("not an .odt document: its type is " + mimetype.substr(0, 80));
  }
  if (package.Has("META-INF/manifest.xml")) {
    pugi::xml_document manifest;
    ParsePart(manifest, package, "META-INF/manifest.xml");
    if (manifest.select_node("//manifest:encryption-data")) {
      Invalid("encrypted document (its parts are encrypted with a password)");
    }
  }
  if (!package.Has("content.xml")) Invalid("not an .odt document: no content.xml");

  pugi::xml_document styles;
  const bool have_styles = package.Has("styles.xml");
  if (have_styles) ParsePart(styles, package, "styles.xml");
  const pugi::xml_node styles_root = styles.document_element();

  StyleScope common;
  StyleScope::Collect(styles_root.child("office:styles"), common.common_text,
                      common.common_paragraph);
  for (const pugi::xml_node d :
       styles_root.child("office:styles").children("style:default-style")) {
    if (std::string_view(d.attribute("style:family").value()) == "paragraph") {
      common.default_paragraph = d;
    }
  }
  StyleScope::CollectFonts(styles_root.child("office:font-face-decls"), common.font_family);

  ConvertStats stats;
  std::map<std::string, NewPart> replaced;
  PartConverter content(common, o, "content.xml", stats);
  DeflatedPart part = StreamBlocks(package, "content.xml", kLayout, content);
  if (part.file) replaced["content.xml"].deflated = std::move(part);
  // Headers and footers live in the master pages of styles.xml, which is
  // small and converted whole.
  if (have_styles) {
    PartConverter converter(common, o, "styles.xml", stats);
    converter.TakeHead(styles_root);
    if (converter.ConvertBlock(styles_root)) {
      replaced["styles.xml"].bytes = SerializePart(styles, package.Size("styles.xml"));
    }
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
