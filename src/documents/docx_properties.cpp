// .docx run and paragraph properties of converted text: the new font in every
// slot, the complex-script twins that draw right-to-left text, and the
// paragraph's direction. Properties are added where the schema puts them.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "documents/docx_part.h"

namespace harf::documents::docx {
namespace {

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

// Word and LibreOffice draw left and right, start and end, from the
// paragraph's own side: a paragraph whose direction turns keeps its place
// on the page when they swap.
void MirrorAlignment(pugi::xml_node pPr) {
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

}  // namespace

void MakeUnicodeRun(pugi::xml_node rPr, const ConvertOptions& o) {
  SetFonts(rPr, o.unicodeFont);
  CopyTwin(rPr, "w:b", "w:bCs");
  CopyTwin(rPr, "w:i", "w:iCs");
  CopyTwin(rPr, "w:sz", "w:szCs");
  SetOn(rPr, "w:rtl", kRunPropertyOrder);
}

void MakeLegacyRun(pugi::xml_node rPr, const ConvertOptions& o) {
  SetFonts(rPr, o.legacyFont);
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

// A paragraph of nothing but converted text takes the direction of its new
// text: right to left for Unicode, left to right for display-order glyph
// codes.
void SetParagraphDirection(pugi::xml_node p, Direction to) {
  pugi::xml_node pPr = p.child("w:pPr");
  if (to == Direction::ToUnicode) {
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

}  // namespace harf::documents::docx
