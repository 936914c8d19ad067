// Glyph codes read back: --from codes, bytes and legacy.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input.h"
#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "input/unicode_text.h"
#include "input/utf8.h"

namespace harf::shape {
namespace {

using tools::LinePiece;
using tools::Output;

// Glyph-code text: lines of decimal codes, raw bytes, or UTF-8 text whose
// characters are the font's characters. A line is held whole (its reading
// starts at its right end), read back into letters and typed again, or with
// --format unicode written straight from its codes in one pass.
class CodesInput final : public Input {
 public:
  CodesInput(Source from, std::optional<harf::GlyphEncoding> encoding, bool unicode, Printer print,
             Output& out)
      : from_(from), encoding_(encoding), unicode_(unicode), print_(std::move(print)), out_(out) {}
  std::size_t Skipped() const override { return skipped_; }

  void Take(const LinePiece& piece) override {
    switch (from_) {
      case Source::Bytes:
        codes_.insert(codes_.end(), piece.bytes.begin(), piece.bytes.end());
        break;
      case Source::Codes:
        TakeDecimal(piece);
        break;
      default:
        TakeLegacy(piece);
        break;
    }
    if (!piece.ends) return;
    if (from_ == Source::Codes) EndNumber(piece);
    if (from_ == Source::Legacy) {
      // One kind for the whole line: given, or found in it.
      const harf::GlyphEncoding e = encoding_ ? *encoding_ : harf::DetectEncoding(chars_);
      if (!chars_.empty() && chars_.back() == U'\r') chars_.pop_back();
      skipped_ += harf::AppendDecoded(chars_, e, codes_);
      chars_.clear();
    } else if (!codes_.empty() && codes_.back() == '\r') {
      codes_.pop_back();
    }
    if (unicode_) {
      text_.clear();
      skipped_ += harf::AppendUnicodeOfCodes(codes_, text_, [this](std::string& text) {
        out_.Write(text);
        text.clear();
      });
      out_.Write(text_);
      out_.Put('\n');
    } else {
      harf::Line line;
      skipped_ += harf::TypeGlyphCodes(codes_, line);
      print_(line);
    }
    codes_.clear();
    if (codes_.capacity() > (std::size_t{1} << 20)) codes_.shrink_to_fit();
  }

 private:
  void TakeDecimal(const LinePiece& piece) {
    for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
      const char c = piece.bytes[i];
      if (c >= '0' && c <= '9') {
        number_ = number_ * 10 + (c - '0');
        if (number_ > 255) Bad(piece, i, "a glyph code above 255");
        // 0032 is a slip, not code 32: codes are written without leading zeros.
        if (++digits_ > 3) Bad(piece, i, "a glyph code of more than three digits");
      } else if (c == ' ' || c == '\t' ||
                 (c == '\r' && piece.ends && i + 1 == piece.bytes.size())) {
        EndNumber(piece);
      } else {
        Bad(piece, i, "not a decimal glyph code");
      }
    }
  }
  void EndNumber(const LinePiece&) {
    if (digits_ > 0) codes_.push_back(static_cast<harf::GlyphCode>(number_));
    number_ = 0;
    digits_ = 0;
  }
  void TakeLegacy(const LinePiece& piece) {
    const std::size_t valid = harf::AppendDecodedUtf8(piece.bytes, chars_);
    if (valid < piece.bytes.size()) Bad(piece, valid, "invalid UTF-8");
  }
  [[noreturn]] static void Bad(const LinePiece& piece, std::size_t at, const std::string& what) {
    throw BadInput{what + " on input line " + std::to_string(piece.line) + " at byte " +
                   std::to_string(piece.offset + at + 1)};
  }

  Source from_;
  std::optional<harf::GlyphEncoding> encoding_;
  bool unicode_;
  Printer print_;
  Output& out_;
  std::vector<harf::GlyphCode> codes_;
  std::u32string chars_;
  std::string text_;
  int number_ = 0;
  int digits_ = 0;
  std::size_t skipped_ = 0;
};

}  // namespace

std::unique_ptr<Input> MakeCodesInput(const Options& o, Printer print, Output& out) {
  return std::make_unique<CodesInput>(o.from, o.encoding, o.format == Format::Unicode,
                                      std::move(print), out);
}

}  // namespace harf::shape
