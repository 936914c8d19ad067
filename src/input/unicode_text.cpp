#include "input/unicode_text.h"

#include <unicode/ubidi.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "input/bidi_order.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

bool IsScalarValue(char32_t cp) {
  return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Text waiting for normalisation is normalised once this much of it has come
// in, up to its last normalisation boundary, and typed up to the last place
// where no number is.
constexpr std::size_t kChunk = std::size_t{1} << 14;
// A run with no such place in it is cut here all the same: a run of nothing
// but combining marks (every mark after the first is refused as a sign after
// a sign anyway), or a number of a million digits.
constexpr std::size_t kLongestRun = std::size_t{1} << 20;

void Check(UErrorCode status) {
  // U_STRING_NOT_TERMINATED_WARNING and the like are no failure.
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("ICU normalisation failed: ") + u_errorName(status));
  }
}

}  // namespace

// NFKC through ICU, which works on UTF-16. The buffers live as long as the
// normaliser, so converting many lines allocates only when a line is longer
// than any before it.
class NfkcNormaliser {
 public:
  NfkcNormaliser() {
    UErrorCode status = U_ZERO_ERROR;
    nfkc_ = unorm2_getNFKCInstance(&status);
    Check(status);
  }

  // Appends the NFKC of text to out; returns how many values were left out
  // because they are not Unicode scalar values.
  std::size_t Append(std::u32string_view text, std::u32string& out) {
    std::size_t dropped = 0;
    in_.resize(2 * text.size());
    std::size_t k = 0;
    for (const char32_t cp : text) {
      if (!IsScalarValue(cp)) {
        ++dropped;
      } else {
        U16_APPEND_UNSAFE(in_.data(), k, cp);
      }
    }
    in_.resize(k);
    if (in_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 4)) {
      throw std::length_error("text too long to normalise");
    }
    const auto length = static_cast<std::int32_t>(in_.size());
    // Most text comes back no longer; the longest compatibility decomposition
    // (U+FDFA) is 18 code units, handled by the second call.
    if (norm_.size() < in_.size() + 16) norm_.resize(in_.size() + 16);
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t n = unorm2_normalize(nfkc_, in_.data(), length, norm_.data(),
                                      static_cast<std::int32_t>(norm_.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      norm_.resize(static_cast<std::size_t>(n));
      status = U_ZERO_ERROR;
      n = unorm2_normalize(nfkc_, in_.data(), length, norm_.data(), n, &status);
    }
    Check(status);
    out.reserve(out.size() + static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n;) {
      UChar32 c;
// ICU's macro mixes its signed UChar32 with unsigned masks.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
      U16_NEXT(norm_.data(), i, n, c);
#pragma GCC diagnostic pop
      out.push_back(static_cast<char32_t>(c));
    }
    return dropped;
  }

  // Where text may be cut so that both parts normalise on their own: before
  // its last character with a normalisation boundary before it; 0 when there
  // is none after the start.
  std::size_t LastBoundary(std::u32string_view text) const {
    for (std::size_t i = text.size(); i-- > 1;) {
      if (IsScalarValue(text[i]) && unorm2_hasBoundaryBefore(nfkc_, static_cast<UChar32>(text[i])))
        return i;
    }
    return 0;
  }

 private:
  const UNormalizer2* nfkc_ = nullptr;
  std::u16string in_;
  std::u16string norm_;
};

std::vector<std::size_t> IcuBidiOrder(std::u32string_view bases, bool inverse) {
  if (bases.empty()) return {};
  if (bases.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("text too long to reorder");
  }
  std::u16string text;
  text.reserve(bases.size());
  for (const char32_t ch : bases) {
    // Every letter's code point lies in the BMP; anything else counts as a neutral.
    text.push_back(ch < 0x10000 ? static_cast<char16_t>(ch) : u'!');
  }
  const auto length = static_cast<std::int32_t>(text.size());
  UErrorCode status = U_ZERO_ERROR;
  UBiDi* bidi = ubidi_openSized(length, 0, &status);
  std::vector<std::int32_t> map(text.size());
  if (U_SUCCESS(status)) {
    if (inverse) ubidi_setReorderingMode(bidi, UBIDI_REORDER_INVERSE_LIKE_DIRECT);
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(text.data()), length, 1, nullptr, &status);
    ubidi_getVisualMap(bidi, map.data(), &status);
  }
  ubidi_close(bidi);
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("ICU bidi reordering failed: ") + u_errorName(status));
  }
  return std::vector<std::size_t>(map.begin(), map.end());
}

std::u32string ToUnicode(const Line& line) {
  return LogicalText(line, IcuBidiOrder);
}

