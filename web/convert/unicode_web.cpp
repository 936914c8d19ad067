// The part of the Unicode bridge the documents use, for the browser, where
// there is no ICU to link: NFKC is the browser's own
// String.prototype.normalize, and the order of a right-to-left line is
// PlainBidiOrder, which a native test holds equal to ICU's for every
// character the font has. The names are the ones the documents call.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/bidi_order.h"
#include "input/unicode_text.h"

namespace {

// Normalises n code points at `from` (all Unicode scalar values) and writes
// the result's code points to `to`, as many as `room` allows; returns how many
// the result has, so that a caller with too little room can ask again.
// String.fromCodePoint takes its arguments on the stack: pieces of 8192.
// clang-format off
EM_JS(int, harf_nfkc, (const std::uint32_t* from, int n, std::uint32_t* to, int room), {
  const codes = HEAPU32.subarray(from >> 2, (from >> 2) + n);
  let text = "";
  for (let i = 0; i < n; i += 8192) {
    text += String.fromCodePoint.apply(null, codes.subarray(i, Math.min(n, i + 8192)));
  }
  let k = 0;
  for (const ch of text.normalize("NFKC")) {
    if (k < room) HEAPU32[(to >> 2) + k] = ch.codePointAt(0);
    ++k;
  }
  return k;
});
// clang-format on

bool IsScalarValue(char32_t cp) {
  return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

}  // namespace

namespace harf {

std::u32string Nfkc(std::u32string_view text, std::size_t* dropped) {
  std::vector<std::uint32_t> in;
  in.reserve(text.size());
  for (const char32_t cp : text) {
    if (IsScalarValue(cp)) {
      in.push_back(cp);
    } else if (dropped) {
      ++*dropped;
    }
  }
  if (in.empty()) return {};
  // Most text comes back no longer; a longer result is asked for again.
  std::vector<std::uint32_t> out(in.size() + 16);
  const int n = static_cast<int>(in.size());
  int length = harf_nfkc(in.data(), n, out.data(), static_cast<int>(out.size()));
  if (static_cast<std::size_t>(length) > out.size()) {
    out.resize(static_cast<std::size_t>(length));
    length = harf_nfkc(in.data(), n, out.data(), length);
  }
  return std::u32string(out.begin(), out.begin() + length);
}

std::vector<std::size_t> IcuBidiOrder(std::u32string_view bases, bool inverse) {
  return PlainBidiOrder(bases, inverse);
}

}  // namespace harf
