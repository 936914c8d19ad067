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

std::u32string TextArea::Chars(GlyphEncoding e, std::u32string_view lineBreak,
                               std::size_t first) const {
  std::u32string out;
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (i > 0) out += lineBreak;
    out += EncodeCodes(lines_[i].Codes(), e);
  }
  return out;
}

std::u32string TextArea::Unicode(std::u32string_view lineBreak, std::size_t first) const {
  std::u32string out;
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (i > 0) out += lineBreak;
    out += LogicalText(lines_[i]);
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
    case TypedAction::Kind::Unicode: {
      const char32_t one[] = {typed};
      PasteUnicode(std::u32string_view(one, 1));
      break;
    }
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
    Say({Message::NothingPasted, 0});
    return;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text_.Append(std::move(line_));
    line_ = std::move(lines[i]);
  }
  line_.SetCursor(0);
  SayLeftOut(Message::LeftOut, leftOut);
}

void Typist::PasteGlyphText(std::u32string_view text) {
  if (text.empty()) {
    Paste({}, 0);
    return;
  }
  UnicodeLines typed = TypeLines(GlyphTextLetters(text), line_);
  Paste(std::move(typed.lines), 0);
  SayLeftOut(Message::GlyphTextLeftOut, typed.leftOut);
}

void Typist::SayLeftOut(Message message, std::size_t leftOut) {
  if (leftOut > 0) Say({message, leftOut});
}

void Typist::PasteLetters(const LetterLines& letters) {
  UnicodeLines typed = TypeLines(letters, line_);
  Paste(std::move(typed.lines), typed.leftOut);
}

void Typist::PasteUnicode(std::u32string_view text) {
  if (text.empty()) {
    Paste({}, 0);
    return;
  }
  if (reading_.normalise) {
    PasteLetters(UnicodeLetters(text, reading_.normalise, reading_.order));
    return;
  }
  PasteLetters(UnicodeLetters(
      text,
      [](std::u32string_view line, std::u32string& out) {
        out.append(line);
        return std::size_t{0};
      },
      reading_.order));
}

PastedKind Typist::PasteAny(std::u32string_view text) {
  const PastedKind kind = RecognisePasted(text);
  if (kind == PastedKind::Unicode) {
    PasteUnicode(text);
  } else {
    PasteGlyphText(text);
  }
  return kind;
}

// Saved: "harf1", the layout (0 or 1), then one line after another, each
// ended by a line feed, the line being typed last; a glyph is three
// characters: U+F000 + code, U+F100 + letter, U+F100 + later letter.
namespace {

constexpr std::u32string_view kSavedMark = U"harf1";
constexpr char32_t kLetterBase = 0xF100;

void SaveLine(const Line& line, std::u32string& out) {
  for (const Cell& c : line.Reading()) {
    out.push_back(kSymbolBase + c.code);
    out.push_back(kLetterBase + c.letter);
    out.push_back(kLetterBase + c.later);
  }
  out.push_back(U'\n');
}

bool IsSavedLetter(char32_t c) {
  return c >= kLetterBase &&
         (IsLetterIndex(static_cast<int>(c - kLetterBase)) || c - kLetterBase == kNoLetter);
}

}  // namespace

std::u32string Typist::Saved() const {
  std::u32string out(kSavedMark);
  out.push_back(shown_ == Layout::Arabic ? U'1' : U'0');
  for (const Line& l : text_.lines()) SaveLine(l, out);
  SaveLine(line_, out);
  return out;
}

bool Typist::Restore(std::u32string_view saved) {
  if (!saved.starts_with(kSavedMark) || saved.size() < kSavedMark.size() + 2 ||
      saved.back() != U'\n') {
    return false;
  }
  const char32_t layout = saved[kSavedMark.size()];
  if (layout != U'0' && layout != U'1') return false;
  // Checked whole before anything changes, so a bad value leaves the model as it was.
  std::vector<Line> lines(1);
  std::size_t glyphs = 0;
  for (std::size_t i = kSavedMark.size() + 1; i < saved.size();) {
    if (saved[i] == U'\n') {
      lines.emplace_back();
      ++i;
      continue;
    }
    if (i + 3 > saved.size() || ++glyphs > kMaxSavedGlyphs) return false;
    const char32_t code = saved[i], letter = saved[i + 1], later = saved[i + 2];
    if (code < kSymbolBase || code > kSymbolBase + 0xFF || !IsSavedLetter(letter) ||
        !IsSavedLetter(later)) {
      return false;
    }
    lines.back().Reading().push_back({static_cast<GlyphCode>(code - kSymbolBase),
                                      static_cast<std::uint8_t>(letter - kLetterBase),
                                      static_cast<std::uint8_t>(later - kLetterBase)});
    i += 3;
  }
  lines.pop_back();  // the empty one after the last line feed
  Command();
  shown_ = layout == U'1' ? Layout::Arabic : Layout::Systematic;
  text_.Clear();
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) text_.Append(std::move(lines[i]));
  line_ = std::move(lines.back());
  line_.SetCursor(0);
  return true;
}

PastedKind RecognisePasted(std::u32string_view text) {
  bool arabic = false;
  for (const char32_t c : text) {
    if (c >= kSymbolBase && c <= kSymbolBase + 0xFF) return PastedKind::GlyphText;
    arabic =
        arabic || IsArabicTyped(c) || (c >= 0x0750 && c <= 0x077F) || (c >= 0x08A0 && c <= 0x08FF);
  }
  return arabic ? PastedKind::Unicode : PastedKind::GlyphText;
}

}  // namespace harf
