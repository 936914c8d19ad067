// OpenDocument spreadsheets (.ods) and presentations (.odp) both ways. Every
// text:p and text:h of content.xml is one line of the document line model.
// Its font comes from its spans' text styles, its paragraph style, and then
// from what holds it: the cell's style (or its column's default cell style)
// in a spreadsheet, the frame's presentation or graphic style on a slide,
// each with its parents and the family's default style. Rows (a sheet) or
// pages (a presentation) are streamed one at a time.
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/odf_styles.h"
#include "documents/package.h"
#include "documents/part_stream.h"
#include "documents/xml_names.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

bool IsContainer(std::string_view name) {
  return name == "text:span" || name == "text:a" || name == "text:meta" || name == "text:ruby-base";
}

class PartConverter : public BlockConverter, LineWriter {
 public:
  // `prefix` starts the names of the styles it makes: styles.xml's
  // automatic styles and content.xml's are named apart.
  PartConverter(OdfStyles& styles, const ConvertOptions& o, ConvertStats& stats,
                std::string prefix = "Harf")
      : styles_(styles), o_(o), stats_(stats), made_(styles, o, std::move(prefix)) {}

  void TakeHead(pugi::xml_node root) override {
    made_.SetRoot(root);
    styles_.Collect(root);
  }
  bool HeadChanged() const override { return made_.Changed(); }

  bool ConvertBlock(pugi::xml_node block) override {
    const std::string_view name = block.name();
    if (name == "table:table-column") {
      // A table's columns come before its rows: their default cell styles.
      if (afterRows_) columns_.clear();
      afterRows_ = false;
      const std::size_t n = std::min<std::size_t>(
          block.attribute("table:number-columns-repeated").as_ullong(1), kMaxColumns);
      for (std::size_t i = 0; i < n && columns_.size() < kMaxColumns; ++i) {
        columns_.push_back(block.attribute("table:default-cell-style-name").value());
      }
      return false;
    }
    afterRows_ = true;
    paragraphs_.clear();
    FindElements(block, {"text:p", "text:h"}, paragraphs_);
    bool changed = false;
    for (const pugi::xml_node p : paragraphs_) changed = Convert(p) || changed;
    return changed;
  }

 private:
  // A spreadsheet has at most this many columns; a larger repeat is cut.
  static constexpr std::size_t kMaxColumns = 16384;

  // The font of what holds the paragraph: a cell or a frame.
  std::optional<std::string> HolderFont(pugi::xml_node p) const {
    for (pugi::xml_node a = p.parent(); a; a = a.parent()) {
      const std::string_view name = a.name();
      if (name == "table:table-cell" || name == "table:covered-table-cell") {
        std::string style;
        CellOf(p, style);
        return styles_.FontOf("table-cell", style, true);
      }
      if (name == "draw:frame" || name == "draw:custom-shape" || name == "draw:rect") {
        if (auto f = styles_.FontOf("presentation", a.attribute("presentation:style-name").value(),
                                    false)) {
          return f;
        }
        return styles_.FontOf("graphic", a.attribute("draw:style-name").value(), true);
      }
    }
    return std::nullopt;
  }

