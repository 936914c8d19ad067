// The documents the document fuzz target converts, built from its input: a
// package (.docx, .xlsx, .pptx, .odt, .ods, .odp) around the parts of a body,
// zipped with libzip, and the damage done to it afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace harf::document_fuzz {

enum class Format : std::uint8_t { Docx, Odt, Text, Csv, Tsv, Xlsx, Pptx, Ods, Odp, Html };

constexpr std::string_view kStylesMark = "\n--styles--\n";
constexpr std::string_view kStringsMark = "\n--strings--\n";

// The parts of a body: the main part, then the optional styles and strings.
struct Parts {
  std::string_view main, styles, strings;
  bool with_styles = false, with_strings = false;
};

Parts SplitBody(std::string_view body);

// The package around a body's parts, zipped to `path`.
bool WritePackage(const std::string& path, Format f, const Parts& p);

// The byte at `at` (modulo the file's size) xor-ed with `bits`.
void Damage(const std::string& path, std::size_t at, std::uint8_t bits);

}  // namespace harf::document_fuzz
