// harf-convert's command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "documents/convert.h"

namespace harf::convert {

// The memory one file's conversion may take, in MiB, unless --memory-limit
// says otherwise: far above what the largest document within the package
// limits needs, far below what would take the machine.
inline constexpr std::size_t kDefaultMemoryLimitMib = 4096;

struct Options {
  documents::ConvertOptions convert;
  std::optional<std::string> out;
  std::optional<std::string> outDir;
  bool force = false;
  bool copyUnchecked = false;
  std::size_t memoryLimitMib = kDefaultMemoryLimitMib;  // 0: none
  std::vector<std::string> files;
};

// The options, or the usage message and exit status 2 (--help and --version
// print and exit).
Options Parse(int argc, char** argv);

}  // namespace harf::convert
