// The keyboard, the line and the text area without a window: what typed
// characters, key presses and the line commands do to the two boxes. The
// window wires the same decisions to widgets; harf-shape and the tests use
// this directly.
#pragma once

#include <vector>

#include "input/key_release.h"
#include "input/typed_keys.h"
#include "shaping/line.h"

namespace harf {

// The text area: lines of glyph codes, separated by "\r\n" in its text.
class TextArea {
 public:
  // Enter: the line becomes the text if the text is empty, otherwise it is
  // appended after a line break. An empty text area stays empty on an empty
  // line; a non-empty one gains an empty last line.
  void Append(const Line& line);
  void Clear() { lines_.clear(); }
  bool empty() const;
  const std::vector<Line>& lines() const { return lines_; }
  // The text as glyph codes, lines joined by 13 10.
  std::vector<GlyphCode> Codes() const;

 private:
  std::vector<Line> lines_;
};

class Typist {
 public:
  explicit Typist(Layout shown = Layout::Systematic) : shown_(shown) {}

  // A character typed on the physical keyboard.
  void Type(char32_t typed);
  // A press of on-screen key `Index` (a click, or a typed character).
  void Press(KeyIndex Index);
  // The release of a key, by its virtual key code.
  void Release(int code);
  void Enter();
  void SwitchLayout();

  Layout shown() const { return shown_; }
  Line& line() { return line_; }
  const Line& line() const { return line_; }
  TextArea& text() { return text_; }
  const TextArea& text() const { return text_; }

 private:
  Layout shown_;
  Line line_;
  TextArea text_;
};

}  // namespace harf
