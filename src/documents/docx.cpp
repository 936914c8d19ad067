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

// Fills the slots still open from an rPr's w:rFonts.
void FillFonts(Fonts& fonts, pugi::xml_node rPr) {
  const pugi::xml_node rFonts = rPr.child("w:rFonts");
  if (!rFonts) return;
  for (std::size_t s = 0; s < 4; ++s) {
    if (fonts[s]) continue;
    if (rFonts.attribute(kThemeSlots[s])) {
      fonts[s] = "";
    } else if (const pugi::xml_attribute a = rFonts.attribute(kFontSlots[s])) {
      fonts[s] = a.value();
    }
  }
}

class Styles {
 public:
  explicit Styles(const pugi::xml_document* doc) {
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
    FillFonts(fonts, defaults_);
    return fonts;
  }

  // The fonts of a run: direct formatting, its character style, then what
  // its paragraph gives, in that order.
  Fonts Resolve(pugi::xml_node rPr, const Fonts& paragraph) const {
    Fonts fonts;
    FillFonts(fonts, rPr);
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
      FillFonts(fonts, it->second.child("w:rPr"));
      id = it->second.child("w:basedOn").attribute("w:val").value();
    }
  }

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

bool IsTransparent(std::string_view name) {
  return name == "w:proofErr" || name == "w:bookmarkStart" || name == "w:bookmarkEnd" ||
         name == "w:permStart" || name == "w:permEnd" || name == "w:commentRangeStart" ||
         name == "w:commentRangeEnd" || name == "w:moveFromRangeStart" ||
         name == "w:moveFromRangeEnd" || name == "w:moveToRangeStart" || name == "w:moveToRangeEnd";
}

bool HoldsRuns(std::string_view name) {
  return name == "w:hyperlink" || name == "w:smartTag" || name == "w:ins" || name == "w:sdt" ||
         name == "w:sdtContent" || name == "w:customXml" || name == "w:fldSimple" ||
         name == "w:dir" || name == "w:bdo" || name == "w:moveTo";
}

struct Item {
  pugi::xml_node node;
  bool text = false;
  std::u32string chars;
  std::size_t group = 0;
};

struct Run {
  pugi::xml_node node;
  std::vector<Item> items;
};

struct Group {
  std::vector<std::pair<std::size_t, std::size_t>> items;  // (run, item)
  bool keep = true;
};

// A part is converted a paragraph at a time; text boxes are paragraphs inside
// a paragraph and go with it.
const PartLayout kLayout{{"w:p"}, ""};

class PartConverter : public BlockConverter {
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
  void ConvertParagraph(pugi::xml_node p) {
    paragraph_fonts_ = styles_.ParagraphFonts(p);
    converted_ = false;
    other_text_ = false;
    ConvertContainer(p);
    if (!converted_) return;
    changed_ = true;
    if (other_text_) return;
    pugi::xml_node pPr = p.child("w:pPr");
    if (o_.to == Direction::ToUnicode) {
      if (!pPr) pPr = p.prepend_child("w:pPr");
      SetOn(pPr, "w:bidi", kParagraphPropertyOrder);
    } else if (pPr && pPr.child("w:bidi")) {
      // Display-order glyphs are laid out left to right; keep the text on
      // the right where the right-to-left paragraph had it.
      pPr.remove_child("w:bidi");
      if (!pPr.child("w:jc")) {
        Child(pPr, "w:jc", kParagraphPropertyOrder).append_attribute("w:val") = "right";
      }
    }
  }

  bool IsLegacyRun(pugi::xml_node rPr) const {
    const Fonts f = styles_.Resolve(rPr, paragraph_fonts_);
    auto legacy = [&](Slot s) { return f[s] && SameFont(*f[s], o_.legacy_font); };
    if (legacy(kAscii) || legacy(kHAnsi)) return true;
    if (legacy(kCs) && (rPr.child("w:rtl") || rPr.child("w:cs"))) return true;
    return legacy(kEastAsia) &&
           std::string_view(rPr.child("w:rFonts").attribute("w:hint").value()) == "eastAsia";
  }