  bool Legacy(const std::vector<std::string>& spans, const std::optional<std::string>& para) {
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
      if (auto f = styles_.FontOf("text", *it, false)) return SameFont(*f, o_.legacyFont);
    }
    return para && SameFont(*para, o_.legacyFont);
  }

  // The table cell holding the paragraph, if any, and its style's name
  // (its column's default cell style when it names none).
  pugi::xml_node CellOf(pugi::xml_node p, std::string& style) const {
    for (pugi::xml_node a = p.parent(); a; a = a.parent()) {
      const std::string_view name = a.name();
      if (name == "table:table-cell" || name == "table:covered-table-cell") {
        style = a.attribute("table:style-name").value();
        if (style.empty()) {
          std::size_t column = 0;
          for (pugi::xml_node c = a.previous_sibling(); c; c = c.previous_sibling()) {
            column += c.attribute("table:number-columns-repeated").as_ullong(1);
          }
          if (column < columns_.size()) style = columns_[column];
        }
        return a;
      }
      if (name == "draw:frame" || name == "draw:custom-shape" || name == "draw:rect") break;
    }
    return {};
  }

  bool Convert(pugi::xml_node p) {
    line_.Clear();
    runs_.clear();
    items_.clear();
    containers_.clear();
    std::optional<std::string> para =
        styles_.FontOf("paragraph", p.attribute("text:style-name").value(), false);
    if (!para) para = HolderFont(p);
    if (!para) para = styles_.FontOf("paragraph", "", true);

    // The paragraph's inline content in document order, without recursion.
    std::vector<std::string> spans;
    std::map<pugi::xml_node_struct*, std::size_t> runOf;
    std::vector<pugi::xml_node> open;
    pugi::xml_node n = p.first_child();
    while (n) {
      const std::string_view name = n.name();
      if (n.type() == pugi::node_element && IsContainer(name)) {
        containers_.push_back(n);
        line_.OpenContainer();
        open.push_back(n);
        spans.push_back(name == "text:span" ? n.attribute("text:style-name").value() : "");
        if (n.first_child()) {
          n = n.first_child();
          continue;
        }
        open.pop_back();
        spans.pop_back();
        line_.CloseContainer();
      } else {
        const pugi::xml_node parent = n.parent();
        auto [it, added] = runOf.try_emplace(parent.internal_object(), runs_.size());
        if (added) {
          line_.AddRun();
          runs_.push_back(parent);
        }
        const std::size_t run = it->second;
        items_.push_back(n);
        const std::size_t item = items_.size() - 1;
        const bool legacy = Legacy(spans, para);
        const bool convert = o_.to == Direction::ToUnicode ? legacy : !legacy;
        if (n.type() == pugi::node_pcdata || name == "text:s") {
          const std::u32string text =
              n.type() == pugi::node_pcdata
                  ? Utf32Of(n.value(), "content.xml")
                  : std::u32string(std::min<std::size_t>(n.attribute("text:c").as_ullong(1), 1000),
                                   U' ');
          if (convert) {
            line_.AddText(run, item, text);
          } else {
            line_.Add(CellKind::Other, run, item);
          }
        } else if (name == "text:tab" || name == "text:line-break") {
          line_.Add(CellKind::Break, run, item);
        } else if (name == "text:bookmark-start" || name == "text:reference-mark-start") {
          line_.Add(CellKind::MarkStart, run, item);
        } else if (name == "text:bookmark-end" || name == "text:reference-mark-end") {
          line_.Add(CellKind::MarkEnd, run, item);
        } else {
          line_.Add(CellKind::Object, run, item);
        }
      }
      // Next: the sibling, or up through the containers that end here.
      while (n && !n.next_sibling() && !open.empty() && n.parent() == open.back()) {
        n = open.back();
        open.pop_back();
        spans.pop_back();
        line_.CloseContainer();
      }
      n = n.next_sibling();
    }
    if (line_.empty()) return false;
    const LineOutcome outcome = line_.Convert(o_);
    if (!outcome.converted) return false;
    stats_.runs += outcome.runs;
    stats_.leftOut += outcome.leftOut;

    // Written into a stage inside the paragraph (items are copied from where
    // they stand), which then takes the old content's place.
    const pugi::xml_node stage = p.append_child("harf:stage");
    parents_ = {stage};
    line_.Write(*this);
    for (pugi::xml_node c = p.first_child(); c != stage;) {
      const pugi::xml_node next = c.next_sibling();
      p.remove_child(c);
      c = next;
    }
    for (pugi::xml_node c = stage.first_child(); c;) {
      const pugi::xml_node next = c.next_sibling();
      p.append_move(c);
      c = next;
    }
    p.remove_child(stage);
    if (!outcome.mixed) SetWritingMode(p);
    return true;
  }

  // The paragraph reads right to left (or, to the legacy font, left to
  // right); so does its cell, whose style Calc takes the direction from.
  void SetWritingMode(pugi::xml_node p) {
    const std::string& made = made_.Paragraph(p.attribute("text:style-name").value());
    if (!p.attribute("text:style-name")) p.append_attribute("text:style-name");
    p.attribute("text:style-name").set_value(made.c_str());
    std::string cellStyle;
    if (pugi::xml_node cell = CellOf(p, cellStyle)) {
      const std::string& style = made_.Cell(cellStyle);
      if (!cell.attribute("table:style-name")) cell.append_attribute("table:style-name");
      cell.attribute("table:style-name").set_value(style.c_str());
    }
  }

  pugi::xml_node Parent() const { return parents_.back(); }
  void Open(std::size_t container) override {
    const pugi::xml_node source = containers_[container];
    pugi::xml_node copy = Parent().append_child(source.name());
    for (const pugi::xml_attribute a : source.attributes()) copy.append_copy(a);
    parents_.push_back(copy);
  }
  void Close(std::size_t) override { parents_.pop_back(); }
  void Text(std::size_t, std::u32string_view text) override {
    pugi::xml_node span = Parent();
    if (std::string_view(span.name()) == "text:span") {
      const std::string name = span.attribute("text:style-name").value();
      if (!span.attribute("text:style-name")) span.append_attribute("text:style-name");
      span.attribute("text:style-name").set_value(made_.Text(name).c_str());
    } else {
      span = span.append_child("text:span");
      span.append_attribute("text:style-name") = made_.Text("").c_str();
    }
    // Runs of spaces are one space in ODF text unless written as text:s.
    std::u32string chunk;
    const auto flush = [&] {
      if (!chunk.empty()) span.append_child(pugi::node_pcdata).set_value(Utf8Of(chunk).c_str());
      chunk.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool space = text[i] == U' ';
      const bool collapsed = space && (i == 0 || text[i - 1] == U' ' || i + 1 == text.size());
      if (collapsed) {
        flush();
        span.append_child("text:s");
      } else {
        chunk += text[i];
      }
    }
    flush();
  }
  void NewBreak(std::size_t) override { Parent().append_child("text:line-break"); }
  void Keep(std::size_t, std::size_t item) override { Parent().append_copy(items_[item]); }

  OdfStyles& styles_;
  const ConvertOptions& o_;
  ConvertStats& stats_;
  OdfStyleMaker made_;
  std::vector<std::string> columns_;
  bool afterRows_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  DocLine line_;
  std::vector<pugi::xml_node> runs_, items_, containers_, parents_;
};

