// .docx: the converted line written back (DocLine's LineWriter): new runs
// formatted as the ones they came from, in the new font, and the items that
// stay moved into copies of their runs and containers.
#include <cstddef>
#include <string_view>

#include "documents/docx_part.h"
#include "documents/xml_part.h"

namespace harf::documents::docx {

void PartConverter::Open(std::size_t container) {
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
  lastKept_ = {};
}

void PartConverter::Close(std::size_t container) {
  parents_.pop_back();
  if (const pugi::xml_node tail = containers_[container].tail) Parent().append_copy(tail);
  lastKept_ = {};
}

// A new run formatted as `run`, of the new kind.
pugi::xml_node PartConverter::NewRun(std::size_t run) {
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
  lastKept_ = {};
  return r;
}

void PartConverter::Text(std::size_t run, std::u32string_view text) {
  pugi::xml_node t = NewRun(run).append_child(runs_[run].deleted ? "w:delText" : "w:t");
  t.append_attribute("xml:space") = "preserve";
  t.text().set(Utf8Of(text).c_str());
}

void PartConverter::NewBreak(std::size_t run) {
  NewRun(run).append_child("w:br");
}

void PartConverter::Keep(std::size_t run, std::size_t item) {
  const ItemRec& rec = items_[item];
  const pugi::xml_node source = runs_[run].node;
  pugi::xml_node into = Parent();
  if (source && rec.first != source) {
    // One of a run's children: into a run formatted as it was, shared by
    // the run's children kept one after another.
    if (!(lastKept_ && lastKeptRun_ == run && into.last_child() == lastKept_)) {
      lastKept_ = into.append_child("w:r");
      for (const pugi::xml_attribute a : source.attributes()) lastKept_.append_copy(a);
      if (const pugi::xml_node rPr = source.child("w:rPr")) lastKept_.append_copy(rPr);
      lastKeptRun_ = run;
    }
    into = lastKept_;
  } else {
    lastKept_ = {};
  }
  // Moved, not copied: a text box's paragraphs stay the ones found.
  for (pugi::xml_node n = rec.first; n;) {
    const pugi::xml_node next = n == rec.last ? pugi::xml_node() : n.next_sibling();
    into.append_move(n);
    n = next;
  }
}

}  // namespace harf::documents::docx
