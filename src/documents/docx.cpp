// .docx: WordprocessingML runs set in the legacy font, found through direct
// formatting, character and paragraph styles and the document defaults.
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
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

// The four font slots of w:rFonts. A slot given by a theme font holds "".
constexpr std::array<const char*, 4> kFontSlots = {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"};
constexpr std::array<const char*, 4> kThemeSlots = {"w:asciiTheme", "w:hAnsiTheme",
                                                    "w:eastAsiaTheme", "w:cstheme"};
enum Slot { kAscii, kHAnsi, kEastAsia, kCs };
using Fonts = std::array<std::optional<std::string>, 4>;

// The fonts of the document's theme, by the names w:asciiTheme and its
// siblings give them: majorHAnsi, minorBidi, ...
using ThemeFonts = std::unordered_map<std::string, std::string>;

ThemeFonts ReadThemeFonts(const pugi::xml_document& theme) {
  ThemeFonts fonts;
  const pugi::xml_node scheme =
      theme.document_element().child("a:themeElements").child("a:fontScheme");
  for (const auto& [which, element] :
       {std::pair{"major", "a:majorFont"}, std::pair{"minor", "a:minorFont"}}) {
    const pugi::xml_node f = scheme.child(element);
    const std::string latin = f.child("a:latin").attribute("typeface").value();
    fonts[std::string(which) + "HAnsi"] = latin;
    fonts[std::string(which) + "Ascii"] = latin;
    fonts[std::string(which) + "Bidi"] = f.child("a:cs").attribute("typeface").value();
    fonts[std::string(which) + "EastAsia"] = f.child("a:ea").attribute("typeface").value();
  }
  return fonts;
}

// Fills the slots still open from an rPr's w:rFonts; a theme font is the
// theme's, "" when there is none.
void FillFonts(Fonts& fonts, pugi::xml_node rPr, const ThemeFonts& theme) {
  const pugi::xml_node rFonts = rPr.child("w:rFonts");
  if (!rFonts) return;
  for (std::size_t s = 0; s < 4; ++s) {
    if (fonts[s]) continue;
    if (const pugi::xml_attribute t = rFonts.attribute(kThemeSlots[s])) {
      const auto it = theme.find(t.value());
      fonts[s] = it != theme.end() ? it->second : "";
    } else if (const pugi::xml_attribute a = rFonts.attribute(kFontSlots[s])) {
      fonts[s] = a.value();
    }
  }
}

class Styles {
 public:
  Styles(const pugi::xml_document* doc, ThemeFonts theme) : theme_(std::move(theme)) {
    if (!doc) return;
    const pugi::xml_node styles = doc->child("w:styles");
    defaults_ = styles.child("w:docDefaults").child("w:rPrDefault").child("w:rPr");
    for (const pugi::xml_node style : styles.children("w:style")) {
      const std::string id = style.attribute("w:styleId").value();
      by_id_[id] = style;
      if (std::string_view(style.attribute("w:type").value()) == "paragraph" &&
          style.attribute("w:default").as_bool()) {
        default_paragraph_ = id;
      }
    }
  }

  // What a paragraph gives its runs: its style's fonts, then the document
  // defaults.
  Fonts ParagraphFonts(pugi::xml_node paragraph) const {
    Fonts fonts;
    const pugi::xml_node pStyle = paragraph.child("w:pPr").child("w:pStyle");
    FillFromStyle(fonts, pStyle ? pStyle.attribute("w:val").value() : default_paragraph_);
    FillFonts(fonts, defaults_, theme_);
    return fonts;
  }

  // The fonts of a run: direct formatting, its character style, then what
  // its paragraph gives, in that order.
  Fonts Resolve(pugi::xml_node rPr, const Fonts& paragraph) const {
    Fonts fonts;
    FillFonts(fonts, rPr, theme_);
    if (const pugi::xml_node rStyle = rPr.child("w:rStyle")) {
      FillFromStyle(fonts, rStyle.attribute("w:val").value());
    }
    for (std::size_t s = 0; s < 4; ++s) {
      if (!fonts[s]) fonts[s] = paragraph[s];
    }
    return fonts;
  }

 private:
  void FillFromStyle(Fonts& fonts, std::string id) const {
    // basedOn chains are short; the bound stops a loop in a broken file.
    for (int depth = 0; depth < 32 && !id.empty(); ++depth) {
      const auto it = by_id_.find(id);
      if (it == by_id_.end()) return;
      FillFonts(fonts, it->second.child("w:rPr"), theme_);
      id = it->second.child("w:basedOn").attribute("w:val").value();
    }
  }

  ThemeFonts theme_;
  pugi::xml_node defaults_;
  std::unordered_map<std::string, pugi::xml_node> by_id_;
  std::string default_paragraph_;
};

// Schema order of the run and paragraph properties we add, so that strict
// readers accept the result.
constexpr std::string_view kRunPropertyOrder[] = {"w:rStyle",
                                                  "w:rFonts",
                                                  "w:b",
                                                  "w:bCs",
                                                  "w:i",
                                                  "w:iCs",
                                                  "w:caps",
                                                  "w:smallCaps",
                                                  "w:strike",
                                                  "w:dstrike",
                                                  "w:outline",
                                                  "w:shadow",
                                                  "w:emboss",
                                                  "w:imprint",
                                                  "w:noProof",
                                                  "w:snapToGrid",
                                                  "w:vanish",
                                                  "w:webHidden",
                                                  "w:color",
                                                  "w:spacing",
                                                  "w:w",
                                                  "w:kern",
                                                  "w:position",
                                                  "w:sz",
                                                  "w:szCs",
                                                  "w:highlight",
                                                  "w:u",
                                                  "w:effect",
                                                  "w:bdr",
                                                  "w:shd",
                                                  "w:fitText",
                                                  "w:vertAlign",
                                                  "w:rtl",
                                                  "w:cs",
                                                  "w:em",
                                                  "w:lang",
                                                  "w:eastAsianLayout",
                                                  "w:specVanish",
                                                  "w:oMath"};
constexpr std::string_view kParagraphPropertyOrder[] = {"w:pStyle",
                                                        "w:keepNext",
                                                        "w:keepLines",
                                                        "w:pageBreakBefore",
                                                        "w:framePr",
                                                        "w:widowControl",
                                                        "w:numPr",
                                                        "w:suppressLineNumbers",
                                                        "w:pBdr",
                                                        "w:shd",
                                                        "w:tabs",
                                                        "w:suppressAutoHyphens",
                                                        "w:kinsoku",
                                                        "w:wordWrap",
                                                        "w:overflowPunct",
                                                        "w:topLinePunct",
                                                        "w:autoSpaceDE",
                                                        "w:autoSpaceDN",
                                                        "w:bidi",
                                                        "w:adjustRightInd",
                                                        "w:snapToGrid",
                                                        "w:spacing",
                                                        "w:ind",
                                                        "w:contextualSpacing",
                                                        "w:mirrorIndents",
                                                        "w:suppressOverlap",
                                                        "w:jc",
                                                        "w:textDirection",
                                                        "w:textAlignment",
                                                        "w:textboxTightWrap",
                                                        "w:outlineLvl",
                                                        "w:divId",
                                                        "w:cnfStyle",
                                                        "w:rPr",
                                                        "w:sectPr",
                                                        "w:pPrChange"};

std::size_t OrderOf(std::span<const std::string_view> order, std::string_view name) {
  std::size_t i = 0;
  for (const std::string_view n : order) {
    if (n == name) return i;
    ++i;
  }
  return order.size();
}

// The child `name` of parent, made where the schema puts it when missing.
pugi::xml_node Child(pugi::xml_node parent, const char* name,
                     std::span<const std::string_view> order) {
  if (pugi::xml_node c = parent.child(name)) return c;
  const std::size_t rank = OrderOf(order, name);
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && OrderOf(order, c.name()) > rank) {
      return parent.insert_child_before(name, c);
    }
  }
  return parent.append_child(name);
}

