// Each file is converted in a child process of its own, under a memory
// limit: whatever one file does (runs out of memory, overflows the stack,
// crashes), the batch goes on with the next and prints its summary.
#pragma once

#include <filesystem>
#include <string>

#include "documents/convert.h"
#include "options.h"
#include "output_file.h"

namespace harf::convert {

struct Outcome {
  enum class Kind { Converted, Io, Invalid };
  Kind kind = Kind::Converted;
  documents::ConvertStats stats;
  std::string message;  // why it failed, unescaped
};

// Converts `in` in a child process, which a stop signal reaches too.
Outcome ConvertIsolated(const std::filesystem::path& in, const Options& o, const Batch& batch);

}  // namespace harf::convert
