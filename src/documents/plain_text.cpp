// .txt files, streamed a line at a time so that memory does not grow with
// the file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/legacy_text.h"
#include "documents/package.h"
#include "documents/text_lines.h"
#include "input/glyph_reader.h"
#include "input/utf8.h"

namespace harf::documents {

using namespace text_lines;

ConvertStats ConvertText(const std::string& in, const std::string& out, const ConvertOptions& o) {
  File input(in, "rb");
  File output(out, "wb");
  const Survey survey = SurveyFile(input.get());
  ConvertStats stats;
  bool utf8 = true;
  if (o.to == Direction::ToUnicode) {
    utf8 = ReadsAsUtf8(survey, o.readAs, false);
    if (o.readAs == TextReading::Auto && !survey.invalidUtf8 && !survey.ascii) {
      stats.readBothWays = utf8 ? TextReading::Utf8 : TextReading::Bytes;
    }
  } else {
    RequireUtf8(survey);
  }
  LineReader reader(input.get());
  std::string line, ending, textOut;
  const auto write = [&output](std::string& text) {
    output.Write(text);
    text.clear();
  };
  for (std::size_t number = 1; reader.Next(line, ending); ++number) {
    std::string_view text = line;
    if (number == 1 && utf8 && text.starts_with(kBom)) text.remove_prefix(kBom.size());
    if (o.to == Direction::ToUnicode) {
      LegacyLineToUnicode(text, !utf8, number, o, stats, textOut, write);
      write(textOut);
      output.Write(ending);
    } else {
      const Piece piece{DecodeLine(text, number), 0};
      LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), o.lineGlyphs);
      stats.leftOut += l.leftOut;
      for (std::size_t i = 0; i < l.codes.size(); ++i) {
        output.Write(LegacyOut(l.codes[i], WritingEncoding(o)));
        output.Write(i + 1 < l.codes.size() ? (ending.empty() ? "\n" : ending) : ending);
      }
    }
    if (!text.empty()) ++stats.runs;
    // One long line must not keep its memory for the rest of the file.
    if (line.capacity() > (std::size_t{1} << 20)) std::string().swap(line);
  }
  output.Close();
  return stats;
}

}  // namespace harf::documents