ConvertStats ConvertOdf(const std::string& in, const std::string& out, const ConvertOptions& o,
                        bool sheet) {
  const char* ext = sheet ? ".ods spreadsheet" : ".odp presentation";
  const Package package(in);
  if (!package.Has("mimetype")) Invalid(std::string("not an ") + ext + ": no mimetype");
  const std::string mimetype = package.Read("mimetype");
  const std::string want = sheet ? "application/vnd.oasis.opendocument.spreadsheet"
                                 : "application/vnd.oasis.opendocument.presentation";
  if (!mimetype.starts_with(want)) {
    Invalid(std::string("not an ") + ext + ": its type is " + mimetype.substr(0, 80));
  }
  if (!package.Has("content.xml")) Invalid(std::string("not an ") + ext + ": no content.xml");
  OdfStyles styles;
  pugi::xml_document common;
  if (package.Has("styles.xml")) {
    ParsePart(common, package, "styles.xml");
    UseKnownPrefixes(common.document_element(), {}, kOdfNamespaces);
    styles.Collect(common.document_element());
  }
  ConvertStats stats;
  const PartLayout layout =
      sheet ? PartLayout{{"table:table-column", "table:table-row"}, "office:body", kOdfNamespaces}
            : PartLayout{{"draw:page"}, "office:body", kOdfNamespaces};
  PartConverter converter(styles, o, stats);
  std::map<std::string, NewPart> replaced;
  DeflatedPart part = StreamBlocks(package, "content.xml", layout, converter);
  if (part.file) replaced["content.xml"].deflated = std::move(part);
  if (common.document_element()) {
    // Master pages hold text of their own: headers and footers of a sheet,
    // a slide master's frames. Their styles are styles.xml's alone.
    OdfStyles own;
    PartConverter masters(own, o, stats, "HarfMaster");
    masters.TakeHead(common.document_element());
    const pugi::xml_node masterStyles = common.document_element().child("office:master-styles");
    const bool changed = masterStyles && masters.ConvertBlock(masterStyles);
    if (changed || masters.HeadChanged()) {
      replaced["styles.xml"].bytes = SerializePart(common, package.Size("styles.xml"));
    }
  }
  package.WriteCopy(out, std::move(replaced));
  return stats;
}

}  // namespace

ConvertStats ConvertOds(const std::string& in, const std::string& out, const ConvertOptions& o) {
  return ConvertOdf(in, out, o, true);
}
ConvertStats ConvertOdp(const std::string& in, const std::string& out, const ConvertOptions& o) {
  return ConvertOdf(in, out, o, false);
}

}  // namespace harf::documents
