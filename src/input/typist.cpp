#include "input/typist.h"

#include <utility>

#include "input/pasted_text.h"
#include "shaping/engine.h"

namespace harf {

void TextArea::Append(Line line) {
  if (empty() && line.empty()) return;
  line.SetCursor(0);
  lines_.push_back(std::move(line));
}

void TextArea::Clear() {
  lines_.clear();
  ++clears_;
}

std::vector<GlyphCode> TextArea::Codes() const {
  std::vector<GlyphCode> out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) {
      out.push_back('\r');
      out.push_back('\n');
    }
    const auto codes = lines_[i].Codes();
    out.insert(out.end(), codes.begin(), codes.end());
  }
  return out;
}

TypedAction Typist::Type(char32_t typed) {
  const TypedAction a = DecideTyped(typed, line_.size(), shown_);
  switch (a.kind) {
    case TypedAction::Kind::Enter:
      Enter();
      break;
    case TypedAction::Kind::Press:
      Press(a.key);
      break;
    case TypedAction::Kind::Nothing:
      Command();
      break;
  }
  return a;
}

void Typist::Press(KeyIndex Index) {
  Command();
  AddChar(line_, LetterOfKey(Index));
}

ReleaseAction Typist::Release(int code) {
  const ReleaseAction action = DecideKeyUp(code);
  switch (action) {
    case ReleaseAction::Backspace:
      Backspace();
      break;
    case ReleaseAction::CursorHome:
      ClickLine();
      break;
    case ReleaseAction::ClearLine:
      ClearLine();
      break;
    case ReleaseAction::CopyLine:
      CopyLine();
      break;
    case ReleaseAction::Nothing:
      break;
  }
  return action;
}

void Typist::MoveCursor(CursorMove move) {
  Command();
  const std::size_t c = line_.cursor();
  switch (move) {
    case CursorMove::Left:
      line_.SetCursor(c > 0 ? c - 1 : 0);
      break;
    case CursorMove::Right:
      line_.SetCursor(c + 1);
      break;
    case CursorMove::Home:
      line_.SetCursor(0);
      break;
    case CursorMove::End:
      line_.SetCursor(line_.size());
      break;
  }
}

void Typist::ClickLine() {
  Command();
  line_.SetCursor(0);
}

void Typist::Enter() {
  Command();
  text_.Append(std::move(line_));
  line_ = Line();
}

void Typist::Backspace() {
  Command();
  harf::Backspace(line_);
}

void Typist::SwitchLayout() {
  Command();
  shown_ = shown_ == Layout::Systematic ? Layout::Arabic : Layout::Systematic;
}

void Typist::ClearLine() {
  Command();
  line_.Clear();
}

void Typist::ClearText() {
  Command();
  text_.Clear();
}

const Line& Typist::CopyLine() {
  Command();
  return line_;
}

const TextArea& Typist::CopyText() {
  Command();
  return text_;
}

void Typist::Paste(std::vector<Line> lines, std::size_t leftOut) {
  Command();
  if (lines.empty()) {
    Say("Nothing pasted: the clipboard holds no text.");
    return;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text_.Append(std::move(line_));
    line_ = std::move(lines[i]);
  }
  line_.SetCursor(0);
  SayLeftOut(leftOut, "no letter here, or a vowel sign the letter before it does not take");
}

void Typist::PasteGlyphText(std::u32string_view text) {
  if (text.empty()) {
    Paste({}, 0);
    return;
  }
  UnicodeLines typed = TypeLines(GlyphTextLetters(text), line_);
  Paste(std::move(typed.lines), 0);
  SayLeftOut(typed.skipped,
             "characters of no glyph code, codes no letter uses, or signs with nothing to carry "
             "them");
}

void Typist::SayLeftOut(std::size_t leftOut, std::string_view why) {
  if (leftOut == 0) return;
  Say("Pasted; " +
      (leftOut == 1 ? std::string("1 character was")
                    : std::to_string(leftOut) + " characters were") +
      " left out (" + std::string(why) + ").");
}

void Typist::PasteLetters(const LetterLines& letters) {
  UnicodeLines typed = TypeLines(letters, line_);
  Paste(std::move(typed.lines), typed.skipped);
}

}  // namespace harf
