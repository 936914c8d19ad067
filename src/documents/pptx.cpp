// .pptx presentations both ways. Every DrawingML paragraph (a:p) of the
// slides, slide layouts, masters and notes, in shapes and table cells alike,
// is one line of the document line model; a run is in the legacy font by its
// a:latin (or a:cs, a:ea) typeface, a theme font (+mn-lt, +mj-lt) resolved
// through the theme, and a run naming none by the theme's body font.
#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_names.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

constexpr std::string_view kPresentation =
    "application/vnd.openxmlformats-officedocument.presentationml.";

const PartLayout kParagraphs{{"a:p"}, "", kDrawingNamespaces};

// The theme's fonts: +mj-lt and +mn-lt (and -cs, -ea) name them.
struct ThemeFonts {
  std::map<std::string, std::string> fonts;  // "+mn-lt" -> typeface

  void Read(const Package& package, const std::string& part) {
    pugi::xml_document doc;
    ParsePart(doc, package, part);
    UseKnownPrefixes(doc.document_element(), {}, kDrawingNamespaces);
    const pugi::xml_node scheme =
        doc.child("a:theme").child("a:themeElements").child("a:fontScheme");
    for (const auto& [tag, prefix] : {std::pair{"a:majorFont", "+mj-"}, {"a:minorFont", "+mn-"}}) {
      const pugi::xml_node f = scheme.child(tag);
      fonts[std::string(prefix) + "lt"] = f.child("a:latin").attribute("typeface").value();
      fonts[std::string(prefix) + "cs"] = f.child("a:cs").attribute("typeface").value();
      fonts[std::string(prefix) + "ea"] = f.child("a:ea").attribute("typeface").value();
    }
  }

  std::string Resolve(std::string_view typeface) const {
    if (typeface.starts_with("+")) {
      const auto it = fonts.find(std::string(typeface));
      return it == fonts.end() ? std::string() : it->second;
    }
    return std::string(typeface);
  }
};

class ParagraphConverter : public BlockConverter, LineWriter {
 public:
  ParagraphConverter(const ThemeFonts& theme, const ConvertOptions& o, ConvertStats& stats)
      : theme_(theme), o_(o), stats_(stats) {}

  bool ConvertBlock(pugi::xml_node block) override {
    paragraphs_.clear();
    FindElements(block, kParagraphs.blocks, paragraphs_);
    bool changed = false;
    for (const pugi::xml_node p : paragraphs_) changed = Convert(p) || changed;
    return changed;
  }

 private:
  bool IsLegacy(pugi::xml_node rpr) const {
    for (const char* slot : {"a:latin", "a:cs", "a:ea", "a:sym"}) {
      const pugi::xml_attribute face = rpr.child(slot).attribute("typeface");
      if (face && SameFont(theme_.Resolve(face.value()), o_.legacyFont)) return true;
    }
    if (rpr.child("a:latin")) return false;
    // A run naming no font is in the body font of the theme.
    return SameFont(theme_.Resolve("+mn-lt"), o_.legacyFont);
  }

  bool Convert(pugi::xml_node p) {
    line_.Clear();
    runs_.clear();
    items_.clear();
    for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
      const std::string_view name = c.name();
      if (name != "a:r" && name != "a:br" && name != "a:fld") continue;
      const std::size_t run = line_.AddRun();
      runs_.push_back(c.child("a:rPr"));
      items_.push_back(c);
      const std::size_t item = items_.size() - 1;
      if (name == "a:br") {
        line_.Add(CellKind::Break, run, item);
      } else if (name == "a:fld") {
        line_.Add(CellKind::Object, run, item);  // a slide number or date, made by the reader
      } else {
        const bool legacy = IsLegacy(c.child("a:rPr"));
        const bool convert = o_.to == Direction::ToUnicode ? legacy : !legacy;
        if (convert) {
          line_.AddText(run, item, Utf32Of(c.child("a:t").text().get(), "a slide"));
        } else {
          line_.Add(CellKind::Other, run, item);
        }
      }
    }
    if (line_.empty()) return false;
    const LineOutcome outcome = line_.Convert(o_);
    if (!outcome.converted) return false;
    stats_.runs += outcome.runs;
    stats_.leftOut += outcome.leftOut;

    // The new runs go where the old ones were: after a:pPr, before a:endParaRPr.
    for (const pugi::xml_node item : items_) p.remove_child(item);
    paragraph_ = p;
    end_ = p.child("a:endParaRPr");
    line_.Write(*this);

