// libFuzzer target on the core. The input is a little program: each opcode
// byte types a letter, moves the cursor, deletes, pastes Unicode built from
// the following bytes, loads bare glyph codes, decodes bytes as glyph-code
// text and reads them back into letters, types a run of letters in one pass
// (which must match typing them one by one), or checks a round trip. After
// every step the line must hold exactly the letters typed less those deleted,
// every glyph must be a form of the letter(s) it stands for, and the cursor
// must be inside the line. A violation prints what broke and aborts, which
// libFuzzer reports as a crash with the input that caused it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "input/glyph_encoding.h"
#include "input/glyph_reader.h"
#include "input/typed_keys.h"
#include "input/unicode_text.h"
#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/key_layout.h"
#include "tables/ligature_table.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

using Counts = std::array<long, kLetterCount>;

[[noreturn]] void Fail(const char* what, const Line& line) {
  std::fprintf(stderr, "engine_fuzz: %s\n  line (display order):", what);
  for (std::size_t pos = 1; pos <= line.size(); ++pos) {
    const Cell& c = line.At(pos);
    std::fprintf(stderr, " %d/%d", c.code, c.letter == kNoLetter ? -1 : c.letter);
    if (c.later != kNoLetter) std::fprintf(stderr, "+%d", c.later);
  }
  std::fprintf(stderr, "\n  cursor %zu\n", line.cursor());
  std::abort();
}