void SetOn(pugi::xml_node parent, const char* name, std::span<const std::string_view> order) {
  pugi::xml_node c = Child(parent, name, order);
  c.remove_attribute("w:val");
}

// A complex-script property takes the value of its plain twin when missing:
// right-to-left text is drawn with w:bCs, w:iCs and w:szCs.
void CopyTwin(pugi::xml_node rPr, const char* from, const char* to) {
  const pugi::xml_node source = rPr.child(from);
  if (!source || rPr.child(to)) return;
  pugi::xml_node twin = Child(rPr, to, kRunPropertyOrder);
  for (const pugi::xml_attribute a : source.attributes()) twin.append_copy(a);
}

void SetFonts(pugi::xml_node rPr, const std::string& font) {
  pugi::xml_node rFonts = Child(rPr, "w:rFonts", kRunPropertyOrder);
  for (const char* theme : kThemeSlots) rFonts.remove_attribute(theme);
  rFonts.remove_attribute("w:hint");
  for (const char* slot : kFontSlots) {
    pugi::xml_attribute a = rFonts.attribute(slot);
    if (!a) a = rFonts.append_attribute(slot);
    a.set_value(font.c_str());
  }
}

void MakeUnicodeRun(pugi::xml_node rPr, const ConvertOptions& o) {
  SetFonts(rPr, o.unicode_font);
  CopyTwin(rPr, "w:b", "w:bCs");
  CopyTwin(rPr, "w:i", "w:iCs");
  CopyTwin(rPr, "w:sz", "w:szCs");
  SetOn(rPr, "w:rtl", kRunPropertyOrder);
}

