// .docx styles: the fonts a run is set in, from its direct formatting, its
// character style, its paragraph's style and the document defaults, with
// theme fonts looked up in the document's theme.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "documents/doc_line.h"
#include "documents/docx_part.h"

namespace harf::documents::docx {
namespace {

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

}  // namespace

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

Styles::Styles(const pugi::xml_document* doc, ThemeFonts theme) : theme_(std::move(theme)) {
  if (!doc) return;
  const pugi::xml_node styles = doc->child("w:styles");
  defaults_ = styles.child("w:docDefaults").child("w:rPrDefault").child("w:rPr");
  for (const pugi::xml_node style : styles.children("w:style")) {
    const std::string id = style.attribute("w:styleId").value();
    byId_[id] = style;
    if (std::string_view(style.attribute("w:type").value()) == "paragraph" &&
        style.attribute("w:default").as_bool()) {
      defaultParagraph_ = id;
    }
  }
}

// What a paragraph gives its runs: its style's fonts, then the document
// defaults.
Fonts Styles::ParagraphFonts(pugi::xml_node paragraph) const {
  Fonts fonts;
  const pugi::xml_node pStyle = paragraph.child("w:pPr").child("w:pStyle");
  FillFromStyle(fonts, pStyle ? pStyle.attribute("w:val").value() : defaultParagraph_);
  FillFonts(fonts, defaults_, theme_);
  return fonts;
}

// The fonts of a run: direct formatting, its character style, then what
// its paragraph gives, in that order.
Fonts Styles::Resolve(pugi::xml_node rPr, const Fonts& paragraph) const {
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

void Styles::FillFromStyle(Fonts& fonts, std::string id) const {
  for (int depth = 0; depth < kMaxStyleChain && !id.empty(); ++depth) {
    const auto it = byId_.find(id);
    if (it == byId_.end()) return;
    FillFonts(fonts, it->second.child("w:rPr"), theme_);
    id = it->second.child("w:basedOn").attribute("w:val").value();
  }
}

}  // namespace harf::documents::docx
