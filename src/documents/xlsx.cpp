// .xlsx workbooks both ways. Legacy text is found by a cell's style font
// (styles.xml: cellXfs -> fonts) and by rich-text runs (rPr/rFont) in shared
// and inline strings; each string is one line of the document line model.
// Sheets are streamed a row at a time, twice: once to learn which shared
// strings legacy and other cells use, once to convert. Numbers, formulas,
// other cells, charts and comments are copied as they are.
#include <cstdint>
#include <iterator>
#include <list>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

constexpr std::string_view kSheetType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::string_view kMainType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view kStringsType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr std::string_view kStylesType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

// SpreadsheetML by its names as written: producers make it the default
// namespace, and a part renamed to a prefix of ours would not be found by
// those names when it is converted again.
const PartLayout kRows{{"row"}, "", {}};

// The cell formats and fonts of styles.xml, and the converted copies added to
// them: a string cell in a legacy font gets a copy of its format in the
// Unicode font, read right to left.
class Styles {
 public:
  Styles(const Package& package, const std::string& part, const ConvertOptions& o)
      : part_(part), o_(o) {
    if (part.empty() || !package.Has(part)) return;
    ParsePart(doc_, package, part);
    const pugi::xml_node sheet = doc_.child("styleSheet");
    fonts_ = sheet.child("fonts");
    xfs_ = sheet.child("cellXfs");
    for (const pugi::xml_node f : fonts_.children("font")) {
      font_legacy_.push_back(SameFont(f.child("name").attribute("val").value(), o.legacy_font));
      font_nodes_.push_back(f);
    }
    for (const pugi::xml_node x : xfs_.children("xf")) xf_nodes_.push_back(x);
  }

  std::size_t xf_count() const { return xf_nodes_.size(); }

  bool Legacy(std::size_t xf) const {
    if (xf >= xf_nodes_.size()) return false;
    const std::size_t font = xf_nodes_[xf].attribute("fontId").as_ullong(0);
    return font < font_legacy_.size() && font_legacy_[font];
  }

  // The format a converted string cell of format `xf` gets.
  std::size_t Converted(std::size_t xf) {
    if (const auto it = converted_.find(xf); it != converted_.end()) return it->second;
    const pugi::xml_node source = xf_nodes_[xf];
    const std::size_t font_id = source.attribute("fontId").as_ullong(0);
    pugi::xml_node font = fonts_.append_copy(font_nodes_.at(font_id));
    // A symbol charset or a theme scheme would win over the name.
    font.remove_child("charset");
    font.remove_child("scheme");
    font.remove_child("family");
    if (!font.child("name")) font.append_child("name");
    font.child("name").remove_attribute("val");
    font.child("name").append_attribute("val") = o_.unicode_font.c_str();
    const std::size_t new_font = font_legacy_.size();
    font_legacy_.push_back(false);
    font_nodes_.push_back(font);
    SetCount(fonts_, font_legacy_.size());

    pugi::xml_node copy = xfs_.append_copy(source);
    copy.attribute("fontId").set_value(static_cast<unsigned long long>(new_font));
    if (!copy.attribute("applyFont")) copy.append_attribute("applyFont");
    copy.attribute("applyFont").set_value("1");
    pugi::xml_node align = copy.child("alignment");
    if (!align) align = copy.prepend_child("alignment");
    if (!align.attribute("readingOrder")) align.append_attribute("readingOrder");
    align.attribute("readingOrder").set_value("2");
    if (!copy.attribute("applyAlignment")) copy.append_attribute("applyAlignment");
    copy.attribute("applyAlignment").set_value("1");
    xf_nodes_.push_back(copy);
    SetCount(xfs_, xf_nodes_.size());
    converted_[xf] = xf_nodes_.size() - 1;
    return converted_[xf];
  }

  void Write(std::map<std::string, NewPart>& replaced) const {
    if (!converted_.empty()) replaced[part_].bytes = SerializePart(doc_);
  }

 private:
  static void SetCount(pugi::xml_node list, std::size_t n) {
    if (!list.attribute("count")) list.append_attribute("count");
    list.attribute("count").set_value(static_cast<unsigned long long>(n));
  }

  std::string part_;
  const ConvertOptions& o_;
  pugi::xml_document doc_;
  pugi::xml_node fonts_, xfs_;
  std::vector<bool> font_legacy_;
  std::vector<pugi::xml_node> font_nodes_;
  std::vector<pugi::xml_node> xf_nodes_;
  std::map<std::size_t, std::size_t> converted_;
};

// One string (a shared string's <si> or a cell's <is>): its runs read as one
// line and written back as plain text or rich-text runs.
class StringConverter : LineWriter {
 public:
  StringConverter(const ConvertOptions& o, ConvertStats& stats) : o_(o), stats_(stats) {}

