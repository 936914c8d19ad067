// Typed text: --from keys through the window's keyboard, --from unicode letter
// by letter.
#include <string_view>
#include <utility>

#include "input.h"
#include "input/typist.h"
#include "input/unicode_text.h"
#include "input/utf8.h"

namespace harf::shape {
namespace {

using tools::LinePiece;

// Input read as UTF-8 text; stops at the first invalid sequence after typing
// what comes before it.
class Utf8Input : public Input {
 public:
  void Take(const LinePiece& piece) final {
    text_.clear();
    const std::size_t valid = harf::AppendDecodedUtf8(piece.bytes, text_);
    Type(text_);
    if (valid < piece.bytes.size()) {
      throw BadInput{"invalid UTF-8 on input line " + std::to_string(piece.line) + " at byte " +
                     std::to_string(piece.offset + valid + 1)};
    }
    if (piece.ends) EndLine();
  }

 protected:
  virtual void Type(std::u32string_view text) = 0;
  virtual void EndLine() = 0;

 private:
  std::u32string text_;
};

// Typed characters through the window's keyboard. A line holds no more than
// 45 glyphs, so nothing here grows with the input.
class KeysInput final : public Utf8Input {
 public:
  KeysInput(harf::Layout layout, Printer print)
      : layout_(layout), print_(std::move(print)), typist_(layout) {}

 private:
  void Type(std::u32string_view text) override {
    for (const char32_t ch : text) {
      if (std::exchange(afterCr_, false)) Enter();
      if (ch == U'\b') {
        typist_.Release(static_cast<int>(harf::VirtualKey::Backspace));
      } else if (ch == U'\r') {
        afterCr_ = true;  // Enter, unless the line ends right after it
      } else {
        typist_.Type(ch);
      }
    }
  }
  void EndLine() override {
    afterCr_ = false;
    print_(typist_.line());
    typist_ = harf::Typist(layout_);
  }
  void Enter() {
    print_(typist_.line());
    typist_.Enter();
    typist_.ClearText();  // the text area would keep every line
  }

  harf::Layout layout_;
  Printer print_;
  harf::Typist typist_;
  bool afterCr_ = false;
};

// Unicode Arabic, normalised and typed letter by letter.
class UnicodeInput final : public Utf8Input {
 public:
  explicit UnicodeInput(Printer print)
      : typer_([print = std::move(print)](harf::Line& line) { print(line); }) {}
  std::size_t Skipped() const override { return typer_.leftOut(); }

 private:
  void Type(std::u32string_view text) override { typer_.Type(text); }
  void EndLine() override { typer_.Type(U"\n"); }

  harf::UnicodeTyper typer_;
};

}  // namespace

std::unique_ptr<Input> MakeTypedInput(const Options& o, Printer print) {
  if (o.from == Source::Unicode) return std::make_unique<UnicodeInput>(std::move(print));
  return std::make_unique<KeysInput>(o.layout, std::move(print));
}

}  // namespace harf::shape
