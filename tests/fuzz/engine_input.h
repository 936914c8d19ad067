// How the engine fuzz target reads its input: a stream of bytes, and the
// Unicode text it builds from them to paste, valid or not.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace harf::engine_fuzz {

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

// Code points from UTF-8, leniently: a byte that starts no valid sequence
// becomes U+DC00 + byte, a value that is no Unicode scalar value.
std::u32string DecodeLeniently(std::string_view bytes);

// Code points two bytes at a time: the first picks a block (ASCII, Arabic,
// presentation forms, punctuation, surrogates, values past U+10FFFF), the
// second the character in it.
std::u32string CodePointsInBlocks(Program& in, std::size_t n);

// Any 24-bit values, three bytes each.
std::u32string RawCodePoints(Program& in, std::size_t n);

}  // namespace harf::engine_fuzz
