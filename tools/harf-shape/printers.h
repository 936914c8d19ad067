// harf-shape's output formats: each prints one finished line and its line feed.
#pragma once

#include <functional>

#include "input/glyph_encoding.h"
#include "options.h"
#include "shaping/line.h"
#include "stream_io.h"

namespace harf::shape {

using Printer = std::function<void(const harf::Line&)>;

// Prints to `out`, which must outlive the printer; `encoding` is the kind of
// legacy text --format legacy writes.
Printer MakePrinter(Format format, harf::GlyphEncoding encoding, tools::Output& out);

}  // namespace harf::shape