void MakeLegacyRun(pugi::xml_node rPr, const ConvertOptions& o) {
  SetFonts(rPr, o.legacy_font);
  const bool complex = rPr.child("w:rtl") || rPr.child("w:cs");
  if (complex) {
    // The complex-script twins drew this text; the 8-bit font is drawn with
    // the plain ones.
    for (auto [cs, plain] : {std::pair{"w:bCs", "w:b"}, {"w:iCs", "w:i"}, {"w:szCs", "w:sz"}}) {
      if (const pugi::xml_node source = rPr.child(cs)) {
        rPr.remove_child(plain);
        pugi::xml_node twin = Child(rPr, plain, kRunPropertyOrder);
        for (const pugi::xml_attribute a : source.attributes()) twin.append_copy(a);
      }
    }
  }
  rPr.remove_child("w:rtl");
  rPr.remove_child("w:cs");
}

// Zero-width marks of ranges; bookmarks and the like.
CellKind MarkKind(std::string_view name) {
  if (name == "w:proofErr") return CellKind::MarkStart;
  if (name.ends_with("Start")) return CellKind::MarkStart;
  if (name.ends_with("End")) return CellKind::MarkEnd;
  return CellKind::Object;
}

bool IsMark(std::string_view name) {
  return name == "w:proofErr" || name == "w:bookmarkStart" || name == "w:bookmarkEnd" ||
         name == "w:permStart" || name == "w:permEnd" || name == "w:commentRangeStart" ||
         name == "w:commentRangeEnd" || name == "w:moveFromRangeStart" ||
         name == "w:moveFromRangeEnd" || name == "w:moveToRangeStart" ||
         name == "w:moveToRangeEnd" || name == "w:customXmlInsRangeStart" ||
         name == "w:customXmlInsRangeEnd" || name == "w:customXmlDelRangeStart" ||
         name == "w:customXmlDelRangeEnd";
}

// Elements inside a paragraph whose runs are read as part of its line.
bool HoldsRuns(std::string_view name) {
  return name == "w:hyperlink" || name == "w:smartTag" || name == "w:ins" || name == "w:sdt" ||
         name == "w:sdtContent" || name == "w:customXml" || name == "w:fldSimple" ||
         name == "w:dir" || name == "w:bdo" || name == "w:moveTo";
}

// Tracked deletions: their runs are a line of their own, written back deleted.
bool HoldsDeleted(std::string_view name) {
  return name == "w:del" || name == "w:moveFrom";
}

// A container's own properties, copied with it when it is split.
bool IsProperties(std::string_view name) {
  return name.ends_with("Pr");
}

std::string_view FieldCharType(pugi::xml_node run) {
  return run.child("w:fldChar").attribute("w:fldCharType").value();
}

// Elements one paragraph may nest inside it; deeper is refused before any work.
constexpr std::size_t kMaxInlineDepth = 256;

// A part is converted a paragraph at a time; text boxes are paragraphs inside
// a paragraph and go with it.
const PartLayout kLayout{{"w:p"}, "", kWordNamespaces};

class PartConverter : public BlockConverter, LineWriter {
 public:
  PartConverter(const Styles& styles, const ConvertOptions& o, std::string_view part,
                ConvertStats& stats)
      : styles_(styles), o_(o), part_(part), stats_(stats) {}

