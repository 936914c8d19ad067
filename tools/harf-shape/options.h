// harf-shape's command line.
#pragma once

#include <optional>
#include <string>

#include "input/glyph_encoding.h"
#include "tables/key_layout.h"

namespace harf::shape {

enum class Format { Codes, Bytes, Unicode, Legacy };
enum class Source { Keys, Unicode, Codes, Bytes, Legacy };

struct Options {
  Source from = Source::Keys;
  // The kind of legacy text: given, or (for --from legacy) found line by line.
  std::optional<harf::GlyphEncoding> encoding;
  harf::Layout layout = harf::Layout::Systematic;
  Format format = Format::Codes;
  bool help = false;
  bool version = false;
};

// What --help prints: the help text, its limits written from the constants
// that hold them.
std::string UsageText();

// The options, or one line on standard error and exit status 2 when they
// cannot be used; nothing has been read by then.
Options Parse(int argc, char** argv);

}  // namespace harf::shape
