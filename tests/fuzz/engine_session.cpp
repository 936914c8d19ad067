#include "engine_session.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "input/typed_keys.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/key_layout.h"
#include "tables/unicode_table.h"

namespace harf::engine_fuzz {
namespace {

bool IsLineBreak(char32_t cp) {
  return cp == U'\n' || cp == U'\r' || cp == U'\u0085' || cp == U'\u2028' || cp == U'\u2029';
}

}  // namespace

void Session::Type(LetterIndex C) {
  const Line before = line_;
  const bool wrote = AddChar(line_, C);
  if (!wrote) {
    CHECK(line_ == before, line_);
    CHECK(!IsLetterIndex(C) || IsSignLetter(C), line_);
    return;
  }
  CHECK(IsLetterIndex(C), line_);
  CHECK(line_.cursor() == 0, line_);
  ++expected_[C];
  if (before.cursor() != 0) clean_ = false;
  if (!clean_ || loaded_) return;
  // Typed at the left end from an empty line: a backspace takes back exactly
  // this keystroke, and the ligature pass has nothing more to merge.
  Line undone = line_;
  Backspace(undone);
  CHECK(WithoutPadding(undone) == WithoutPadding(before), undone);
  CHECK(LettersOf(undone) == LettersOf(before), undone);
  Line again = line_;
  LigaturePass(again);
  CHECK(again == line_, again);
}

void Session::TypeRun(Program& in) {
  static constexpr LetterIndex kNoLetters[] = {-1, kLetterCount, kNoLetter, 0x7FFF};
  std::vector<LetterIndex> run(in.Byte() % 64);
  for (LetterIndex& c : run) {
    const std::uint8_t b = in.Byte();
    c = b >= 0xF0 ? kNoLetters[b % std::size(kNoLetters)]
                  : static_cast<LetterIndex>(b % kLetterCount);
  }
  Line loop = line_;
  std::vector<std::size_t> refusedByLoop;
  for (std::size_t i = 0; i < run.size(); ++i) {
    if (!AddChar(loop, run[i])) refusedByLoop.push_back(i);
  }
  const bool atLeftEnd = line_.cursor() == 0;
  std::vector<std::size_t> refused;
  const std::size_t count = AddChars(line_, run, &refused);
  CHECK(line_ == loop, line_);
  CHECK(refused == refusedByLoop && count == refused.size(), line_);
  if (refused.size() < run.size() && !atLeftEnd) clean_ = false;
  for (std::size_t i = 0, r = 0; i < run.size(); ++i) {
    if (r < refused.size() && refused[r] == i) {
      ++r;
    } else {
      ++expected_[static_cast<std::size_t>(run[i])];
    }
  }
}

void Session::TypeKey(Program& in) {
  const char32_t low = in.Byte();
  const char32_t typed = low | (in.Byte() & 0x1Fu) << 8;
  const Layout shown = typed & 0x1000 ? Layout::Arabic : Layout::Systematic;
  const TypedAction a = DecideTyped(typed & 0xFFF, line_.size(), shown);
  if (a.kind == TypedAction::Kind::Enter) {
    Clear();
  } else if (a.kind == TypedAction::Kind::Press) {
    CHECK(a.key >= 0 && a.key < kKeyCount, line_);
    CHECK(line_.size() < kLineMaxLength, line_);
    const LetterIndex C = LetterOfKey(a.key);
    CHECK(IsLetterIndex(C), line_);
    Type(C);
  }
}

void Session::MoveCursor(std::size_t s) {
  line_.SetCursor(s);
  CHECK(line_.cursor() == std::min(s, line_.size()), line_);
}

void Session::Delete() {
  const std::size_t size = line_.size();
  if (size >= 2) {
    const Cell newest = line_.At(1);
    if (newest.letter != kNoLetter) --expected_[newest.letter];
    if (newest.later != kNoLetter) --expected_[newest.later];
  } else {
    expected_ = {};
  }
  Backspace(line_);
  CHECK(line_.cursor() == 0, line_);
  CHECK(size < 2 || line_.size() <= size, line_);
  CHECK(size >= 2 || line_.empty(), line_);
  clean_ = line_.empty();
  if (line_.empty()) loaded_ = false;
}

void Session::Paste(const std::u32string& text) {
  std::vector<Counts> wanted(1, expected_);
  std::size_t leftOut = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    if (start > 0) wanted.emplace_back();
    const std::u32string normal = Nfkc(text.substr(start, end - start), &leftOut);
    for (const char32_t cp : normal) {
      const LetterIndex c = LetterOfCodePoint(cp);
      if (c == kNoLetter) {
        ++leftOut;
      } else {
        CHECK(IsLetterIndex(c), line_);
        ++wanted.back()[c];
      }
    }
    if (end == text.size()) break;
    start = end + 1;
    if (text[end] == U'\r' && start < text.size() && text[start] == U'\n') ++start;
  }

