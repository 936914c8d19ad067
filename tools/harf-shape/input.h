// harf-shape's input kinds: each takes the pieces of every input line in turn
// and prints each line it finishes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "options.h"
#include "printers.h"
#include "stream_io.h"

namespace harf::shape {

// Input that cannot be shaped; the lines before it are out already.
struct BadInput {
  std::string message;
};

class Input {
 public:
  virtual ~Input() = default;
  virtual void Take(const tools::LinePiece& piece) = 0;
  // Characters left out so far, for the report on standard error.
  virtual std::size_t Skipped() const { return 0; }
};

// --from keys and --from unicode: UTF-8 text typed.
std::unique_ptr<Input> MakeTypedInput(const Options& o, Printer print);
// --from codes, bytes and legacy: glyph codes read back and typed again, or
// with --format unicode written straight out to `out`.
std::unique_ptr<Input> MakeCodesInput(const Options& o, Printer print, tools::Output& out);

}  // namespace harf::shape
