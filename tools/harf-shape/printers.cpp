#include "printers.h"

#include <array>
#include <string>
#include <string_view>

#include "input/glyph_encoding.h"
#include "input/unicode_text.h"
#include "input/utf8.h"

namespace harf::shape {

using tools::Output;

Printer MakePrinter(Format format, harf::GlyphEncoding encoding, Output& out) {
  switch (format) {
    case Format::Codes:
      return [&out](const harf::Line& line) {
        static const auto kDecimal = [] {
          std::array<std::string, harf::kGlyphCount> t;
          for (std::size_t c = 0; c < t.size(); ++c) t[c] = std::to_string(c);
          return t;
        }();
        const auto& cells = line.Reading();
        for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
          if (it != cells.rbegin()) out.Put(' ');
          out.Write(kDecimal[it->code]);
        }
        out.Put('\n');
      };
    case Format::Bytes:
      return [&out](const harf::Line& line) {
        const auto& cells = line.Reading();
        for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
          out.Put(static_cast<char>(it->code));
        }
        out.Put('\n');
      };
    case Format::Legacy:
      return [&out, encoding](const harf::Line& line) {
        const std::u32string text = harf::EncodeCodes(line.Codes(), encoding);
        std::string utf8;
        harf::AppendUtf8(text, utf8);
        out.Write(utf8);
        out.Put('\n');
      };
    case Format::Unicode:
      return [&out](const harf::Line& line) {
        const std::u32string text = harf::ToUnicode(line);
        // In slices, so that a long line is never held twice more.
        constexpr std::size_t kSlice = 1 << 14;
        std::string utf8;
        for (std::size_t i = 0; i < text.size(); i += kSlice) {
          utf8.clear();
          harf::AppendUtf8(std::u32string_view(text).substr(i, kSlice), utf8);
          out.Write(utf8);
        }
        out.Put('\n');
      };
  }
  return {};
}

}  // namespace harf::shape