    if (!outcome.mixed) {
      pugi::xml_node ppr = p.child("a:pPr");
      if (!ppr) ppr = p.prepend_child("a:pPr");
      ppr.remove_attribute("rtl");
      if (o_.to == Direction::ToUnicode) ppr.append_attribute("rtl") = "1";
    }
    return true;
  }

  pugi::xml_node Add(const char* name) {
    return end_ ? paragraph_.insert_child_before(name, end_) : paragraph_.append_child(name);
  }

  // The run's properties with every font slot in the new font.
  void NewProperties(pugi::xml_node r, std::size_t run) {
    pugi::xml_node rpr = runs_[run] ? r.append_copy(runs_[run]) : r.append_child("a:rPr");
    for (const char* slot : {"a:latin", "a:ea", "a:cs", "a:sym"}) rpr.remove_child(slot);
    const std::string& font = o_.to == Direction::ToUnicode ? o_.unicodeFont : o_.legacyFont;
    // a:latin, a:ea, a:cs come after the line and fill properties and before
    // the hyperlinks.
    pugi::xml_node before;
    for (pugi::xml_node c = rpr.first_child(); c && !before; c = c.next_sibling()) {
      const std::string_view n = c.name();
      if (n == "a:hlinkClick" || n == "a:hlinkMouseOver" || n == "a:rtl" || n == "a:extLst") {
        before = c;
      }
    }
    const auto add = [&](const char* name) {
      return before ? rpr.insert_child_before(name, before) : rpr.append_child(name);
    };
    add("a:latin").append_attribute("typeface") = font.c_str();
    if (o_.to == Direction::ToUnicode) add("a:cs").append_attribute("typeface") = font.c_str();
  }

  void Open(std::size_t) override {}
  void Close(std::size_t) override {}
  void Text(std::size_t run, std::u32string_view text) override {
    pugi::xml_node r = Add("a:r");
    NewProperties(r, run);
    r.append_child("a:t").text().set(Utf8Of(text).c_str());
  }
  void NewBreak(std::size_t run) override { NewProperties(Add("a:br"), run); }
  void Keep(std::size_t, std::size_t item) override {
    if (end_) {
      paragraph_.insert_copy_before(items_[item], end_);
    } else {
      paragraph_.append_copy(items_[item]);
    }
  }

  const ThemeFonts& theme_;
  const ConvertOptions& o_;
  ConvertStats& stats_;
  DocLine line_;
  std::vector<pugi::xml_node> paragraphs_;
  std::vector<pugi::xml_node> runs_;   // per run: its a:rPr (maybe none)
  std::vector<pugi::xml_node> items_;  // per item: the a:r, a:br or a:fld
  pugi::xml_node paragraph_, end_;
};

}  // namespace

ConvertStats ConvertPptx(const std::string& in, const std::string& out, const ConvertOptions& o) {
  const Package package(in);
  if (!package.Has("[Content_Types].xml")) Invalid("not a .pptx presentation: no content types");
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  std::vector<std::string> parts;
  std::string theme;
  bool mainFound = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == "application/vnd.openxmlformats-officedocument.theme+xml") {
      // The first theme is the slide master's; a notes master's comes later.
      if (theme.empty() || name < theme) theme = name;
      continue;
    }
    if (!type.starts_with(kPresentation)) continue;
    const std::string_view kind = type.substr(kPresentation.size());
    if (kind == "presentation.main+xml" || kind == "slideshow.main+xml") mainFound = true;
    if (kind == "slide+xml" || kind == "slideLayout+xml" || kind == "slideMaster+xml" ||
        kind == "notesSlide+xml" || kind == "notesMaster+xml") {
      parts.push_back(name);
    }
  }
  if (!mainFound) Invalid("not a .pptx presentation: no presentation part");
  ThemeFonts themeFonts;
  if (!theme.empty() && package.Has(theme)) themeFonts.Read(package, theme);

  ConvertStats stats;
  std::map<std::string, NewPart> replaced;
  for (const std::string& name : parts) {
    if (!package.Has(name)) continue;
    ParagraphConverter converter(themeFonts, o, stats);
    DeflatedPart part = StreamBlocks(package, name, kParagraphs, converter);
    if (part.file) replaced[name].deflated = std::move(part);
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