  // Converts a paragraph and those in its text boxes; says whether anything
  // changed.
  bool ConvertBlock(pugi::xml_node block) override {
    changed_ = false;
    paragraphs_.clear();
    FindElements(block, kLayout.blocks, paragraphs_);
    for (const pugi::xml_node p : paragraphs_) ConvertParagraph(p);
    return changed_;
  }

 private:
  struct RunRec {
    pugi::xml_node node;  // the w:r; none for things that stand outside runs
    bool deleted = false;
  };
  struct ItemRec {
    pugi::xml_node first, last;  // the nodes it is, siblings first..last
  };
  struct ContainerRec {
    pugi::xml_node node;               // the element; none for a complex field
    std::vector<pugi::xml_node> head;  // a complex field: begin .. separate
    pugi::xml_node tail;               // a complex field: end
  };

  void ConvertParagraph(pugi::xml_node p) {
    paragraph_fonts_ = styles_.ParagraphFonts(p);
    deleted_.clear();
    const LineOutcome outcome = ConvertLine(p, false);
    // Deleted text went as one object; its own runs are a line of their own.
    for (std::size_t k = 0; k < deleted_.size(); ++k) ConvertLine(deleted_[k], true);
    if (!outcome.converted) return;
    if (outcome.mixed) return;
    pugi::xml_node pPr = p.child("w:pPr");
    if (o_.to == Direction::ToUnicode) {
      if (!pPr) pPr = p.prepend_child("w:pPr");
      if (!pPr.child("w:bidi")) {
        SetOn(pPr, "w:bidi", kParagraphPropertyOrder);
        MirrorAlignment(pPr);
      }
    } else if (pPr && pPr.child("w:bidi")) {
      pPr.remove_child("w:bidi");
      if (!pPr.child("w:jc")) {
        // Display-order glyphs are laid out left to right; keep the text on
        // the right where the right-to-left paragraph had it.
        Child(pPr, "w:jc", kParagraphPropertyOrder).append_attribute("w:val") = "right";
      } else {
        MirrorAlignment(pPr);
      }
    }
  }

  // Word and LibreOffice draw left and right, start and end, from the
  // paragraph's own side: a paragraph whose direction turns keeps its place
  // on the page when they swap.
  static void MirrorAlignment(pugi::xml_node pPr) {
    pugi::xml_attribute val = pPr.child("w:jc").attribute("w:val");
    if (!val) return;
    const std::string_view v = val.value();
    if (v == "left") {
      val.set_value("right");
    } else if (v == "right") {
      val.set_value("left");
    } else if (v == "start") {
      val.set_value("end");
    } else if (v == "end") {
      val.set_value("start");
    }
  }

  LineOutcome ConvertLine(pugi::xml_node root, bool deleted) {
    line_.Clear();
    runs_.clear();
    items_.clear();
    containers_.clear();
    deleted_line_ = deleted;
    Read(root);
    if (line_.empty()) return {};
    const LineOutcome outcome = line_.Convert(o_);
    if (!outcome.converted) return outcome;
    changed_ = true;
    stats_.runs += outcome.runs;
    stats_.left_out += outcome.left_out;
    // The line is written after a marker, then everything before the marker
    // that it did not take along goes.
    pugi::xml_node marker = root.append_child(pugi::node_comment);
    parents_.assign(1, root);
    last_kept_ = {};
    line_.Write(*this);
    for (pugi::xml_node c = root.first_child(); c != marker;) {
      const pugi::xml_node next = c.next_sibling();
      if (c.type() != pugi::node_element || std::string_view(c.name()) != "w:pPr") {
        root.remove_child(c);
      }
      c = next;
    }
    root.remove_child(marker);
    return outcome;
  }

  std::size_t AddItem(pugi::xml_node first, pugi::xml_node last = {}) {
    items_.push_back({first, last ? last : first});
    return items_.size() - 1;
  }

  std::size_t AddOutsideRun() {
    runs_.push_back({});
    return line_.AddRun();
  }