#define CHECK(cond, line)           \
  do {                              \
    if (!(cond)) Fail(#cond, line); \
  } while (false)

// The bytes of the input, read front to back; past the end every read is 0.
class Program {
 public:
  Program(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool done() const { return p_ == end_; }
  std::uint8_t Byte() { return p_ == end_ ? 0 : *p_++; }
  std::string_view Bytes(std::size_t n) {
    n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - p_));
    const std::string_view out(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return out;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

// The glyph codes a letter may stand as. A form the letter lacks is 0 in the
// tables and does not count, except for the letters whose only glyph is 0.
bool IsFormOf(GlyphCode g, int letter) {
  if (g == IsoGlyph[letter]) return true;
  if (g == NoGlyph) return false;
  return g == IniGlyph[letter] || g == MedGlyph[letter] || g == FinGlyph[letter];
}

Counts LettersOf(const Line& line) {
  Counts n{};
  for (const Cell& c : line.Reading()) {
    if (c.letter != kNoLetter) ++n[c.letter];
    if (c.later != kNoLetter) ++n[c.later];
  }
  return n;
}

// Each glyph is a form of its letter; a ligature is made of forms of its two
// letters; only a space stands for no letter. A line loaded from bare codes
// (`loaded`) may also hold codes that read back as their letter without being
// one of its forms, as Line::FromCodes gives them.
void CheckCells(const Line& line, bool loaded) {
  for (const Cell& c : line.Reading()) {
    if (c.letter == kNoLetter) {
      CHECK(c.code == kSpaceCode && c.later == kNoLetter, line);
      continue;
    }
    CHECK(c.letter < kLetterCount, line);
    if (const Ligature* lig = LigatureParts(c.code)) {
      CHECK(c.later < kLetterCount, line);
      CHECK(loaded || (IsFormOf(lig->M, c.letter) && IsFormOf(lig->N, c.later)), line);
    } else {
      CHECK(c.later == kNoLetter, line);
      CHECK(IsFormOf(c.code, c.letter) || (loaded && LetterOf[c.code] == c.letter), line);
    }
  }
  CHECK(line.cursor() <= line.size(), line);
}

bool HasCodePoints(const Line& line) {
  for (const Cell& c : line.Reading()) {
    for (const std::uint8_t l : {c.letter, c.later}) {
      if (l != kNoLetter && CodePointOf(l) == kNoCodePoint) return false;
    }
  }
  return true;
}

// Glyphs the user typed, without the spaces that came in with a first letter.
std::vector<GlyphCode> WithoutPadding(const Line& line) {
  std::vector<GlyphCode> out;
  for (const Cell& c : line.Reading()) {
    if (c.letter != kNoLetter) out.push_back(c.code);
  }
  return out;
}

bool IsLineBreak(char32_t cp) {
  return cp == U'\n' || cp == U'\r' || cp == U'\u0085' || cp == U'\u2028' || cp == U'\u2029';
}

// Code points from UTF-8, leniently: a byte that starts no valid sequence
// becomes U+DC00 + byte, a value that is no Unicode scalar value.
std::u32string DecodeLeniently(std::string_view bytes) {
  std::u32string out;
  while (!bytes.empty()) {
    std::optional<Utf8Error> error;
    const std::u32string all = DecodeUtf8(bytes, &error);
    if (!error) {
      // Valid UTF-8 comes back byte for byte.
      if (EncodeUtf8(all) != bytes) Fail("UTF-8 does not round-trip", Line{});
      return out + all;
    }
    out += DecodeUtf8(bytes.substr(0, error->offset), nullptr);
    out.push_back(0xDC00 + static_cast<unsigned char>(bytes[error->offset]));
    bytes.remove_prefix(error->offset + 1);
  }
  return out;
}

// Code points two bytes at a time: the first picks a block (ASCII, Arabic,
// presentation forms, punctuation, surrogates, values past U+10FFFF), the
// second the character in it.
std::u32string CodePointsInBlocks(Program& in, std::size_t n) {
  static constexpr char32_t kBlocks[] = {0x0000, 0x0600, 0x0600,     0x0600, 0xFB00, 0xFC00,
                                         0xFD00, 0xFE00, 0x2000,     0x0000, 0xD800, 0x10FF80,
                                         0x0700, 0x0080, 0xFFFFFF00, 0x1F600};
  std::u32string out;
  for (std::size_t i = 0; i < n; ++i) {
    const char32_t block = kBlocks[in.Byte() % std::size(kBlocks)];
    out.push_back(block + in.Byte());
  }
  return out;
}

// Any 24-bit values, three bytes each.
std::u32string RawCodePoints(Program& in, std::size_t n) {
  std::u32string out;
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = in.Byte();
    cp |= static_cast<char32_t>(in.Byte()) << 8;
    cp |= static_cast<char32_t>(in.Byte()) << 16;
    out.push_back(cp);
  }
  return out;
}

class Session {
 public:
  void Run(Program& in) {
    while (!in.done()) {
      const std::uint8_t op = in.Byte();
      switch (op % 16) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
          Type(static_cast<LetterIndex>(in.Byte() % kLetterCount));
          break;
        case 5: {
          // Any 16-bit value, most of them no letter at all.
          const int low = in.Byte();
          Type(static_cast<LetterIndex>(low | in.Byte() << 8));
          break;
        }
        case 6:
          MoveCursor(in.Byte());
          break;
        case 7: {
          std::size_t s = 0;
          for (int i = 0; i < 8; ++i) s = (s << 8) | in.Byte();
          MoveCursor(s);
          break;
        }
        case 8:
          Delete();
          break;
        case 9:
          Paste(DecodeLeniently(in.Bytes(in.Byte())));
          break;
        case 10:
          Paste(CodePointsInBlocks(in, in.Byte() % 64));
          break;
        case 11:
          Paste(RawCodePoints(in, in.Byte() % 32));
          break;
        case 12:
          TypeKey(in);
          break;
        case 13:
          Load(in.Bytes(in.Byte() % 64));
          break;
        case 14:
          if (op & 0x10) {
            Decode(in);
          } else {
            Ligatures();
          }
          break;
        case 15:
          if (op & 0x10) {
            RoundTrip();
          } else if (op & 0x20) {
            TypeRun(in);
          } else {
            line_.Clear();
            expected_ = {};
            clean_ = true;
            loaded_ = false;
          }
          break;
      }
      CHECK(LettersOf(line_) == expected_, line_);
      CheckCells(line_, loaded_);
    }
    RoundTrip();
  }

 private:
  // AddChar, which either writes the line with the letter in it and the
  // cursor at 0, or refuses (a sign its carrier cannot take, an index that
  // is no letter) and leaves everything as it was.
  void Type(LetterIndex C) {
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

  // A run of letters typed whole with AddChars, which must leave the line
  // exactly as typing them one by one with AddChar does, and name the same
  // letters refused. A byte from 0xF0 up stands for an index that is no
  // letter.
  void TypeRun(Program& in) {
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

  // The way the keyboard types: the typed character decides on a key, the key
  // on a letter. Enter moves the line away.
  void TypeKey(Program& in) {
    const char32_t low = in.Byte();
    const char32_t typed = low | (in.Byte() & 0x1Fu) << 8;
    const Layout shown = typed & 0x1000 ? Layout::Arabic : Layout::Systematic;
    const TypedAction a = DecideTyped(typed & 0xFFF, line_.size(), shown);
    if (a.kind == TypedAction::Kind::Enter) {
      line_.Clear();
      expected_ = {};
      clean_ = true;
      loaded_ = false;
    } else if (a.kind == TypedAction::Kind::Press) {
      CHECK(a.key >= 0 && a.key < kKeyCount, line_);
      CHECK(line_.size() < kLineMaxLength, line_);
      const LetterIndex C = LetterOfKey(a.key);
      CHECK(IsLetterIndex(C), line_);
      Type(C);
    }
  }

  void MoveCursor(std::size_t s) {
    line_.SetCursor(s);
    CHECK(line_.cursor() == std::min(s, line_.size()), line_);
  }

  // Backspace takes the letters of the newest glyph (both of a ligature);
  // a line of fewer than two glyphs becomes empty.
  void Delete() {
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

  // A paste goes on from the line at its left end; every line break starts a
  // new line, of which the last is kept. Each line must hold the letters of
  // its part of the normalised text, less only refused vowel signs.
  void Paste(const std::u32string& text) {
    std::vector<Counts> wanted(1, expected_);
    std::size_t skipped = 0;
    std::size_t start = 0;
    while (true) {
      std::size_t end = start;
      while (end < text.size() && !IsLineBreak(text[end])) ++end;
      if (start > 0) wanted.emplace_back();
      const std::u32string normal = Nfkc(text.substr(start, end - start), &skipped);
      for (const char32_t cp : normal) {
        const LetterIndex c = LetterOfCodePoint(cp);
        if (c == kNoLetter) {
          ++skipped;
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
    CHECK(r.skipped == skipped + refused, line_);

    if (r.lines.size() > 1) {
      clean_ = true;
      loaded_ = false;
    }
    line_ = r.lines.back();
    expected_ = LettersOf(line_);
  }

  // A line of bare glyph codes, each standing for the letter it reads back as.
  void Load(std::string_view bytes) {
    std::vector<GlyphCode> codes(bytes.begin(), bytes.end());
    line_ = Line::FromCodes(codes);
    CHECK(line_.Codes() == codes, line_);
    expected_ = LettersOf(line_);
    clean_ = codes.empty();
    loaded_ = !codes.empty();
  }

  // Arbitrary bytes as glyph-code text: raw bytes, or (leniently decoded)
  // UTF-8 read as characters of one kind. Every code reads as letters or is
  // counted as skipped; the letters type a line without a refusal, and that
  // line reads back as the same letters. The line goes on from there.
  void Decode(Program& in) {
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
    CHECK(reread.skipped == 0 && reread.letters == read.letters, typed);
    CHECK(TypeLetters(reread.letters).Codes() == again, typed);
    line_ = typed;
    expected_ = LettersOf(line_);
    clean_ = true;
    loaded_ = false;
  }

  void Ligatures() {
    LigaturePass(line_);
    clean_ = false;
  }

  // The line to Unicode and back. A line typed at the left end from an empty
  // line, all of whose letters have code points, comes back glyph for glyph
  // and letter for letter, and its glyph codes read back into letters that
  // type the same codes; the codes survive every encoding.
  void RoundTrip() {
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
    CHECK(read.skipped == 0, line_);
    CHECK(TypeLetters(read.letters).Codes() == codes, TypeLetters(read.letters));
    const UnicodeLines r = FromUnicode(text);
    CHECK(r.lines.size() == 1 && r.skipped == 0, line_);
    CHECK(r.lines[0].Reading() == line_.Reading(), r.lines[0]);
    CHECK(ToUnicode(r.lines[0]) == text, r.lines[0]);
  }

  Line line_;
  Counts expected_{};
  bool clean_ = true;    // typed from empty at the left end, nothing deleted
  bool loaded_ = false;  // holds glyphs loaded from bare codes
};

}  // namespace
}  // namespace harf

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  harf::Program in(data, size);
  harf::Session session;
  session.Run(in);
  return 0;
}
