// .csv and .tsv, streamed a record at a time so that memory does not grow
// with the file.
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

namespace {

// The widest record read: as wide as the highest column --columns may name.
constexpr std::size_t kMaxFields = 1000000;

struct Field {
  std::string raw;   // as read, quotes included
  std::string text;  // unquoted
};

// One record of RFC 4180 CSV (or TSV): fields may be quoted, and a quoted
// field may hold separators, quotes ("") and line breaks. Hand-written: no
// Debian-packaged C++ library streams it, and the grammar is small.
class RecordReader {
 public:
  RecordReader(std::FILE* f, char sep) : f_(f), sep_(sep) {}

  bool Next(std::vector<Field>& fields, std::string& ending) {
    fields.clear();
    ending.clear();
    int c = std::getc(f_);
    if (c == EOF) {
      if (std::ferror(f_)) IoErrno("cannot read the input");
      return false;
    }
    fields.emplace_back();
    const std::size_t start = offset_;
    bool quoted = false;
    bool wasQuoted = false;
    for (; c != EOF; c = std::getc(f_)) {
      // Both copies of a field grow with the record.
      if (++offset_ - start > kMaxTextLine) TooLong(start);
      Field& field = fields.back();
      const char ch = static_cast<char>(c);
      if (quoted) {
        field.raw.push_back(ch);
        if (ch == '"') {
          const int next = std::getc(f_);
          if (next == '"') {
            ++offset_;
            field.raw.push_back('"');
            field.text.push_back('"');
          } else {
            quoted = false;
            if (next != EOF) std::ungetc(next, f_);
          }
        } else {
          field.text.push_back(ch);
        }
      } else if (ch == '"' && field.raw.empty()) {
        quoted = wasQuoted = true;
        field.raw.push_back(ch);
      } else if (ch == sep_) {
        // Every field costs far more than its separator's byte.
        if (fields.size() == kMaxFields) {
          Invalid("more than " + std::to_string(kMaxFields) + " fields in the record at byte " +
                  std::to_string(start + 1));
        }
        fields.emplace_back();
        wasQuoted = false;
      } else if (ch == '\n') {
        ending.assign(1, '\n');
        return true;
      } else if (ch == '\r') {
        // CR LF, or a lone CR as old Mac files end records.
        EndAfterCr(f_, offset_, ending);
        return true;
      } else {
        field.raw.push_back(ch);
        if (!wasQuoted) field.text.push_back(ch);
      }
    }
    if (std::ferror(f_)) IoErrno("cannot read the input");
    if (quoted) Invalid("a quoted field is not closed at the end of the file");
    return true;
  }

 private:
  std::FILE* f_;
  char sep_;
  std::size_t offset_ = 0;  // bytes read
};

std::string Quoted(const std::string& text, char sep) {
  if (text.find_first_of(std::string("\"\r\n") + sep) == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

constexpr std::size_t kMaxColumn = kMaxFields;

bool IsNumber(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

ConvertStats ConvertTable(const std::string& in, const std::string& out, char sep,
                          const ConvertOptions& o) {
  if (o.to == Direction::ToUnicode && o.columns.empty()) {
    Invalid("--columns must name the legacy columns of a table");
  }
  File input(in, "rb");
  File output(out, "wb");
  const Survey survey = SurveyFile(input.get());
  if (o.to == Direction::ToLegacy) RequireUtf8(survey);
  const bool utf8 = o.to == Direction::ToLegacy || ReadsAsUtf8(survey, o.readAs, true);
  bool header = false;
  for (const std::string& c : o.columns) header = header || !IsNumber(c);

  ConvertStats stats;
  RecordReader reader(input.get(), sep);
  std::vector<Field> fields;
  std::string ending;
  std::vector<bool> wanted;
  std::size_t highest = 0;  // the highest column number asked for
  for (const std::string& c : o.columns) {
    if (!IsNumber(c)) continue;
    // No table has a million columns; a bigger number is a slip, not a size to allocate.
    if (c.size() > 7 || std::stoul(c) > kMaxColumn) {
      Invalid("column number " + c + " is too large");
    }
    const std::size_t n = std::stoul(c);
    if (n == 0) Invalid("column numbers start at 1");
    if (wanted.size() < n) wanted.resize(n);
    wanted[n - 1] = true;
    highest = std::max(highest, n);
  }
  std::size_t widest = 0;  // the most fields of any record
  std::size_t number = 1;
  for (; reader.Next(fields, ending); ++number) {
    widest = std::max(widest, fields.size());
    if (number == 1 && utf8 && fields[0].raw.starts_with(kBom)) {
      fields[0].raw.erase(0, kBom.size());
      fields[0].text.erase(0, kBom.size());
      output.Write(kBom);
    }
    if (number == 1 && header) {
      for (const std::string& c : o.columns) {
        if (IsNumber(c)) continue;
        bool found = false;
        for (std::size_t i = 0; i < fields.size(); ++i) {
          if (fields[i].text == c) {
            if (wanted.size() <= i) wanted.resize(i + 1);
            wanted[i] = true;
            found = true;
          }
        }
        if (!found) Invalid("no column named '" + c + "' in the header");
      }
    }
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) record.push_back(sep);
      const bool isHeader = number == 1 && header;
      const bool convert = !isHeader && (o.columns.empty() || (i < wanted.size() && wanted[i]));
      std::string converted;
      bool done = false;
      if (convert && o.to == Direction::ToUnicode && !fields[i].text.empty()) {
        LegacyLineToUnicode(fields[i].text, !utf8, number, o, stats, converted);
        done = true;
      } else if (convert && o.to == Direction::ToLegacy) {
        const Piece piece{DecodeLine(fields[i].text, number), 0};
        if (!o.columns.empty() || IsArabicText(piece.text)) {
          LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), 0);
          stats.leftOut += l.leftOut;
          converted = EncodeUtf8(EncodeCodes(l.codes.front(), WritingEncoding(o)));
          done = true;
        }
      }
      if (done) {
        ++stats.runs;
        record += Quoted(converted, sep);
      } else if (!utf8) {
        // A raw 8-bit file's other fields are Windows-1252 text; the output
        // is UTF-8 throughout.
        std::vector<GlyphCode> codes(fields[i].raw.begin(), fields[i].raw.end());
        record += EncodeUtf8(EncodeCodes(codes, GlyphEncoding::Windows1252));
      } else {
        record += fields[i].raw;
      }
    }
    output.Write(record);
    output.Write(ending);
  }
  // A column no record reaches was surely meant to be another one.
  if (number > 1 && highest > widest) {
    Invalid("no column " + std::to_string(highest) + ": no record has more than " +
            std::to_string(widest));
  }
  output.Close();
  return stats;
}

}  // namespace harf::documents