  // Walks the line's elements in document order with a stack of its own, so
  // that no nesting the input has can exhaust the program's.
  void Read(pugi::xml_node root) {
    struct Level {
      pugi::xml_node next;
      bool container;
    };
    std::vector<Level> levels{{root.first_child(), false}};
    std::vector<pugi::xml_node> field_ends;  // ends of the complex fields open
    while (!levels.empty()) {
      const pugi::xml_node c = levels.back().next;
      if (!c) {
        if (levels.back().container) line_.CloseContainer();
        levels.pop_back();
        continue;
      }
      levels.back().next = c.next_sibling();
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = c.name();
      if (!field_ends.empty() && c == field_ends.back()) {
        field_ends.pop_back();
        line_.CloseContainer();
        continue;
      }
      if (name == "w:pPr" && c.parent() == root) continue;
      if (name == "w:r") {
        if (c.child("w:fldChar")) {
          ReadField(c, levels.back().next, field_ends);
        } else {
          ReadRun(c);
        }
      } else if (IsMark(name)) {
        line_.Add(MarkKind(name), AddOutsideRun(), AddItem(c));
      } else if (HoldsRuns(name) && !deleted_line_) {
        if (levels.size() >= kMaxInlineDepth) {
          throw DocumentError(DocumentError::Kind::Invalid, "elements nested deeper than " +
                                                                std::to_string(kMaxInlineDepth) +
                                                                " in a paragraph of " + part_);
        }
        containers_.push_back({c, {}, {}});
        line_.OpenContainer();
        pugi::xml_node first = c.first_child();
        while (first && first.type() == pugi::node_element && IsProperties(first.name())) {
          first = first.next_sibling();
        }
        levels.push_back({first, true});
      } else if (HoldsDeleted(name) && !deleted_line_) {
        deleted_.push_back(c);
        line_.Add(CellKind::Object, AddOutsideRun(), AddItem(c));
      } else {
        line_.Add(CellKind::Object, AddOutsideRun(), AddItem(c));
      }
    }
  }

  // A run holding a complex field's begin: with its separate and end among
  // the runs after it, the field is a container whose result is read as
  // text and whose code stays with it; without a result, one object.
  void ReadField(pugi::xml_node run, pugi::xml_node& next,
                 std::vector<pugi::xml_node>& field_ends) {
    if (FieldCharType(run) != "begin") {
      // The other end of a field that begins or ends in another paragraph.
      line_.Add(CellKind::Break, AddOutsideRun(), AddItem(run));
      return;
    }
    pugi::xml_node separate, end;
    int depth = 0;
    for (pugi::xml_node s = run; s; s = s.next_sibling()) {
      if (std::string_view(s.name()) != "w:r" || !s.child("w:fldChar")) continue;
      const std::string_view type = FieldCharType(s);
      if (type == "begin") {
        ++depth;
      } else if (type == "separate" && depth == 1 && !separate) {
        separate = s;
      } else if (type == "end" && --depth == 0) {
        end = s;
        break;
      }
    }
    if (!end) {
      line_.Add(CellKind::Break, AddOutsideRun(), AddItem(run));
      return;
    }
    if (!separate) {
      line_.Add(CellKind::Object, AddOutsideRun(), AddItem(run, end));
      next = end.next_sibling();
      return;
    }
    ContainerRec field;
    for (pugi::xml_node s = run; s; s = s.next_sibling()) {
      field.head.push_back(s);
      if (s == separate) break;
    }
    field.tail = end;
    containers_.push_back(std::move(field));
    line_.OpenContainer();
    field_ends.push_back(end);
    next = separate.next_sibling();
  }

  bool IsLegacyRun(pugi::xml_node rPr) const {
    const Fonts f = styles_.Resolve(rPr, paragraph_fonts_);
    auto legacy = [&](Slot s) { return f[s] && SameFont(*f[s], o_.legacy_font); };
    if (legacy(kAscii) || legacy(kHAnsi)) return true;
    if (legacy(kCs) && (rPr.child("w:rtl") || rPr.child("w:cs"))) return true;
    return legacy(kEastAsia) &&
           std::string_view(rPr.child("w:rFonts").attribute("w:hint").value()) == "eastAsia";
  }

  // The character of a w:sym in the legacy font, or nothing.
  std::optional<char32_t> SymbolChar(pugi::xml_node sym) const {
    const char* hex = sym.attribute("w:char").value();
    char* end = nullptr;
    const unsigned long code = std::strtoul(hex, &end, 16);
    if (!SameFont(sym.attribute("w:font").value(), o_.legacy_font) || *hex == '\0' ||
        *end != '\0' || code > 0x10FFFF) {
      return std::nullopt;
    }
    return static_cast<char32_t>(code);
  }

