// .odt: a paragraph's text read into a line: leaf spans as runs, whose font
// decides whether their text is converted, other spans, links and metadata
// as containers, and marks, tabs and breaks between them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/doc_line.h"
#include "documents/legacy_text.h"
#include "documents/odt_part.h"
#include "documents/xml_part.h"

namespace harf::documents::odt {
namespace {

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

}  // namespace

[[noreturn]] void PartConverter::Refuse(pugi::xml_node at, const std::string& why) const {
  const std::ptrdiff_t offset = at.offset_debug();
  throw DocumentError(
      DocumentError::Kind::Invalid,
      why + " in " + part_ + " at byte " + std::to_string(blockAt + (offset > 0 ? offset : 0)));
}

bool PartConverter::IsLegacy(const std::vector<std::string>& spans) const {
  std::optional<std::string> font;
  for (auto it = spans.rbegin(); it != spans.rend() && !font; ++it) {
    font = scope_.FontOf(*it, false);
  }
  if (!font) font = scope_.FontOf(paragraphStyle_, true);
  return font && SameFont(*font, o_.legacyFont);
}

// How a run's text counts: Text to convert, Break for neutral text that
// stays, Other for the rest.
CellKind PartConverter::KindOf(const std::vector<std::string>& spans,
                               const std::u32string& text) const {
  const bool legacy = IsLegacy(spans);
  if (o_.to == Direction::ToUnicode) return legacy ? CellKind::Text : CellKind::Other;
  if (!legacy && (IsArabicText(text) || IsNeutralText(text))) return CellKind::Text;
  return IsNeutralText(text) ? CellKind::Break : CellKind::Other;
}

std::size_t PartConverter::AddItem(pugi::xml_node node) {
  items_.push_back(node);
  return items_.size() - 1;
}

std::u32string PartConverter::Spaces(pugi::xml_node s) {
  const unsigned long long n = s.attribute("text:c").as_ullong(1);
  if (n > kMaxParagraphChars - line_.textSize()) {
    Refuse(s, "text:c=\"" + std::to_string(n) + "\", more spaces than a paragraph may hold,");
  }
  return std::u32string(static_cast<std::size_t>(n), U' ');
}

// The characters of a text node or text:s, or nothing for anything else.
std::optional<std::u32string> PartConverter::CharsOf(pugi::xml_node c) {
  if (c.type() == pugi::node_pcdata) return CollapsedText(c.value(), part_);
  if (c.type() == pugi::node_element && std::string_view(c.name()) == "text:s") {
    return Spaces(c);
  }
  return std::nullopt;
}

void PartConverter::AddChars(CellKind kind, std::size_t run, pugi::xml_node node,
                             const std::u32string& chars) {
  if (chars.size() > kMaxParagraphChars - line_.textSize()) {
    Refuse(node, "a paragraph longer than " + std::to_string(kMaxParagraphChars) + " characters");
  }
  if (kind == CellKind::Text) {
    line_.AddText(run, AddItem(node), chars);
  } else {
    line_.Add(kind, run, AddItem(node));
  }
}

std::size_t PartConverter::NewRun(pugi::xml_node span, std::size_t spans) {
  runs_.push_back({span, spans});
  return line_.AddRun();
}

// A leaf span: its text decides its kind, its other children stay.
void PartConverter::ReadLeaf(pugi::xml_node span, std::size_t spans) {
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
void PartConverter::Read(pugi::xml_node p) {
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

}  // namespace harf::documents::odt
