#include "messages.h"

#include <unicode/utf8.h>

#include <cstdio>

namespace harf::convert {
namespace {

bool Reorders(UChar32 c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

void AppendByte(std::string& out, unsigned char b) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", b);
  out += hex;
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t i = 0;
  while (i < length) {
    const std::int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      for (std::int32_t j = start; j < i; ++j) AppendByte(out, s[j]);
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      AppendByte(out, static_cast<unsigned char>(c));
    } else if (c == '\\') {
      out += "\\\\";
    } else if (Reorders(c)) {
      char code[16];
      std::snprintf(code, sizeof code, "\\u{%04X}", static_cast<unsigned>(c));
      out += code;
    } else {
      out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
  }
  return out;
}

std::string FileMessage(std::string_view file, std::string_view message) {
  return "harf-convert: " + Printable(file) + ": " + Printable(message);
}

}  // namespace harf::convert
