// What the .odt files share: the styles a part sees (odt_styles.cpp) and the
// converter of one part, which reads a paragraph into a line (odt_read.cpp),
// writes the converted line back (odt_write.cpp) and makes the styles the new
// text is written with (odt_output_styles.cpp). Private to src/documents.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/part_stream.h"

namespace harf::documents::odt {

using StyleMap = std::unordered_map<std::string, pugi::xml_node>;

// Styles of one family by name, as a part sees them: its own automatic
// styles first, then the common styles of styles.xml.
struct StyleScope {
  StyleMap automaticText, automaticParagraph, commonText, commonParagraph;
  pugi::xml_node defaultParagraph;
  std::unordered_map<std::string, std::string> fontFamily;  // font-face name -> family

  static void Collect(pugi::xml_node holder, StyleMap& text, StyleMap& paragraph);
  static void CollectFonts(pugi::xml_node decls,
                           std::unordered_map<std::string, std::string>& fonts);

  pugi::xml_node Find(const std::string& name, bool paragraph) const;
  bool IsAutomatic(const std::string& name, bool paragraph) const;
  std::optional<std::string> TextProperty(std::string name, bool paragraph,
                                          const char* attribute) const;
  std::optional<std::string> FontOf(std::string name, bool paragraph) const;
};

extern const PartLayout kLayout;

class PartConverter : public BlockConverter, LineWriter {
 public:
  // common: the styles every part sees.
  PartConverter(const StyleScope& common, const ConvertOptions& o, std::string_view part,
                ConvertStats& stats)
      : scope_(common), o_(o), part_(part), stats_(stats) {}

  void TakeHead(pugi::xml_node root) override;
  bool ConvertBlock(pugi::xml_node block) override;
  bool HeadChanged() const override { return headChanged_; }

 private:
  struct RunRec {
    pugi::xml_node span;  // a leaf span, or none for text straight in a container
    std::size_t spans;    // index into chains_: the spans around it
  };
  struct ContainerRec {
    pugi::xml_node node;
    std::size_t spans;  // the spans around what it holds, itself included
  };

  void ConvertParagraph(pugi::xml_node p);

  // Reading (odt_read.cpp).
  [[noreturn]] void Refuse(pugi::xml_node at, const std::string& why) const;
  bool IsLegacy(const std::vector<std::string>& spans) const;
  CellKind KindOf(const std::vector<std::string>& spans, const std::u32string& text) const;
  std::size_t AddItem(pugi::xml_node node);
  std::u32string Spaces(pugi::xml_node s);
  std::optional<std::u32string> CharsOf(pugi::xml_node c);
  void AddChars(CellKind kind, std::size_t run, pugi::xml_node node, const std::u32string& chars);
  std::size_t NewRun(pugi::xml_node span, std::size_t spans);
  void ReadLeaf(pugi::xml_node span, std::size_t spans);
  void Read(pugi::xml_node p);

  // LineWriter (odt_write.cpp): the new line goes in at the end of the
  // paragraph.
  pugi::xml_node Parent() const { return parents_.back(); }
  void Open(std::size_t container) override;
  void Close(std::size_t container) override;
  void Text(std::size_t run, std::u32string_view text) override;
  void NewBreak(std::size_t run) override;
  void Keep(std::size_t run, std::size_t item) override;

  // The styles converted text is written with (odt_output_styles.cpp).
  std::string FontFace(const std::string& font);
  void Declare(const char* prefix, const char* uri);
  pugi::xml_node AutomaticStyles();
  std::string NewStyleName(const char* prefix);
  std::string OutputStyle(const std::string& source, const std::vector<std::string>& spans);
  void SetWritingMode(pugi::xml_node p);

  pugi::xml_node root_;
  StyleScope scope_;
  const ConvertOptions& o_;
  std::string part_;
  ConvertStats& stats_;
  std::string paragraphStyle_;
  bool changed_ = false;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<pugi::xml_node> items_;
  std::vector<ContainerRec> containers_;
  std::vector<std::vector<std::string>> chains_;  // span styles around runs, outermost first
  std::vector<pugi::xml_node> parents_;
  pugi::xml_node lastKept_;
  std::size_t lastKeptRun_ = 0;
  bool headChanged_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  int styleCounter_ = 0;
  std::map<std::string, bool> made_;
  std::map<std::string, std::string> outputStyles_;
  std::map<std::string, std::string> paragraphStyles_;
};

}  // namespace harf::documents::odt