  // The run's items when it is one to convert; nothing otherwise.
  std::optional<Run> Classify(pugi::xml_node r) {
    Run run{r, {}};
    const pugi::xml_node rPr = r.child("w:rPr");
    const bool unicode = o_.to == Direction::ToUnicode;
    const bool legacy_font = IsLegacyRun(rPr);
    bool has_text = false;
    bool ok = unicode ? true : !legacy_font;
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = c.name();
      if (name == "w:rPr" || name == "w:lastRenderedPageBreak") continue;
      if (name == "w:t") {
        Item item{c, true, Utf32Of(c.text().get(), part_), 0};
        if (unicode ? !legacy_font : !(IsArabicText(item.chars) || IsNeutralText(item.chars))) {
          ok = false;
        }
        has_text = has_text || !item.chars.empty();
        run.items.push_back(std::move(item));
      } else if (name == "w:sym") {
        const std::string_view font = c.attribute("w:font").value();
        const char* hex = c.attribute("w:char").value();
        char* end = nullptr;
        const unsigned long code = std::strtoul(hex, &end, 16);
        if (!unicode || !SameFont(font, o_.legacy_font) || *hex == '\0' || *end != '\0' ||
            code > 0x10FFFF) {
          ok = false;
        }
        run.items.push_back(
            {c, true, std::u32string(1, static_cast<char32_t>(code & 0x1FFFFF)), 0});
        has_text = true;
      } else if (name == "w:tab" || name == "w:br" || name == "w:cr" || name == "w:noBreakHyphen" ||
                 name == "w:softHyphen") {
        run.items.push_back({c, false, {}, 0});
      } else {
        ok = false;
      }
    }
    if (!has_text) return std::nullopt;
    if (!ok) {
      other_text_ = true;
      return std::nullopt;
    }
    return run;
  }

  void ConvertContainer(pugi::xml_node container) {
    std::vector<Run> runs;
    std::vector<Group> groups;
    bool open = false;
    for (pugi::xml_node c = container.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = c.name();
      if (name == "w:r") {
        std::optional<Run> run = Classify(c);
        if (!run) {
          open = false;
          continue;
        }
        runs.push_back(std::move(*run));
        Run& added = runs.back();
        for (std::size_t i = 0; i < added.items.size(); ++i) {
          if (!added.items[i].text) {
            open = false;
            continue;
          }
          if (!open) groups.emplace_back();
          open = true;
          added.items[i].group = groups.size() - 1;
          groups.back().items.emplace_back(runs.size() - 1, i);
        }
      } else if (IsTransparent(name)) {
        continue;
      } else {
        open = false;
        if (HoldsRuns(name)) ConvertContainer(c);
      }
    }
    if (runs.empty()) return;

    // What every group becomes: runs of new text, lines of it for the
    // legacy font.
    const std::vector<std::vector<std::vector<Piece>>> output =
        ConvertGroups(groups, runs, o_, stats_);

    for (Run& run : runs) {
      bool touched = false;
      for (const Item& item : run.items)
        touched = touched || (item.text && groups[item.group].keep);
      if (!touched) {
        other_text_ = true;
        continue;
      }
      ++stats_.runs;
      converted_ = true;
      for (std::size_t i = 0; i < run.items.size(); ++i) {
        const Item& item = run.items[i];
        if (!item.text || !groups[item.group].keep) {
          CopyRun(run, item.node);
        } else if (groups[item.group].items.front() ==
                   std::pair{static_cast<std::size_t>(&run - runs.data()), i}) {
          EmitGroup(runs, output[item.group], run.node);
        }
      }
      run.node.parent().remove_child(run.node);
    }
  }

  // A run holding only `item`, formatted as the run it was in.
  void CopyRun(const Run& run, pugi::xml_node item) {
    pugi::xml_node r = run.node.parent().insert_child_before("w:r", run.node);
    for (const pugi::xml_attribute a : run.node.attributes()) r.append_copy(a);
    if (const pugi::xml_node rPr = run.node.child("w:rPr")) r.append_copy(rPr);
    r.append_copy(item);
  }

  pugi::xml_node NewRun(const Run& source, pugi::xml_node before) {
    pugi::xml_node r = before.parent().insert_child_before("w:r", before);
    for (const pugi::xml_attribute a : source.node.attributes()) r.append_copy(a);
    pugi::xml_node rPr = source.node.child("w:rPr") ? r.append_copy(source.node.child("w:rPr"))
                                                    : r.append_child("w:rPr");
    if (o_.to == Direction::ToUnicode) {
      MakeUnicodeRun(rPr, o_);
    } else {
      MakeLegacyRun(rPr, o_);
    }
    return r;
  }

  void EmitGroup(const std::vector<Run>& runs, const std::vector<std::vector<Piece>>& lines,
                 pugi::xml_node before) {
    for (std::size_t l = 0; l < lines.size(); ++l) {
      if (l > 0) {
        const std::size_t source = lines[l].empty() ? 0 : lines[l].front().run;
        NewRun(runs[source], before).append_child("w:br");
      }
      for (const Piece& piece : lines[l]) {
        pugi::xml_node t = NewRun(runs[piece.run], before).append_child("w:t");
        t.append_attribute("xml:space") = "preserve";
        t.text().set(Utf8Of(piece.text).c_str());
      }
    }
  }

  const Styles& styles_;
  const ConvertOptions& o_;
  std::string part_;
  ConvertStats& stats_;
  Fonts paragraph_fonts_;
  bool converted_ = false;
  bool other_text_ = false;
  bool changed_ = false;
  std::vector<pugi::xml_node> paragraphs_;
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
  bool main_found = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
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
  if (have_styles) ParsePart(styles_doc, package, styles_part);
  const Styles styles(have_styles ? &styles_doc : nullptr);

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
