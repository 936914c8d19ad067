#include "input/unicode_text.h"

#include <unicode/ubidi.h>
#include <unicode/unorm2.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "input/bidi_order.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"

namespace harf {
namespace {

bool IsScalarValue(char32_t cp) {
  return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// NFKC through ICU, which works on UTF-16. The buffers live as long as the
// normaliser, so converting many lines allocates only when a line is longer
// than any before it.
class Normaliser {
 public:
  Normaliser() {
    UErrorCode status = U_ZERO_ERROR;
    nfkc_ = unorm2_getNFKCInstance(&status);
    Check(status);
  }

  // Appends the NFKC of text to out; returns how many values were left out
  // because they are not Unicode scalar values.
  std::size_t Append(std::u32string_view text, std::u32string& out) {
    std::size_t dropped = 0;
    in_.clear();
    for (const char32_t cp : text) {
      if (!IsScalarValue(cp)) {
        ++dropped;
      } else if (cp < 0x10000) {
        in_.push_back(static_cast<UChar>(cp));
      } else {
        in_.push_back(static_cast<UChar>(0xD7C0 + (cp >> 10)));
        in_.push_back(static_cast<UChar>(0xDC00 | (cp & 0x3FF)));
      }
    }
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
    for (std::int32_t i = 0; i < n; ++i) {
      const char32_t u = norm_[static_cast<std::size_t>(i)];
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
        const char32_t low = norm_[static_cast<std::size_t>(++i)];
        out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
      } else {
        out.push_back(u);
      }
    }
    return dropped;
  }

 private:
  static void Check(UErrorCode status) {
    // U_STRING_NOT_TERMINATED_WARNING and the like are no failure.
    if (U_FAILURE(status)) {
      throw std::runtime_error(std::string("ICU normalisation failed: ") + u_errorName(status));
    }
  }

  const UNormalizer2* nfkc_ = nullptr;
  std::u16string in_;
  std::u16string norm_;
};

}  // namespace

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
  Normaliser normaliser;
  std::u32string out;
  const std::size_t n = normaliser.Append(text, out);
  if (dropped) *dropped += n;
  return out;
}

LetterLines UnicodeLetters(std::u32string_view text) {
  Normaliser normaliser;
  return UnicodeLetters(
      text,
      [&normaliser](std::u32string_view line, std::u32string& out) {
        return normaliser.Append(line, out);
      },
      IcuBidiOrder);
}

UnicodeLines FromUnicode(std::u32string_view text, Line first) {
  Normaliser normaliser;
  return TypeUnicode(
      text, std::move(first),
      [&normaliser](std::u32string_view line, std::u32string& out) {
        return normaliser.Append(line, out);
      },
      IcuBidiOrder);
}

}  // namespace harf
