#include "input/utf8.h"

namespace harf {
namespace {

// Length of the sequence a lead byte starts, and the bits it carries.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;  // continuation byte, overlong lead C0/C1, or F5..FF
}

}  // namespace

std::u32string DecodeUtf8(std::string_view bytes, std::optional<Utf8Error>* error) {
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  std::u32string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int len = SequenceLength(lead);
    bool ok = len > 0 && i + static_cast<std::size_t>(len) <= bytes.size();
    char32_t cp = ok ? static_cast<char32_t>(lead & kLeadMask[len]) : 0;
    for (int k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      ok = (b & 0xC0) == 0x80;
      cp = (cp << 6) | (b & 0x3F);
    }
    ok = ok && cp >= kMin[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
      if (error) *error = Utf8Error{i};
      return {};
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(len);
  }
  if (error) error->reset();
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t cp : text) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace harf
