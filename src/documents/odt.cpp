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
#include "documents/doc_line.h"
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
    for (int depth = 0; depth < kMaxStyleChain && !name.empty(); ++depth) {
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
    for (int depth = 0; depth < kMaxStyleChain && !name.empty(); ++depth) {
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

// Inline elements whose content is read as part of the paragraph's line.
bool HoldsText(std::string_view name) {
  return name == "text:span" || name == "text:a" || name == "text:meta";
}

CellKind MarkKind(std::string_view name) {
  if (name == "text:bookmark-start" || name == "text:reference-mark-start" ||
      name == "text:change-start") {
    return CellKind::MarkStart;
  }
  if (name == "text:bookmark-end" || name == "text:reference-mark-end" ||
      name == "text:change-end" || name == "office:annotation-end") {
    return CellKind::MarkEnd;
  }
  if (name == "text:bookmark" || name == "text:soft-page-break" || name == "text:reference-mark" ||
      name == "text:alphabetical-index-mark" || name == "text:toc-mark" || name == "text:change") {
    return CellKind::MarkStart;
  }
  return CellKind::Object;
}

bool IsMark(std::string_view name) {
  return MarkKind(name) != CellKind::Object;
}

// A span holding only text, spaces, tabs, line breaks and marks: a run of
// its own, as word processors write formatted text.
bool IsLeafSpan(pugi::xml_node span) {
  if (std::string_view(span.name()) != "text:span") return false;
  for (pugi::xml_node c = span.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view name = c.name();
    if (name != "text:s" && name != "text:tab" && name != "text:line-break" && !IsMark(name)) {
      return false;
    }
  }
  return true;
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
const PartLayout kLayout{{"text:p", "text:h"}, "office:body", kOdfNamespaces};

class PartConverter : public BlockConverter, LineWriter {
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
  struct RunRec {
    pugi::xml_node span;  // a leaf span, or none for text straight in a container
    std::size_t spans;    // index into chains_: the spans around it
  };
  struct ContainerRec {
    pugi::xml_node node;
    std::size_t spans;  // the spans around what it holds, itself included
  };

  [[noreturn]] void Refuse(pugi::xml_node at, const std::string& why) const {
    const std::ptrdiff_t offset = at.offset_debug();
    throw DocumentError(
        DocumentError::Kind::Invalid,
        why + " in " + part_ + " at byte " + std::to_string(block_at + (offset > 0 ? offset : 0)));
  }

  void ConvertParagraph(pugi::xml_node p) {
    paragraph_style_ = p.attribute("text:style-name").value();
    line_.Clear();
    runs_.clear();
    items_.clear();
    containers_.clear();
    chains_.assign(1, {});
    Read(p);
    if (line_.empty()) return;
    const LineOutcome outcome = line_.Convert(o_);
    if (!outcome.converted) return;
    changed_ = true;
    stats_.runs += outcome.runs;
    stats_.left_out += outcome.left_out;
    pugi::xml_node marker = p.append_child(pugi::node_comment);
    parents_.assign(1, p);
    last_kept_ = {};
    line_.Write(*this);
    for (pugi::xml_node c = p.first_child(); c != marker;) {
      const pugi::xml_node next = c.next_sibling();
      p.remove_child(c);
      c = next;
    }
    p.remove_child(marker);
    if (!outcome.mixed) SetWritingMode(p);
  }

  bool IsLegacy(const std::vector<std::string>& spans) const {
    std::optional<std::string> font;
    for (auto it = spans.rbegin(); it != spans.rend() && !font; ++it) {
      font = scope_.FontOf(*it, false);
    }
    if (!font) font = scope_.FontOf(paragraph_style_, true);
    return font && SameFont(*font, o_.legacy_font);
  }

  // How a run's text counts: Text to convert, Break for neutral text that
  // stays, Other for the rest.
  CellKind KindOf(const std::vector<std::string>& spans, const std::u32string& text) const {
    const bool legacy = IsLegacy(spans);
    if (o_.to == Direction::ToUnicode) return legacy ? CellKind::Text : CellKind::Other;
    if (!legacy && (IsArabicText(text) || IsNeutralText(text))) return CellKind::Text;
    return IsNeutralText(text) ? CellKind::Break : CellKind::Other;
  }

  std::size_t AddItem(pugi::xml_node node) {
    items_.push_back(node);
    return items_.size() - 1;
  }

  std::u32string Spaces(pugi::xml_node s) {
    const unsigned long long n = s.attribute("text:c").as_ullong(1);
    if (n > kMaxParagraphChars - line_.text_size()) {
      Refuse(s, "text:c=\"" + std::to_string(n) + "\", more spaces than a paragraph may hold,");
    }
    return std::u32string(static_cast<std::size_t>(n), U' ');
  }

  // The characters of a text node or text:s, or nothing for anything else.
  std::optional<std::u32string> CharsOf(pugi::xml_node c) {
    if (c.type() == pugi::node_pcdata) return CollapsedText(c.value(), part_);
    if (c.type() == pugi::node_element && std::string_view(c.name()) == "text:s") {
      return Spaces(c);
    }
    return std::nullopt;
  }

  void AddChars(CellKind kind, std::size_t run, pugi::xml_node node, const std::u32string& chars) {
    if (chars.size() > kMaxParagraphChars - line_.text_size()) {
      Refuse(node, "a paragraph longer than " + std::to_string(kMaxParagraphChars) + " characters");
    }
    if (kind == CellKind::Text) {
      line_.AddText(run, AddItem(node), chars);
    } else {
      line_.Add(kind, run, AddItem(node));
    }
  }

  std::size_t NewRun(pugi::xml_node span, std::size_t spans) {
    runs_.push_back({span, spans});
    return line_.AddRun();
  }

  // A leaf span: its text decides its kind, its other children stay.
  void ReadLeaf(pugi::xml_node span, std::size_t spans) {
    chains_.push_back(chains_[spans]);
    chains_.back().emplace_back(span.attribute("text:style-name").value());
    const std::size_t own = chains_.size() - 1;
    std::u32string all;
    for (pugi::xml_node c = span.first_child(); c; c = c.next_sibling()) {
      if (auto chars = CharsOf(c)) all += *chars;
    }
    const CellKind kind = KindOf(chains_[own], all);
    const std::size_t run = NewRun(span, own);
    for (pugi::xml_node c = span.first_child(); c; c = c.next_sibling()) {
      if (auto chars = CharsOf(c)) {
        if (!chars->empty()) AddChars(kind, run, c, *chars);
      } else if (c.type() == pugi::node_element) {
        const std::string_view name = c.name();
        line_.Add(IsMark(name) ? MarkKind(name) : CellKind::Break, run, AddItem(c));
      }
    }
  }

  // Walks the paragraph with a stack of its own, so that no nesting the
  // input has can exhaust the program's.
  void Read(pugi::xml_node p) {
    struct Level {
      pugi::xml_node next;
      std::size_t spans;
      bool container;
    };
    std::vector<Level> levels{{p.first_child(), 0, false}};
    while (!levels.empty()) {
      const pugi::xml_node c = levels.back().next;
      const std::size_t spans = levels.back().spans;
      if (!c) {
        if (levels.back().container) line_.CloseContainer();
        levels.pop_back();
        continue;
      }
      levels.back().next = c.next_sibling();
      if (auto chars = CharsOf(c)) {
        if (chars->empty()) continue;
        AddChars(KindOf(chains_[spans], *chars), NewRun({}, spans), c, *chars);
        continue;
      }
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = c.name();
      if (IsLeafSpan(c)) {
        ReadLeaf(c, spans);
      } else if (HoldsText(name)) {
        if (levels.size() >= kMaxInlineDepth) {
          Refuse(c, "elements nested deeper than " + std::to_string(kMaxInlineDepth));
        }
        std::size_t inner = spans;
        if (name == "text:span") {
          chains_.push_back(chains_[spans]);
          chains_.back().emplace_back(c.attribute("text:style-name").value());
          inner = chains_.size() - 1;
        }
        containers_.push_back({c, inner});
        line_.OpenContainer();
        levels.push_back({c.first_child(), inner, true});
      } else if (name == "text:tab" || name == "text:line-break") {
        line_.Add(CellKind::Break, NewRun({}, spans), AddItem(c));
      } else {
        line_.Add(MarkKind(name), NewRun({}, spans), AddItem(c));
      }
    }
  }

  // LineWriter: the new line goes in at the end of the paragraph.
  pugi::xml_node Parent() const { return parents_.back(); }

  void Open(std::size_t container) override {
    const pugi::xml_node source = containers_[container].node;
    pugi::xml_node copy = Parent().append_child(source.name());
    for (const pugi::xml_attribute a : source.attributes()) copy.append_copy(a);
    parents_.push_back(copy);
    last_kept_ = {};
  }

  void Close(std::size_t) override {
    parents_.pop_back();
    last_kept_ = {};
  }

  void Text(std::size_t run, std::u32string_view text) override {
    const RunRec& r = runs_[run];
    pugi::xml_node span = Parent().append_child("text:span");
    const std::vector<std::string>& chain = chains_[r.spans];
    std::vector<std::string> around(chain.begin(), chain.end() - (r.span ? 1 : 0));
    span.append_attribute("text:style-name") =
        OutputStyle(r.span ? r.span.attribute("text:style-name").value() : "", around).c_str();
    AppendText(span, text);
    last_kept_ = {};
  }

  void NewBreak(std::size_t) override {
    Parent().append_child("text:line-break");
    last_kept_ = {};
  }

  void Keep(std::size_t run, std::size_t item) override {
    const pugi::xml_node span = runs_[run].span;
    pugi::xml_node into = Parent();
    if (span) {
      if (!(last_kept_ && last_kept_run_ == run && into.last_child() == last_kept_)) {
        last_kept_ = into.append_child("text:span");
        for (const pugi::xml_attribute a : span.attributes()) last_kept_.append_copy(a);
        last_kept_run_ = run;
      }
      into = last_kept_;
    } else {
      last_kept_ = {};
    }
    // Moved, not copied: a note's paragraphs stay the ones found.
    into.append_move(items_[item]);
  }

  // Text into an element, runs of spaces as text:s so that none collapses.
  static void AppendText(pugi::xml_node e, std::u32string_view text) {
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
  bool changed_ = false;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<pugi::xml_node> items_;
  std::vector<ContainerRec> containers_;
  std::vector<std::vector<std::string>> chains_;  // span styles around runs, outermost first
  std::vector<pugi::xml_node> parents_;
  pugi::xml_node last_kept_;
  std::size_t last_kept_run_ = 0;
  bool head_changed_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  int style_counter_ = 0;
  std::map<std::string, bool> made_;
  std::map<std::string, std::string> output_styles_;
  std::map<std::string, std::string> paragraph_styles_;
};

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
  if (have_styles) {
    ParsePart(styles, package, "styles.xml");
    UseKnownPrefixes(styles.document_element(), {}, kOdfNamespaces);
  }
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