std::u32string ToUnicode(const TextArea& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.lines().size(); ++i) {
    if (i > 0) out.push_back(U'\n');
    out += ToUnicode(text.lines()[i]);
  }
  return out;
}

std::u32string Nfkc(std::u32string_view text, std::size_t* dropped) {
  NfkcNormaliser normaliser;
  std::u32string out;
  out.reserve(text.size());
  // A window at a time, cut where both sides normalise alone: ICU's UTF-16
  // buffers then stay small, and a line of millions of characters is held
  // only as its input and its result.
  constexpr std::size_t kWindow = std::size_t{1} << 16;
  std::size_t n = 0;
  while (!text.empty()) {
    std::size_t cut = text.size();
    if (cut > kWindow) {
      cut = normaliser.LastBoundary(text.substr(0, kWindow));
      if (cut == 0) cut = std::min(text.size(), kLongestRun);
    }
    n += normaliser.Append(text.substr(0, cut), out);
    text.remove_prefix(cut);
  }
  if (dropped) *dropped += n;
  return out;
}

LetterLines UnicodeLetters(std::u32string_view text) {
  NfkcNormaliser normaliser;
  return UnicodeLetters(
      text,
      [&normaliser](std::u32string_view line, std::u32string& out) {
        return normaliser.Append(line, out);
      },
      IcuBidiOrder);
}

UnicodeLines FromUnicode(std::u32string_view text, Line first) {
  NfkcNormaliser normaliser;
  return TypeUnicode(
      text, std::move(first),
      [&normaliser](std::u32string_view line, std::u32string& out) {
        return normaliser.Append(line, out);
      },
      IcuBidiOrder);
}

namespace {

// Whether a letter's code point belongs to a number, or may stand in one
// between two digits.
bool InNumber(char32_t cp) {
  return IsArabicIndicDigit(cp) || IsNumberSeparator(cp);
}

// Where normalised text may be cut so that its two parts are typed as the
// whole is: before its last letter that is neither a vowel sign (which goes
// with the letter before it) nor in a number (whose order the bidi algorithm
// turns round); 0 when there is none.
std::size_t LastTypingCut(std::u32string_view text) {
  for (std::size_t k = text.size(); k-- > 1;) {
    const LetterIndex c = LetterOfCodePoint(text[k]);
    if (c == kNoLetter) continue;
    const char32_t cp = CodePointOf(c);
    if (!IsMark(cp) && !InNumber(cp)) return k;
  }
  return 0;
}

}  // namespace

UnicodeTyper::UnicodeTyper(LineDone done, Line first)
    : done_(std::move(done)), line_(std::move(first)), nfkc_(std::make_unique<NfkcNormaliser>()) {
  line_.SetCursor(0);
}

UnicodeTyper::~UnicodeTyper() = default;

void UnicodeTyper::Type(std::u32string_view text) {
  for (const char32_t cp : text) {
    if (std::exchange(afterCr_, false) && cp == U'\n') continue;  // CR LF: one break
    if (IsLineBreak(cp)) {
      EndLine();
      afterCr_ = cp == U'\r';
    } else {
      waiting_.push_back(cp);
      if (waiting_.size() >= kChunk) Flush(false);
    }
  }
}

void UnicodeTyper::Finish() {
  EndLine();
  afterCr_ = false;
}

// Normalises and types the text waiting: all of it, or as much as may be cut
// off without changing what it gives.
void UnicodeTyper::Flush(bool all) {
  std::size_t n = all ? waiting_.size() : nfkc_->LastBoundary(waiting_);
  if (n == 0 && waiting_.size() >= kLongestRun) n = waiting_.size();
  leftOut_ += nfkc_->Append(std::u32string_view(waiting_).substr(0, n), normal_);
  waiting_.erase(0, n);

  std::size_t cut = all ? normal_.size() : LastTypingCut(normal_);
  if (cut == 0 && normal_.size() >= kLongestRun) cut = normal_.size();
  if (cut == 0) return;
  // Normalised already: what TypeUnicode is given is typed as it stands.
  UnicodeLines typed = TypeUnicode(
      std::u32string_view(normal_).substr(0, cut), std::move(line_),
      [](std::u32string_view text, std::u32string& out) {
        out.append(text);
        return std::size_t{0};
      },
      IcuBidiOrder);
  line_ = std::move(typed.lines.front());
  leftOut_ += typed.leftOut;
  refused_ += typed.refused;
  normal_.erase(0, cut);
}

void UnicodeTyper::EndLine() {
  Flush(true);
  done_(line_);
  line_ = Line();
}

void PasteUnicode(Typist& typist, std::u32string_view text) {
  if (text.empty()) {
    typist.Paste({}, 0);
    return;
  }
  typist.PasteLetters(UnicodeLetters(text));
}

}  // namespace harf