  const UnicodeLines r = FromUnicode(text, line_);
  CHECK(r.lines.size() == wanted.size(), line_);
  std::size_t refused = 0;
  for (std::size_t i = 0; i < r.lines.size(); ++i) {
    const Line& got = r.lines[i];
    CHECK(got.cursor() == 0, got);
    CheckCells(got, loaded_ && i == 0);
    const Counts have = LettersOf(got);
    for (int c = 0; c < kLetterCount; ++c) {
      CHECK(have[c] <= wanted[i][c], got);
      CHECK(have[c] == wanted[i][c] || IsSignLetter(static_cast<LetterIndex>(c)), got);
      refused += static_cast<std::size_t>(wanted[i][c] - have[c]);
    }
  }
  CHECK(r.refused == refused, line_);
  CHECK(r.leftOut == leftOut + refused, line_);

  if (r.lines.size() > 1) {
    clean_ = true;
    loaded_ = false;
  }
  line_ = r.lines.back();
  expected_ = LettersOf(line_);
}

void Session::Load(std::string_view bytes) {
  std::vector<GlyphCode> codes(bytes.begin(), bytes.end());
  line_ = Line::FromCodes(codes);
  CHECK(line_.Codes() == codes, line_);
  expected_ = LettersOf(line_);
  clean_ = codes.empty();
  loaded_ = !codes.empty();
}

void Session::Decode(Program& in) {
  const std::uint8_t how = in.Byte();
  const std::string_view bytes = in.Bytes(in.Byte());
  std::vector<GlyphCode> codes;
  std::size_t invalid = 0;
  if (how % 4 == 3) {
    codes.assign(bytes.begin(), bytes.end());
  } else {
    const GlyphEncoding e = kGlyphEncodings[how % 4];
    const std::u32string text = DecodeLeniently(bytes);
    const DecodedCodes d = DecodeChars(text, e);
    codes = d.codes;
    invalid = d.invalid;
    CHECK(codes.size() + invalid == text.size(), line_);
    for (const char32_t ch : text) {
      const auto code = CodeOfChar(ch, e);
      if (code) CHECK(CodeOfChar(CharOfCode(*code, e), e) == code, line_);
    }
  }
  const ReadLetters read = ReadGlyphCodes(codes);
  CHECK(read.letters.size() == read.source.size(), line_);
  CHECK(read.letters.size() <= 2 * codes.size(), line_);
  Line typed;
  for (std::size_t i = 0; i < read.letters.size(); ++i) {
    CHECK(IsLetterIndex(read.letters[i]) && read.source[i] < codes.size(), typed);
    CHECK(i == 0 || read.source[i] <= read.source[i - 1], typed);
    CHECK(AddChar(typed, read.letters[i]), typed);
  }
  const std::vector<GlyphCode> again = typed.Codes();
  const ReadLetters reread = ReadGlyphCodes(again);
  CHECK(reread.leftOut == 0 && reread.letters == read.letters, typed);
  CHECK(TypeLetters(reread.letters).Codes() == again, typed);
  line_ = typed;
  expected_ = LettersOf(line_);
  clean_ = true;
  loaded_ = false;
}

void Session::Ligatures() {
  LigaturePass(line_);
  clean_ = false;
}

void Session::RoundTrip() {
  const std::vector<GlyphCode> codes = line_.Codes();
  for (const GlyphEncoding e : kGlyphEncodings) {
    const DecodedCodes d = DecodeChars(EncodeCodes(codes, e), e);
    CHECK(d.codes == codes && d.invalid == 0, line_);
  }
  const std::u32string text = ToUnicode(line_);
  std::optional<Utf8Error> error;
  CHECK(DecodeUtf8(EncodeUtf8(text), &error) == text && !error, line_);
  if (!clean_ || loaded_ || !HasCodePoints(line_)) return;
  const ReadLetters read = ReadGlyphCodes(codes);
  CHECK(read.leftOut == 0, line_);
  CHECK(TypeLetters(read.letters).Codes() == codes, TypeLetters(read.letters));
  const UnicodeLines r = FromUnicode(text);
  CHECK(r.lines.size() == 1 && r.leftOut == 0, line_);
  CHECK(r.lines[0].Reading() == line_.Reading(), r.lines[0]);
  CHECK(ToUnicode(r.lines[0]) == text, r.lines[0]);
}

void Session::Clear() {
  line_.Clear();
  expected_ = {};
  clean_ = true;
  loaded_ = false;
}

void Session::CheckStep() const {
  CHECK(LettersOf(line_) == expected_, line_);
  CheckCells(line_, loaded_);
}

}  // namespace harf::engine_fuzz
