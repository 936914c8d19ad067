// .odt: one part converted a paragraph or heading at a time. Each is read into
// a line, converted, and written back in place of what it was.
#include "documents/odt_part.h"

namespace harf::documents::odt {

// The body is converted a paragraph or heading at a time, after the styles
// before it, which the converted text adds to.
const PartLayout kLayout{{"text:p", "text:h"}, "office:body", kOdfNamespaces};

// The part's root: its automatic styles and font faces join the scope, and
// the styles made for converted text go there.
void PartConverter::TakeHead(pugi::xml_node root) {
  root_ = root;
  StyleScope::Collect(root.child("office:automatic-styles"), scope_.automaticText,
                      scope_.automaticParagraph);
  StyleScope::CollectFonts(root.child("office:font-face-decls"), scope_.fontFamily);
}

// Converts the paragraphs and headings in block, its own included.
bool PartConverter::ConvertBlock(pugi::xml_node block) {
  changed_ = false;
  paragraphs_.clear();
  FindElements(block, kLayout.blocks, paragraphs_);
  for (const pugi::xml_node p : paragraphs_) ConvertParagraph(p);
  return changed_;
}

void PartConverter::ConvertParagraph(pugi::xml_node p) {
  paragraphStyle_ = p.attribute("text:style-name").value();
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
  stats_.leftOut += outcome.leftOut;
  pugi::xml_node marker = p.append_child(pugi::node_comment);
  parents_.assign(1, p);
  lastKept_ = {};
  line_.Write(*this);
  for (pugi::xml_node c = p.first_child(); c != marker;) {
    const pugi::xml_node next = c.next_sibling();
    p.remove_child(c);
    c = next;
  }
  p.remove_child(marker);
  if (!outcome.mixed) SetWritingMode(p);
}

}  // namespace harf::documents::odt