  void ReadRun(pugi::xml_node r) {
    const pugi::xml_node rPr = r.child("w:rPr");
    const bool unicode = o_.to == Direction::ToUnicode;
    const bool legacy_font = IsLegacyRun(rPr);
    // Whether the run's text is text to convert: to Unicode, text in the
    // legacy font and symbols of it; to the legacy font, Arabic.
    bool wanted = unicode || !legacy_font;
    bool has_text = false;
    std::u32string text;
    for (pugi::xml_node c = r.first_child(); c && wanted; c = c.next_sibling()) {
      const std::string_view name = c.name();
      if (name == "w:t" || name == "w:delText") {
        if (!unicode) text += Utf32Of(c.text().get(), part_);
        has_text = true;
        wanted = !unicode || legacy_font;
      } else if (name == "w:sym") {
        wanted = unicode && SymbolChar(c).has_value();
      } else if (name == "w:softHyphen") {
        wanted = !unicode || legacy_font;
      }
    }
    if (wanted && !unicode && has_text) wanted = IsArabicText(text) || IsNeutralText(text);
    const std::size_t run = line_.AddRun();
    runs_.push_back({r, deleted_line_});
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = c.name();
      if (name == "w:rPr" || name == "w:lastRenderedPageBreak") continue;
      if (name == "w:t" || name == "w:delText") {
        const std::u32string chars = Utf32Of(c.text().get(), part_);
        if (chars.empty()) continue;
        if (wanted) {
          line_.AddText(run, AddItem(c), chars);
        } else {
          line_.Add(CellKind::Other, run, AddItem(c));
        }
      } else if (name == "w:sym") {
        if (wanted) {
          line_.AddText(run, AddItem(c), std::u32string(1, *SymbolChar(c)));
        } else {
          line_.Add(CellKind::Other, run, AddItem(c));
        }
      } else if (name == "w:softHyphen" && wanted && unicode) {
        // What LibreOffice writes for U+00AD, which is glyph code 173.
        line_.AddText(run, AddItem(c), U"\u00AD");
      } else if (name == "w:tab" || name == "w:br" || name == "w:cr" || name == "w:ptab" ||
                 name == "w:noBreakHyphen" || name == "w:softHyphen" || name == "w:fldChar" ||
                 name == "w:instrText") {
        line_.Add(CellKind::Break, run, AddItem(c));
      } else {
        line_.Add(CellKind::Object, run, AddItem(c));
      }
    }
  }

  // LineWriter: the new line goes in at the end of the paragraph.
  pugi::xml_node Parent() const { return parents_.back(); }

  void Open(std::size_t container) override {
    const ContainerRec& rec = containers_[container];
    if (!rec.node) {
      for (const pugi::xml_node h : rec.head) Parent().append_copy(h);
      parents_.push_back(Parent());
    } else {
      pugi::xml_node copy = Parent().append_child(rec.node.name());
      for (const pugi::xml_attribute a : rec.node.attributes()) copy.append_copy(a);
      for (pugi::xml_node c = rec.node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && IsProperties(c.name())) copy.append_copy(c);
      }
      parents_.push_back(copy);
    }
    last_kept_ = {};
  }

  void Close(std::size_t container) override {
    parents_.pop_back();
    if (const pugi::xml_node tail = containers_[container].tail) Parent().append_copy(tail);
    last_kept_ = {};
  }

  // A new run formatted as `run`, of the new kind.
  pugi::xml_node NewRun(std::size_t run) {
    const pugi::xml_node source = runs_[run].node;
    pugi::xml_node r = Parent().append_child("w:r");
    for (const pugi::xml_attribute a : source.attributes()) r.append_copy(a);
    pugi::xml_node rPr =
        source.child("w:rPr") ? r.append_copy(source.child("w:rPr")) : r.append_child("w:rPr");
    if (o_.to == Direction::ToUnicode) {
      MakeUnicodeRun(rPr, o_);
    } else {
      MakeLegacyRun(rPr, o_);
    }
    last_kept_ = {};
    return r;
  }

  void Text(std::size_t run, std::u32string_view text) override {
    pugi::xml_node t = NewRun(run).append_child(runs_[run].deleted ? "w:delText" : "w:t");
    t.append_attribute("xml:space") = "preserve";
    t.text().set(Utf8Of(text).c_str());
  }

  void NewBreak(std::size_t run) override { NewRun(run).append_child("w:br"); }

  void Keep(std::size_t run, std::size_t item) override {
    const ItemRec& rec = items_[item];
    const pugi::xml_node source = runs_[run].node;
    pugi::xml_node into = Parent();
    if (source && rec.first != source) {
      // One of a run's children: into a run formatted as it was, shared by
      // the run's children kept one after another.
      if (!(last_kept_ && last_kept_run_ == run && into.last_child() == last_kept_)) {
        last_kept_ = into.append_child("w:r");
        for (const pugi::xml_attribute a : source.attributes()) last_kept_.append_copy(a);
        if (const pugi::xml_node rPr = source.child("w:rPr")) last_kept_.append_copy(rPr);
        last_kept_run_ = run;
      }
      into = last_kept_;
    } else {
      last_kept_ = {};
    }
    // Moved, not copied: a text box's paragraphs stay the ones found.
    for (pugi::xml_node n = rec.first; n;) {
      const pugi::xml_node next = n == rec.last ? pugi::xml_node() : n.next_sibling();
      into.append_move(n);
      n = next;
    }
  }

  const Styles& styles_;
  const ConvertOptions& o_;
  std::string part_;
  ConvertStats& stats_;
  Fonts paragraph_fonts_;
  bool changed_ = false;
  bool deleted_line_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  std::vector<pugi::xml_node> deleted_;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<ItemRec> items_;
  std::vector<ContainerRec> containers_;
  std::vector<pugi::xml_node> parents_;
  pugi::xml_node last_kept_;
  std::size_t last_kept_run_ = 0;
};

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