  // Converts the string; `cell_legacy`: the cell's own font is the legacy
  // font (runs without a font of their own are in it). True when it changed.
  bool Convert(pugi::xml_node holder, bool cell_legacy) {
    line_.Clear();
    runs_.clear();
    items_.clear();
    out_.clear();
    for (pugi::xml_node c = holder.first_child(); c; c = c.next_sibling()) {
      const std::string_view name = c.name();
      if (name != "t" && name != "r") continue;
      const pugi::xml_node rpr = c.child("rPr");
      const pugi::xml_attribute font = rpr.child("rFont").attribute("val");
      const bool legacy = font ? SameFont(font.value(), o_.legacy_font) : cell_legacy;
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
    stats_.left_out += outcome.left_out;
    line_.Write(*this);

    pugi::xml_node first_other;
    for (pugi::xml_node c = holder.first_child(); c;) {
      const pugi::xml_node next = c.next_sibling();
      const std::string_view name = c.name();
      if (name == "t" || name == "r") {
        holder.remove_child(c);
      } else if (!first_other && c.type() == pugi::node_element) {
        first_other = c;
      }
      c = next;
    }
    const auto add = [&](const char* name) {
      return first_other ? holder.insert_child_before(name, first_other)
                         : holder.append_child(name);
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

  // Whether the string has text in the cell's own font: its reading then
  // depends on the cell.
  static bool FollowsCell(pugi::xml_node holder) {
    if (holder.child("t")) return true;
    for (const pugi::xml_node r : holder.children("r")) {
      if (!r.child("rPr").child("rFont")) return true;
    }
    return false;
  }

 private:
  struct RunRec {
    pugi::xml_node rpr;
  };
  struct Out {
    std::size_t run;
    bool converted;
    std::u32string text;
  };

  void SetFont(pugi::xml_node rpr) const {
    rpr.remove_child("charset");
    rpr.remove_child("scheme");
    rpr.remove_child("family");
    pugi::xml_node font = rpr.child("rFont");
    if (!font) font = rpr.prepend_child("rFont");
    font.remove_attribute("val");
    const std::string& name = o_.to == Direction::ToUnicode ? o_.unicode_font : o_.legacy_font;
    font.append_attribute("val") = name.c_str();
  }

  void Append(std::size_t run, bool converted, std::u32string_view text) {
    if (!out_.empty() && out_.back().run == run && out_.back().converted == converted) {
      out_.back().text += text;
    } else {
      out_.push_back({run, converted, std::u32string(text)});
    }
  }
  void Open(std::size_t) override {}
  void Close(std::size_t) override {}
  void Text(std::size_t run, std::u32string_view text) override { Append(run, true, text); }
  void NewBreak(std::size_t run) override { Append(run, true, U"\n"); }
  void Keep(std::size_t run, std::size_t item) override { Append(run, false, items_[item]); }

  const ConvertOptions& o_;
  ConvertStats& stats_;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<std::u32string> items_;
  std::vector<Out> out_;
};

// What cells do with shared strings: bit 1, a cell in a legacy font uses it;
// bit 2, a cell in another font does.
enum : std::uint8_t { kByLegacy = 1, kByOther = 2 };

std::size_t SharedIndex(pugi::xml_node c, std::size_t count) {
  const std::string_view v = c.child_value("v");
  std::size_t index = 0;
  for (const char ch : v) {
    if (ch < '0' || ch > '9' || index > count) Invalid("a cell's shared string index is not valid");
    index = index * 10 + static_cast<std::size_t>(ch - '0');
  }
  if (v.empty() || index >= count) Invalid("a cell names a shared string that is not there");
  return index;
}

class SheetScanner : public BlockConverter {
 public:
  SheetScanner(const Styles& styles, std::vector<std::uint8_t>& usage)
      : styles_(styles), usage_(usage) {}
  bool ConvertBlock(pugi::xml_node row) override {
    for (const pugi::xml_node c : row.children("c")) {
      if (std::string_view(c.attribute("t").value()) != "s") continue;
      const std::size_t index = SharedIndex(c, usage_.size());
      usage_[index] |= styles_.Legacy(c.attribute("s").as_ullong(0)) ? kByLegacy : kByOther;
    }
    return false;
  }

 private:
  const Styles& styles_;
  std::vector<std::uint8_t>& usage_;
};

class SheetConverter : public BlockConverter {
 public:
  SheetConverter(Styles& styles, const std::map<std::size_t, std::size_t>& split,
                 std::size_t strings, StringConverter& strings_converter, const ConvertOptions& o)
      : styles_(styles), split_(split), strings_(strings), convert_(strings_converter), o_(o) {}

  bool ConvertBlock(pugi::xml_node row) override {
    bool changed = false;
    for (pugi::xml_node c : row.children("c")) {
      const std::string_view type = c.attribute("t").value();
      const std::size_t xf = c.attribute("s").as_ullong(0);
      const bool legacy = styles_.Legacy(xf);
      if (type == "s") {
        const std::size_t index = SharedIndex(c, strings_);
        if (o_.to != Direction::ToUnicode || !legacy) continue;
        if (const auto it = split_.find(index); it != split_.end()) {
          c.child("v").text().set(static_cast<unsigned long long>(it->second));
        }
      } else if (type == "inlineStr") {
        const bool converted = convert_.Convert(c.child("is"), legacy);
        changed = changed || converted;
        if (o_.to != Direction::ToUnicode || !legacy) continue;
      } else {
        continue;  // numbers, dates, booleans, errors and formulas stay
      }
      c.attribute("s").set_value(static_cast<unsigned long long>(styles_.Converted(xf)));
      changed = true;
    }
    return changed;
  }

 private:
  Styles& styles_;
  const std::map<std::size_t, std::size_t>& split_;
  std::size_t strings_;
  StringConverter& convert_;
  const ConvertOptions& o_;
};

const PartLayout kStrings{{"si"}, "", {}};

class StringCounter : public BlockConverter {
 public:
  bool ConvertBlock(pugi::xml_node) override {
    ++count;
    return false;
  }
  std::size_t count = 0;
};

// The shared strings a string at a time. A string used by cells in the legacy
// font and by other cells is split: other cells show its characters as they
// are and keep it; the legacy cells get a converted copy, added after the last
// string (the only copies held until then).
class StringsConverter : public BlockConverter {
 public:
  StringsConverter(StringConverter& convert, const std::vector<std::uint8_t>& usage,
                   const ConvertOptions& o)
      : convert_(convert), usage_(usage), o_(o) {}

  const std::map<std::size_t, std::size_t>& split() const { return split_; }

  bool ConvertBlock(pugi::xml_node si) override {
    const std::size_t k = next_++;
    if (k >= usage_.size()) Invalid("the shared strings changed while they were read");
    bool changed = false;
    const bool by_legacy = usage_[k] & kByLegacy;
    if (o_.to == Direction::ToUnicode && by_legacy && (usage_[k] & kByOther) &&
        StringConverter::FollowsCell(si)) {
      copies_.emplace_back();
      const pugi::xml_node copy = copies_.back().append_copy(si);
      split_[k] = usage_.size() + split_.size();
      convert_.Convert(copy, true);
      convert_.Convert(si, false);
      changed = true;
    } else {
      changed =
          convert_.Convert(si, o_.to == Direction::ToUnicode ? by_legacy : usage_[k] == kByLegacy);
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

 private:
  StringConverter& convert_;
  const std::vector<std::uint8_t>& usage_;
  const ConvertOptions& o_;
  std::size_t next_ = 0;
  std::map<std::size_t, std::size_t> split_;
  std::list<pugi::xml_document> copies_;
};

}  // namespace

ConvertStats ConvertXlsx(const std::string& in, const std::string& out, const ConvertOptions& o) {
  const Package package(in);
  if (!package.Has("[Content_Types].xml")) Invalid("not a .xlsx workbook: no content types");
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  std::vector<std::string> sheets;
  std::string strings_part, styles_part;
  bool main_found = false;
  for (const pugi::xml_node override : types.child("Types").children("Override")) {
    std::string name = override.attribute("PartName").value();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    const std::string_view type = override.attribute("ContentType").value();
    if (type == kMainType || type == "application/vnd.ms-excel.sheet.macroEnabled.main+xml") {
      main_found = true;
    } else if (type == kSheetType) {
      sheets.push_back(name);
    } else if (type == kStringsType) {
      strings_part = name;
    } else if (type == kStylesType) {
      styles_part = name;
    }
  }
  if (!main_found) Invalid("not a .xlsx workbook: no workbook part");

  ConvertStats stats;
  Styles styles(package, styles_part, o);
  // The shared strings are streamed too: first counted, so that a cell's
  // index is checked against them, then converted.
  const bool have_strings = !strings_part.empty() && package.Has(strings_part);
  StringCounter counter;
  if (have_strings) StreamBlocks(package, strings_part, kStrings, counter);
  const std::size_t count = counter.count;

  // Which cells use which shared strings, before any is changed.
  std::vector<std::uint8_t> usage(count, 0);
  for (const std::string& sheet : sheets) {
    if (!package.Has(sheet)) continue;
    SheetScanner scanner(styles, usage);
    StreamBlocks(package, sheet, kRows, scanner);
  }

  StringConverter convert(o, stats);
  StringsConverter strings(convert, usage, o);
  std::map<std::string, NewPart> replaced;
  if (count > 0) {
    DeflatedPart part = StreamBlocks(package, strings_part, kStrings, strings);
    if (part.file) replaced[strings_part].deflated = std::move(part);
  }
  const std::map<std::size_t, std::size_t>& split = strings.split();
  const std::size_t sis_size = count;

  for (const std::string& sheet : sheets) {
    if (!package.Has(sheet)) continue;
    SheetConverter converter(styles, split, sis_size, convert, o);
    DeflatedPart part = StreamBlocks(package, sheet, kRows, converter);
    if (part.file) replaced[sheet].deflated = std::move(part);
  }
  styles.Write(replaced);
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace harf::documents
