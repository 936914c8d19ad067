// .odt: the converted line written back (DocLine's LineWriter): converted
// text in new spans of the styles made for it, and the items that stay moved
// into copies of their spans and containers.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "documents/odt_part.h"
#include "documents/xml_part.h"

namespace harf::documents::odt {
namespace {

// Text into an element, runs of spaces as text:s so that none collapses.
void AppendText(pugi::xml_node e, std::u32string_view text) {
  std::u32string plain;
  std::size_t i = 0;
  auto flush = [&] {
    if (!plain.empty()) e.append_child(pugi::node_pcdata).set_value(Utf8Of(plain).c_str());
    plain.clear();
  };
  while (i < text.size()) {
    if (text[i] != U' ') {
      plain.push_back(text[i++]);
      continue;
    }
    std::size_t n = 0;
    while (i + n < text.size() && text[i + n] == U' ') ++n;
    if (n == 1 && !plain.empty()) {
      plain.push_back(U' ');
    } else {
      // A space at the start of an element, or more than one, is a text:s.
      const bool firstLiteral = !plain.empty();
      if (firstLiteral) plain.push_back(U' ');
      flush();
      pugi::xml_node s = e.append_child("text:s");
      if (n - (firstLiteral ? 1 : 0) > 1) {
        s.append_attribute("text:c") = static_cast<unsigned>(n - (firstLiteral ? 1 : 0));
      }
    }
    i += n;
  }
  flush();
}

}  // namespace

void PartConverter::Open(std::size_t container) {
  const pugi::xml_node source = containers_[container].node;
  pugi::xml_node copy = Parent().append_child(source.name());
  for (const pugi::xml_attribute a : source.attributes()) copy.append_copy(a);
  parents_.push_back(copy);
  lastKept_ = {};
}

void PartConverter::Close(std::size_t) {
  parents_.pop_back();
  lastKept_ = {};
}

void PartConverter::Text(std::size_t run, std::u32string_view text) {
  const RunRec& r = runs_[run];
  pugi::xml_node span = Parent().append_child("text:span");
  const std::vector<std::string>& chain = chains_[r.spans];
  std::vector<std::string> around(chain.begin(), chain.end() - (r.span ? 1 : 0));
  span.append_attribute("text:style-name") =
      OutputStyle(r.span ? r.span.attribute("text:style-name").value() : "", around).c_str();
  AppendText(span, text);
  lastKept_ = {};
}

void PartConverter::NewBreak(std::size_t) {
  Parent().append_child("text:line-break");
  lastKept_ = {};
}

void PartConverter::Keep(std::size_t run, std::size_t item) {
  const pugi::xml_node span = runs_[run].span;
  pugi::xml_node into = Parent();
  if (span) {
    if (!(lastKept_ && lastKeptRun_ == run && into.last_child() == lastKept_)) {
      lastKept_ = into.append_child("text:span");
      for (const pugi::xml_attribute a : span.attributes()) lastKept_.append_copy(a);
      lastKeptRun_ = run;
    }
    into = lastKept_;
  } else {
    lastKept_ = {};
  }
  // Moved, not copied: a note's paragraphs stay the ones found.
  into.append_move(items_[item]);
}

}  // namespace harf::documents::odt
