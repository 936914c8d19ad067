// What the .docx files share: the fonts a run resolves to through the
// document's styles (docx_styles.cpp), the properties converted text gets
// (docx_properties.cpp), and the converter of one part, which reads a
// paragraph into a line (docx_read.cpp) and writes the converted line back
// (docx_write.cpp). Private to src/documents.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "documents/convert.h"
#include "documents/doc_line.h"
#include "documents/part_stream.h"

namespace harf::documents::docx {

// The four font slots of w:rFonts. A slot given by a theme font holds "".
inline constexpr std::array<const char*, 4> kFontSlots = {"w:ascii", "w:hAnsi", "w:eastAsia",
                                                          "w:cs"};
inline constexpr std::array<const char*, 4> kThemeSlots = {"w:asciiTheme", "w:hAnsiTheme",
                                                           "w:eastAsiaTheme", "w:cstheme"};
enum Slot { kAscii, kHAnsi, kEastAsia, kCs };
using Fonts = std::array<std::optional<std::string>, 4>;

// The fonts of the document's theme, by the names w:asciiTheme and its
// siblings give them: majorHAnsi, minorBidi, ...
using ThemeFonts = std::unordered_map<std::string, std::string>;

ThemeFonts ReadThemeFonts(const pugi::xml_document& theme);

class Styles {
 public:
  // doc: the styles part, or none when the package has none.
  Styles(const pugi::xml_document* doc, ThemeFonts theme);

  Fonts ParagraphFonts(pugi::xml_node paragraph) const;
  Fonts Resolve(pugi::xml_node rPr, const Fonts& paragraph) const;

 private:
  void FillFromStyle(Fonts& fonts, std::string id) const;

  ThemeFonts theme_;
  pugi::xml_node defaults_;
  std::unordered_map<std::string, pugi::xml_node> byId_;
  std::string defaultParagraph_;
};

// The properties of converted text: its run's, made from those of the run it
// came from, and its paragraph's direction when the paragraph is all of it.
void MakeUnicodeRun(pugi::xml_node rPr, const ConvertOptions& o);
void MakeLegacyRun(pugi::xml_node rPr, const ConvertOptions& o);
void SetParagraphDirection(pugi::xml_node p, Direction to);

// A container's own properties, copied with it when it is split.
inline bool IsProperties(std::string_view name) {
  return name.ends_with("Pr");
}

extern const PartLayout kLayout;

class PartConverter : public BlockConverter, LineWriter {
 public:
  PartConverter(const Styles& styles, const ConvertOptions& o, std::string_view part,
                ConvertStats& stats)
      : styles_(styles), o_(o), part_(part), stats_(stats) {}

  bool ConvertBlock(pugi::xml_node block) override;

 private:
  struct RunRec {
    pugi::xml_node node;  // the w:r; none for things that stand outside runs
    bool deleted = false;
  };
  struct ItemRec {
    pugi::xml_node first, last;  // the nodes it is, siblings first..last
  };
  struct ContainerRec {
    pugi::xml_node node;               // the element; none for a complex field
    std::vector<pugi::xml_node> head;  // a complex field: begin .. separate
    pugi::xml_node tail;               // a complex field: end
  };

  void ConvertParagraph(pugi::xml_node p);
  LineOutcome ConvertLine(pugi::xml_node root, bool deleted);

  // Reading (docx_read.cpp).
  std::size_t AddItem(pugi::xml_node first, pugi::xml_node last = {});
  std::size_t AddOutsideRun();
  void Read(pugi::xml_node root);
  void ReadField(pugi::xml_node run, pugi::xml_node& next, std::vector<pugi::xml_node>& fieldEnds);
  bool IsLegacyRun(pugi::xml_node rPr) const;
  std::optional<char32_t> SymbolChar(pugi::xml_node sym) const;
  void ReadRun(pugi::xml_node r);

  // LineWriter (docx_write.cpp): the new line goes in at the end of the
  // paragraph.
  pugi::xml_node Parent() const { return parents_.back(); }
  void Open(std::size_t container) override;
  void Close(std::size_t container) override;
  pugi::xml_node NewRun(std::size_t run);
  void Text(std::size_t run, std::u32string_view text) override;
  void NewBreak(std::size_t run) override;
  void Keep(std::size_t run, std::size_t item) override;

  const Styles& styles_;
  const ConvertOptions& o_;
  std::string part_;
  ConvertStats& stats_;
  Fonts paragraphFonts_;
  bool changed_ = false;
  bool deletedLine_ = false;
  std::vector<pugi::xml_node> paragraphs_;
  std::vector<pugi::xml_node> deleted_;
  DocLine line_;
  std::vector<RunRec> runs_;
  std::vector<ItemRec> items_;
  std::vector<ContainerRec> containers_;
  std::vector<pugi::xml_node> parents_;
  pugi::xml_node lastKept_;
  std::size_t lastKeptRun_ = 0;
};

}  // namespace harf::documents::docx
