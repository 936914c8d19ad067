// One paragraph of a document as one line: its visible text read as one
// sequence of cells in the order the document stores it, across every
// container it passes through (links, fields, content controls, tracked
// changes, spans, notes' anchors). Every cell remembers the run it came from,
// and every run the chain of containers around it, so that the converted
// letters are written back into the container and formatting of the glyph
// they were read from.
//
// A format only finds runs and writes them. Reading, it walks a paragraph in
// document order and tells the line what it meets: OpenContainer/
// CloseContainer around an element that holds runs, AddRun for a run, and for
// the run's children AddText (characters to convert), or Add with the kind of
// thing that stays as it is. Convert then works out the new order, and Write
// hands the result back to the format's LineWriter, container by container,
// in the new document order. Items and runs are the format's own numbers (an
// index into its own tables); the line never looks inside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "tables/glyph_table.h"

namespace harf::documents {

// What an item of a run is to the line.
enum class CellKind : std::uint8_t {
  // Characters to convert: glyph characters of the legacy font going to
  // Unicode, Unicode Arabic (with digits, spaces, punctuation) going to the
  // legacy font.
  Text,
  // Visible text that stays as it is (another font, another script). It
  // splits the line: the text on each side is reordered on its own.
  Other,
  // A tab or a line break: splits the line for reordering, stays in place.
  Break,
  // An inline thing that is no text (a note or comment reference, an image,
  // a field's code, a tracked deletion): it moves with the words around it,
  // so it stands between the same words after reordering.
  Object,
  // A zero-width mark opening or closing a range (bookmark, comment range,
  // change mark). Marks at the ends of a stretch of text stay there; one
  // inside a stretch goes to its start (MarkStart) or end (MarkEnd), so a
  // range still covers the words it covered and never ends before it starts.
  MarkStart,
  MarkEnd,
};

// The longest paragraph a document may have, in characters of text: longer
// ones, and repeat counts (text:c) beyond it, are refused before any work.
inline constexpr std::size_t kMaxParagraphChars = std::size_t{16} << 20;

// Styles one style's chain of parents (w:basedOn, style:parent-style-name)
// is followed through: real chains are short, and the bound stops a loop in
// a broken file.
inline constexpr int kMaxStyleChain = 32;

// Containers one paragraph may nest (links in links, spans in spans).
inline constexpr std::size_t kMaxInlineDepth = 256;

inline constexpr std::size_t kNoContainer = std::numeric_limits<std::size_t>::max();

// Where converted text goes: the format writes runs and containers as the
// line asks for them, in the new document order. A container opened again
// after it was closed is a second copy of it (a container split where the
// reading order needs it).
class LineWriter {
 public:
  // A copy of `container` (its element and properties, no content) opened
  // inside the one open now; what is written next goes inside it.
  virtual void Open(std::size_t container) = 0;
  virtual void Close(std::size_t container) = 0;
  // Converted characters, formatted as `run` was and made the new kind
  // (Unicode font, or legacy font).
  virtual void Text(std::size_t run, std::u32string_view text) = 0;
  // A new line break between legacy lines that one line of text became,
  // formatted as `run`.
  virtual void NewBreak(std::size_t run) = 0;
  // An item written back unchanged, in a run formatted as `run` was. Items
  // of one run come in their order; consecutive ones may share one run.
  virtual void Keep(std::size_t run, std::size_t item) = 0;

 protected:
  ~LineWriter() = default;
};

// What converting a line did.
struct LineOutcome {
  bool converted = false;  // some text was converted: the paragraph must be written anew
  bool mixed = false;      // visible text of the line stays as it was (another font or script)
  std::size_t runs = 0;    // runs with converted text
  std::size_t leftOut = 0;
};

class DocLine {
 public:
  // Reading, in document order. Containers nest; a run belongs to the
  // containers open when it is added.
  std::size_t OpenContainer();
  void CloseContainer();
  std::size_t AddRun();
  void AddText(std::size_t run, std::size_t item, std::u32string_view chars);
  void Add(CellKind kind, std::size_t run, std::size_t item);

  bool empty() const { return cells_.empty(); }
  // Characters of Text cells so far, for the caller's length limit.
  std::size_t textSize() const { return textSize_; }

  // Works out the converted line. To Unicode, every stretch of Text between
  // Other and Break cells is read as display-order glyphs and becomes
  // logical Unicode; to the legacy font, every stretch holding an Arabic
  // letter is typed through the engine and broken into lines of at most
  // o.lineGlyphs glyphs (a stretch without one stays as it was). Spaces
  // between a stretch and Other text stay on their side of it.
  LineOutcome Convert(const ConvertOptions& o);

  // The converted line, from its first cell to its last, with every
  // container opened and closed where the new order needs it.
  void Write(LineWriter& writer) const;

  // Forgets everything, keeping the memory, for the next paragraph.
  void Clear();

 private:
  // Sixteen bytes: a paragraph of millions of characters is a cell each.
  struct Cell {
    CellKind kind;
    char32_t ch;  // Text: the character
    std::uint32_t run;
    std::uint32_t item;
  };
  // An output cell: converted text of a run, a new break, or a cell kept.
  struct Out {
    enum Kind : std::uint8_t { kText, kNewBreak, kKeep } kind;
    std::size_t run;
    std::size_t item;     // kKeep
    std::u32string text;  // kText
  };

  void ConvertStretch(std::size_t begin, std::size_t end, bool otherBefore, bool otherAfter,
                      const ConvertOptions& o, LineOutcome& outcome);
  void KeepCells(std::size_t begin, std::size_t end);
  void EmitText(std::size_t run, std::u32string text);

  std::vector<Cell> cells_;
  std::vector<std::size_t> runContainer_;     // per run: innermost container
  std::vector<std::size_t> containerParent_;  // per container: the one around it
  std::vector<std::size_t> open_;             // containers open while reading
  std::vector<Out> out_;
  std::size_t textSize_ = 0;
  // Scratch kept between stretches and paragraphs.
  std::vector<std::uint32_t> core_;
  std::vector<GlyphCode> codes_;
  std::vector<std::size_t> owner_;
  std::u32string chars_;
};

}  // namespace harf::documents