ConvertStats ConvertDocx(const std::string& in, const std::string& out, const ConvertOptions& o) {
  Package package(in);
  if (package.Has("mimetype") && !package.Has("[Content_Types].xml")) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: it is an OpenDocument file");
  }
  if (!package.Has("[Content_Types].xml")) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: no [Content_Types].xml");
  }
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  std::vector<std::string> parts;
  std::string styles_part;
  std::string theme_part;
  bool main_found = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == "application/vnd.openxmlformats-officedocument.theme+xml" && theme_part.empty()) {
      theme_part = name;
    }
    if (!type.starts_with("application/vnd.openxmlformats-officedocument.wordprocessingml.") &&
        !type.starts_with("application/vnd.ms-word.")) {
      continue;
    }
    const bool main = EndsWith(type, ".main+xml");
    main_found = main_found || main;
    if (main || EndsWith(type, ".header+xml") || EndsWith(type, ".footer+xml") ||
        EndsWith(type, ".footnotes+xml") || EndsWith(type, ".endnotes+xml") ||
        EndsWith(type, ".comments+xml")) {
      parts.push_back(name);
    } else if (EndsWith(type, ".styles+xml")) {
      styles_part = name;
    }
  }
  if (!main_found) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "not a .docx document: no main document part");
  }

  pugi::xml_document styles_doc;
  bool have_styles = !styles_part.empty() && package.Has(styles_part);
  if (have_styles) {
    ParsePart(styles_doc, package, styles_part);
    UseKnownPrefixes(styles_doc.document_element(), {}, kWordNamespaces);
  }
  ThemeFonts theme_fonts;
  if (!theme_part.empty() && package.Has(theme_part)) {
    pugi::xml_document theme;
    ParsePart(theme, package, theme_part);
    UseKnownPrefixes(theme.document_element(), {}, kDrawingNamespaces);
    theme_fonts = ReadThemeFonts(theme);
  }
  const Styles styles(have_styles ? &styles_doc : nullptr, std::move(theme_fonts));

  ConvertStats stats;
  std::map<std::string, NewPart> replaced;
  for (const std::string& name : parts) {
    if (!package.Has(name)) continue;
    PartConverter converter(styles, o, name, stats);
    DeflatedPart part = StreamBlocks(package, name, kLayout, converter);
    if (part.file) replaced[name].deflated = std::move(part);
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
