// The strings of a workbook: one string's runs read as a line and written
// back, and the shared strings part converted a string at a time.
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "documents/xlsx_parts.h"
#include "documents/xml_part.h"

namespace harf::documents::xlsx {

bool StringConverter::Convert(pugi::xml_node holder, bool cellLegacy) {
  line_.Clear();
  runs_.clear();
  items_.clear();
  out_.clear();
  for (pugi::xml_node c = holder.first_child(); c; c = c.next_sibling()) {
    const std::string_view name = c.name();
    if (name != "t" && name != "r") continue;
    const pugi::xml_node rpr = c.child("rPr");
    const pugi::xml_attribute font = rpr.child("rFont").attribute("val");
    const bool legacy = font ? SameFont(font.value(), o_.legacyFont) : cellLegacy;
    const std::size_t run = line_.AddRun();
    runs_.push_back({rpr});
    const std::u32string text =
        Utf32Of(name == "t" ? c.text().get() : c.child("t").text().get(), "a string");
    // To Unicode the legacy runs are converted; to the legacy font every
    // run not in it already may hold Arabic.
    const bool convert = o_.to == Direction::ToUnicode ? legacy : !legacy;
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t nl = text.find(U'\n', start);
      const std::size_t end = nl == std::u32string::npos ? text.size() : nl;
      if (end > start) {
        items_.push_back(text.substr(start, end - start));
        if (convert) {
          line_.AddText(run, items_.size() - 1, items_.back());
        } else {
          line_.Add(CellKind::Other, run, items_.size() - 1);
        }
      }
      if (nl == std::u32string::npos) break;
      items_.push_back(U"\n");
      line_.Add(CellKind::Break, run, items_.size() - 1);
      start = nl + 1;
    }
  }
  if (line_.empty()) return false;
  const LineOutcome outcome = line_.Convert(o_);
  if (!outcome.converted) return false;
  stats_.runs += outcome.runs;
  stats_.leftOut += outcome.leftOut;
  line_.Write(*this);

  pugi::xml_node firstOther;
  for (pugi::xml_node c = holder.first_child(); c;) {
    const pugi::xml_node next = c.next_sibling();
    const std::string_view name = c.name();
    if (name == "t" || name == "r") {
      holder.remove_child(c);
    } else if (!firstOther && c.type() == pugi::node_element) {
      firstOther = c;
    }
    c = next;
  }
  const auto add = [&](const char* name) {
    return firstOther ? holder.insert_child_before(name, firstOther) : holder.append_child(name);
  };
  // One run in the cell's own font stays plain text: the cell's format says the font.
  const bool plain = out_.size() == 1 && !runs_[out_[0].run].rpr && o_.to == Direction::ToUnicode;
  for (const Out& piece : out_) {
    pugi::xml_node t;
    if (plain) {
      t = add("t");
    } else {
      pugi::xml_node r = add("r");
      const pugi::xml_node source = runs_[piece.run].rpr;
      if (source || piece.converted) {
        pugi::xml_node rpr = source ? r.append_copy(source) : r.append_child("rPr");
        if (piece.converted) SetFont(rpr);
      }
      t = r.append_child("t");
    }
    t.append_attribute("xml:space") = "preserve";
    t.text().set(Utf8Of(piece.text).c_str());
  }
  return true;
}

bool StringConverter::FollowsCell(pugi::xml_node holder) {
  if (holder.child("t")) return true;
  for (const pugi::xml_node r : holder.children("r")) {
    if (!r.child("rPr").child("rFont")) return true;
  }
  return false;
}

void StringConverter::SetFont(pugi::xml_node rpr) const {
  rpr.remove_child("charset");
  rpr.remove_child("scheme");
  rpr.remove_child("family");
  pugi::xml_node font = rpr.child("rFont");
  if (!font) font = rpr.prepend_child("rFont");
  font.remove_attribute("val");
  const std::string& name = o_.to == Direction::ToUnicode ? o_.unicodeFont : o_.legacyFont;
  font.append_attribute("val") = name.c_str();
}

void StringConverter::Append(std::size_t run, bool converted, std::u32string_view text) {
  if (!out_.empty() && out_.back().run == run && out_.back().converted == converted) {
    out_.back().text += text;
  } else {
    out_.push_back({run, converted, std::u32string(text)});
  }
}

bool StringsConverter::ConvertBlock(pugi::xml_node si) {
  const std::size_t k = next_++;
  if (k >= usage_.size()) Invalid("the shared strings changed while they were read");
  bool changed = false;
  const bool byLegacy = usage_[k] & kByLegacy;
  if (o_.to == Direction::ToUnicode && byLegacy && (usage_[k] & kByOther) &&
      StringConverter::FollowsCell(si)) {
    copies_.emplace_back();
    const pugi::xml_node copy = copies_.back().append_copy(si);
    split_[k] = usage_.size() + split_.size();
    convert_.Convert(copy, true);
    convert_.Convert(si, false);
    changed = true;
  } else {
    changed =
        convert_.Convert(si, o_.to == Direction::ToUnicode ? byLegacy : usage_[k] == kByLegacy);
  }
  if (k + 1 == usage_.size() && !copies_.empty()) {
    pugi::xml_node after = si;
    for (const pugi::xml_document& c : copies_) {
      after = si.parent().insert_copy_after(c.document_element(), after);
    }
    copies_.clear();
    // sst's uniqueCount stays as it was: readers take it as a hint, and the
    // part's head is copied, not rewritten.
    changed = true;
  }
  return changed;
}

}  // namespace harf::documents::xlsx
