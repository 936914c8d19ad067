#include "input/typist.h"

#include "shaping/engine.h"

namespace harf {

void TextArea::Append(const Line& line) {
  if (empty()) {
    lines_.assign(1, line);
  } else {
    lines_.push_back(line);
  }
}

bool TextArea::empty() const {
  return lines_.empty() || (lines_.size() == 1 && lines_[0].empty());
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

void Typist::Type(char32_t typed) {
  const TypedAction a = DecideTyped(typed, line_.size(), shown_);
  switch (a.kind) {
    case TypedAction::Kind::Enter:
      Enter();
      break;
    case TypedAction::Kind::Press:
      Press(a.key);
      break;
    case TypedAction::Kind::Nothing:
      break;
  }
}

void Typist::Press(KeyIndex Index) {
  AddChar(line_, LetterOfKey(Index));
}

void Typist::Release(int code) {
  switch (DecideKeyUp(code)) {
    case ReleaseAction::Backspace:
      Backspace(line_);
      break;
    case ReleaseAction::CursorHome:
      line_.SetCursor(0);
      break;
    case ReleaseAction::ClearLine:
      line_.Clear();
      break;
    case ReleaseAction::CopyLine:
    case ReleaseAction::Nothing:
      break;
  }
}

void Typist::Enter() {
  text_.Append(line_);
  line_.Clear();
}

void Typist::SwitchLayout() {
  shown_ = shown_ == Layout::Systematic ? Layout::Arabic : Layout::Systematic;
}

}  // namespace harf
