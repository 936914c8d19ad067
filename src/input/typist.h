// The keyboard model: everything the window shows and every command it has,
// without a window. The layout shown, the line with its cursor, the text area
// and the label's message live here; a key, a click or a command is one method
// call. The window, harf-shape, the web page and the tests drive this one
// model, so no front end decides anything of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/bidi_order.h"
#include "input/glyph_encoding.h"
#include "input/key_release.h"
#include "input/messages.h"
#include "input/pasted_text.h"
#include "input/typed_keys.h"
#include "shaping/line.h"

namespace harf {

// The text area: lines of glyph codes, separated by "\r\n" in its text.
class TextArea {
 public:
  // Enter: the line becomes the text if the text is empty, otherwise it is
  // appended after a line break. An empty text area stays empty on an empty
  // line (and then holds no line at all); a non-empty one gains an empty last
  // line.
  void Append(Line line);
  void Clear();
  bool empty() const { return lines_.empty(); }
  const std::vector<Line>& lines() const { return lines_; }
  // The text as glyph codes, lines joined by 13 10.
  std::vector<GlyphCode> Codes() const;
  // Lines `first` onwards as text: the characters of encoding e, or the
  // letters in logical order (Unicode), each line after the text's first one
  // preceded by `lineBreak` (CR LF in a copy, LF in a box), so that what a
  // view appends to what it shows is the same as the text made whole.
  std::u32string Chars(GlyphEncoding e, std::u32string_view lineBreak, std::size_t first = 0) const;
  std::u32string Unicode(std::u32string_view lineBreak, std::size_t first = 0) const;
  // How often the text area has been cleared: with lines().size(), all a view
  // needs to tell whether it may append or must start again.
  std::uint64_t clears() const { return clears_; }

 private:
  std::vector<Line> lines_;
  std::uint64_t clears_ = 0;
};

// How Unicode text is read into letters: its normalisation to NFKC and the
// bidi order numbers are typed in. The core has neither; the window gives
// ICU's, the web page the browser's. Without a normaliser text is read as it
// stands (presentation forms give no letter).
struct UnicodeReading {
  Normalise normalise;
  BidiOrder order = PlainBidiOrder;
};

// What a paste of unknown text holds.
enum class PastedKind : std::uint8_t {
  Unicode,    // Unicode Arabic: typed in as Paste Unicode types it
  GlyphText,  // text in the legacy font, of any of its kinds: read back from the codes
};

// Text with a character of the symbol kind (U+F000..U+F0FF) is glyph text;
// else text with an Arabic character (U+0600..U+06FF, U+0750..U+077F,
// U+08A0..U+08FF, the presentation forms) is Unicode; anything else (Latin-1
// or Windows-1252 characters, plain ASCII) is glyph text.
PastedKind RecognisePasted(std::u32string_view text);

// How a caret key moves the cursor of the line. The line is shown left to
// right and the cursor counts the glyphs left of it, so Left lowers it.
enum class CursorMove : std::uint8_t { Left, Right, Home, End };

class Typist {
 public:
  explicit Typist(Layout shown = Layout::Systematic, UnicodeReading reading = {})
      : shown_(shown), reading_(std::move(reading)) {}

  // --- Keys and clicks ---
  // A character typed on the physical keyboard (or committed by an input
  // method): Enter, a press of one key of the layout shown, an Arabic
  // character typed in as Paste Unicode types it, or nothing, as the answer
  // says.
  TypedAction Type(char32_t typed);
  // A press of on-screen key `Index` (a click, or a typed character).
  void Press(KeyIndex Index);
  // The release of a key, by its virtual key code. Says what it meant, so that
  // the window can do its own part (copy the line and minimize on F5, give the
  // line the focus on Right arrow).
  ReleaseAction Release(int code);
  // A caret key pressed in the line.
  void MoveCursor(CursorMove move);
  // A click into the line: the cursor goes to 0, wherever the click was.
  void ClickLine();

  // --- Commands ---
  void Enter();
  void Backspace();
  void SwitchLayout();
  void ClearLine();
  void ClearText();
  // The copy commands: what goes on the clipboard. The window puts it there.
  const Line& CopyLine();
  const TextArea& CopyText();

  // A paste: `lines` are the pasted text's lines, already typed in (the first
  // one going on from this line, as FromUnicode does); every line after the
  // first comes after a line break, which moves the line into the text area as
  // Enter does. `leftOut` counts the characters that reached no line; the
  // label says so. A paste of nothing says that too.
  void Paste(std::vector<Line> lines, std::size_t leftOut);
  // A paste of letters read from pasted text (UnicodeLetters, or
  // GlyphTextLetters): typed in letter by letter from where the line stands,
  // as lines a typist would make (TypeLines: at most 45 glyphs, broken at the
  // last space that fits, the last word's ligatures closed).
  void PasteLetters(const LetterLines& letters);
  // A paste of glyph-code text copied from a document set in the legacy font:
  // its kind found, its codes read back into letters and typed in, so that
  // Backspace and typing go on in it as in typed text.
  void PasteGlyphText(std::u32string_view text);
  // Paste Unicode: the letters of `text`, read with the model's
  // UnicodeReading, typed in as PasteLetters types them. Empty text pastes
  // nothing, and the label says so.
  void PasteUnicode(std::u32string_view text);
  // The one paste (Ctrl+V): Unicode or glyph text, as RecognisePasted finds.
  PastedKind PasteAny(std::u32string_view text);

  // --- Kept between visits (the web page keeps it in the browser) ---
  // The layout shown, the text area and the line, every glyph with the
  // letters it stands for, as text of private-use characters: it stays valid
  // UTF-16 and UTF-8 wherever it is stored. The cursor is not kept.
  std::u32string Saved() const;
  // Puts back what Saved gave; false, changing nothing, for anything else
  // (a damaged or foreign value, more than kMaxSavedGlyphs glyphs).
  bool Restore(std::u32string_view saved);
  static constexpr std::size_t kMaxSavedGlyphs = std::size_t{1} << 22;

  // --- What the window shows ---
  Layout shown() const { return shown_; }
  const Line& line() const { return line_; }
  const TextArea& text() const { return text_; }
  // What the label says: Message::None while it shows its credit line. A
  // message stays until the next key, click or command.
  const Said& said() const { return said_; }
  // Puts a message in the label (the window's own findings, such as a font
  // that lacks glyphs).
  void Say(Said said) { said_ = said; }

  // For harf-shape and tests that build a line directly.
  Line& line() { return line_; }

 private:
  // Every key, click and command starts here: the label shows its credit line
  // again.
  void Command() { said_ = {}; }
  void SayLeftOut(Message message, std::size_t leftOut);

  Layout shown_;
  UnicodeReading reading_;
  Line line_;
  TextArea text_;
  Said said_;
};

}  // namespace harf
