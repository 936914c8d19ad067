// .docx: a paragraph's runs read into a line: text and symbols in the font
// being converted, the containers runs sit in (links, fields, tracked
// changes), and everything else as objects and marks that stay.
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/doc_line.h"
#include "documents/docx_part.h"
#include "documents/legacy_text.h"
#include "documents/xml_part.h"

namespace harf::documents::docx {
namespace {

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

std::string_view FieldCharType(pugi::xml_node run) {
  return run.child("w:fldChar").attribute("w:fldCharType").value();
}

}  // namespace

std::size_t PartConverter::AddItem(pugi::xml_node first, pugi::xml_node last) {
  items_.push_back({first, last ? last : first});
  return items_.size() - 1;
}

std::size_t PartConverter::AddOutsideRun() {
  runs_.push_back({});
  return line_.AddRun();
}

// Walks the line's elements in document order with a stack of its own, so
// that no nesting the input has can exhaust the program's.
void PartConverter::Read(pugi::xml_node root) {
  struct Level {
    pugi::xml_node next;
    bool container;
  };
  std::vector<Level> levels{{root.first_child(), false}};
  std::vector<pugi::xml_node> fieldEnds;  // ends of the complex fields open
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
    if (!fieldEnds.empty() && c == fieldEnds.back()) {
      fieldEnds.pop_back();
      line_.CloseContainer();
      continue;
    }
    if (name == "w:pPr" && c.parent() == root) continue;
    if (name == "w:r") {
      if (c.child("w:fldChar")) {
        ReadField(c, levels.back().next, fieldEnds);
      } else {
        ReadRun(c);
      }
    } else if (IsMark(name)) {
      line_.Add(MarkKind(name), AddOutsideRun(), AddItem(c));
    } else if (HoldsRuns(name) && !deletedLine_) {
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
    } else if (HoldsDeleted(name) && !deletedLine_) {
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
void PartConverter::ReadField(pugi::xml_node run, pugi::xml_node& next,
                              std::vector<pugi::xml_node>& fieldEnds) {
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
  fieldEnds.push_back(end);
  next = separate.next_sibling();
}

bool PartConverter::IsLegacyRun(pugi::xml_node rPr) const {
  const Fonts f = styles_.Resolve(rPr, paragraphFonts_);
  auto legacy = [&](Slot s) { return f[s] && SameFont(*f[s], o_.legacyFont); };
  if (legacy(kAscii) || legacy(kHAnsi)) return true;
  if (legacy(kCs) && (rPr.child("w:rtl") || rPr.child("w:cs"))) return true;
  return legacy(kEastAsia) &&
         std::string_view(rPr.child("w:rFonts").attribute("w:hint").value()) == "eastAsia";
}

// The character of a w:sym in the legacy font, or nothing.
std::optional<char32_t> PartConverter::SymbolChar(pugi::xml_node sym) const {
  const char* hex = sym.attribute("w:char").value();
  char* end = nullptr;
  const unsigned long code = std::strtoul(hex, &end, 16);
  if (!SameFont(sym.attribute("w:font").value(), o_.legacyFont) || *hex == '\0' || *end != '\0' ||
      code > 0x10FFFF) {
    return std::nullopt;
  }
  return static_cast<char32_t>(code);
}

void PartConverter::ReadRun(pugi::xml_node r) {
  const pugi::xml_node rPr = r.child("w:rPr");
  const bool unicode = o_.to == Direction::ToUnicode;
  const bool legacyFont = IsLegacyRun(rPr);
  // Whether the run's text is text to convert: to Unicode, text in the
  // legacy font and symbols of it; to the legacy font, Arabic.
  bool wanted = unicode || !legacyFont;
  bool hasText = false;
  std::u32string text;
  for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
    const std::string_view name = c.name();
    if (name == "w:t" || name == "w:delText") {
      hasText = true;
      wanted = wanted && (!unicode || legacyFont);
      if (wanted && !unicode) text += Utf32Of(c.text().get(), part_);
    } else if (name == "w:sym") {
      wanted = wanted && unicode && SymbolChar(c).has_value();
    } else if (name == "w:softHyphen") {
      wanted = wanted && (!unicode || legacyFont);
    }
  }
  if (wanted && !unicode && hasText) wanted = IsArabicText(text) || IsNeutralText(text);
  const std::size_t run = line_.AddRun();
  runs_.push_back({r, deletedLine_});
  if (!wanted && hasText) {
    // Text that stays: the run stays whole, as it is.
    line_.Add(CellKind::Other, run, AddItem(r));
    return;
  }
  for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view name = c.name();
    if (name == "w:rPr" || name == "w:lastRenderedPageBreak") continue;
    if (name == "w:t" || name == "w:delText") {
      const std::u32string chars = Utf32Of(c.text().get(), part_);
      if (chars.empty()) continue;
      if (chars.size() > kMaxParagraphChars - line_.textSize()) {
        const std::ptrdiff_t offset = c.offset_debug();
        throw DocumentError(DocumentError::Kind::Invalid,
                            "a paragraph longer than " + std::to_string(kMaxParagraphChars) +
                                " characters in " + part_ + " at byte " +
                                std::to_string(blockAt + (offset > 0 ? offset : 0)));
      }
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

}  // namespace harf::documents::docx
