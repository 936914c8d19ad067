// Strict UTF-8: overlong forms, surrogates and code points past U+10FFFF are
// refused, never guessed at.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace harf {

struct Utf8Error {
  std::size_t offset;  // byte offset of the first invalid sequence
};

// The code points of `bytes`, or the offset of the first invalid byte.
std::u32string DecodeUtf8(std::string_view bytes, std::optional<Utf8Error>* error);

std::string EncodeUtf8(std::u32string_view text);

}  // namespace harf
