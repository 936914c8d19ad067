#include "input/utf8.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace harf {

std::u32string DecodeUtf8(std::string_view bytes, std::optional<Utf8Error>* error) {
  std::u32string out;
  out.reserve(bytes.size());
  const std::size_t end = AppendDecodedUtf8(bytes, out);
  if (end < bytes.size()) {
    if (error) *error = Utf8Error{end};
    return {};
  }
  if (error) error->reset();
  return out;
}

std::size_t AppendDecodedUtf8(std::string_view bytes, std::u32string& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int64_t>(bytes.size());
  std::int64_t i = 0;
  // ASCII needs no decoding; a run of it goes in with one append.
  while (i < length) {
    std::int64_t ascii = i;
    while (ascii < length && s[ascii] < 0x80) ++ascii;
    out.append(s + i, s + ascii);
    i = ascii;
    while (i < length && s[i] >= 0x80) {
      const std::int64_t start = i;
      UChar32 c;
      U8_NEXT(s, i, length, c);
      if (c < 0) return static_cast<std::size_t>(start);
      out.push_back(static_cast<char32_t>(c));
    }
  }
  return bytes.size();
}

std::size_t IncompleteUtf8Tail(std::string_view bytes) {
  const std::size_t n = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto b = static_cast<std::uint8_t>(bytes[n - back]);
    if (U8_IS_TRAIL(b)) continue;
    // A lead byte of a sequence longer than what follows it; anything else
    // (ASCII, a byte no sequence starts with) is complete as far as it goes.
    return U8_IS_LEAD(b) && static_cast<std::size_t>(U8_COUNT_TRAIL_BYTES(b)) >= back ? back : 0;
  }
  return 0;
}

void AppendUtf8(std::u32string_view text, std::string& out) {
  std::size_t i = out.size();
  out.resize(i + 4 * text.size());
  auto* s = reinterpret_cast<std::uint8_t*>(out.data());
  for (const char32_t c : text) {
    bool invalid = false;
    U8_APPEND(s, i, out.size(), c, invalid);
    if (invalid) U8_APPEND_UNSAFE(s, i, 0xFFFD);
  }
  out.resize(i);
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

}  // namespace harf
