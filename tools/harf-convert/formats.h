// The formats harf-convert reads, by extension, and the one place that sends
// each to its converter.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "documents/convert.h"

namespace harf::convert {

enum class Format { Docx, Odt, Text, Csv, Tsv, Doc, Rtf };

// By extension, without regard to case; none for an extension not read here.
std::optional<Format> FormatOf(const std::filesystem::path& p);

// ".docx" for Format::Docx and so on.
std::string ExtensionOf(Format format);

// Converts `in` into `out` (an existing file). A package is first checked to
// be of its extension's kind with its main part; when a package fails as
// invalid, a damaged entry in it is named rather than what the damage led to.
documents::ConvertStats ConvertOne(const std::filesystem::path& in, const std::string& out,
                                   Format format, const documents::ConvertOptions& o);

}  // namespace harf::convert
