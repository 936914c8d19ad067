// .docx: one part converted a paragraph at a time. Each paragraph, and the
// deleted text inside it, is read into a line, converted, and written back
// in place of what it was.
#include "documents/docx_part.h"

#include <cstddef>
#include <string_view>

namespace harf::documents::docx {

// A part is converted a paragraph at a time; text boxes are paragraphs inside
// a paragraph and go with it.
const PartLayout kLayout{{"w:p"}, "", kWordNamespaces};

// Converts a paragraph and those in its text boxes; says whether anything
// changed.
bool PartConverter::ConvertBlock(pugi::xml_node block) {
  changed_ = false;
  paragraphs_.clear();
  FindElements(block, kLayout.blocks, paragraphs_);
  for (const pugi::xml_node p : paragraphs_) ConvertParagraph(p);
  return changed_;
}

void PartConverter::ConvertParagraph(pugi::xml_node p) {
  paragraphFonts_ = styles_.ParagraphFonts(p);
  deleted_.clear();
  const LineOutcome outcome = ConvertLine(p, false);
  // Deleted text went as one object; its own runs are a line of their own.
  for (std::size_t k = 0; k < deleted_.size(); ++k) ConvertLine(deleted_[k], true);
  if (!outcome.converted) return;
  if (outcome.mixed) return;
  SetParagraphDirection(p, o_.to);
}

LineOutcome PartConverter::ConvertLine(pugi::xml_node root, bool deleted) {
  line_.Clear();
  runs_.clear();
  items_.clear();
  containers_.clear();
  deletedLine_ = deleted;
  Read(root);
  if (line_.empty()) return {};
  const LineOutcome outcome = line_.Convert(o_);
  if (!outcome.converted) return outcome;
  changed_ = true;
  stats_.runs += outcome.runs;
  stats_.leftOut += outcome.leftOut;
  // The line is written after a marker, then everything before the marker
  // that it did not take along goes.
  pugi::xml_node marker = root.append_child(pugi::node_comment);
  parents_.assign(1, root);
  lastKept_ = {};
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

}  // namespace harf::documents::docx
