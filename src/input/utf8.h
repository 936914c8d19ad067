// Strict UTF-8: overlong forms, surrogates and code points past U+10FFFF are
// refused, never guessed at. The work is done by ICU's header-only macros
// (unicode/utf8.h), which need no ICU library, so the core stays free of ICU
// where it is built without it (WebAssembly).
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

// Appends the code points of `bytes` to `out` up to the first invalid
// sequence; returns that sequence's offset, or bytes.size() when all is valid.
std::size_t AppendDecodedUtf8(std::string_view bytes, std::u32string& out);

// How many bytes at the end of `bytes` are the start of a sequence that the
// bytes after them might complete (0 to 3): a reader that hands on text in
// pieces keeps them for the next piece.
std::size_t IncompleteUtf8Tail(std::string_view bytes);

// UTF-8 of `text`; a value that is no Unicode scalar value (a surrogate,
// above U+10FFFF) becomes U+FFFD.
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::u32string_view text, std::string& out);

}  // namespace harf
