#include "engine_input.h"

#include <iterator>
#include <optional>

#include "engine_checks.h"
#include "input/utf8.h"

namespace harf::engine_fuzz {

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

}  // namespace harf::engine_fuzz
