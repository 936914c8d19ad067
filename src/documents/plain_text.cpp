// .txt, .csv and .tsv, streamed a line (a record) at a time so that memory
// does not grow with the file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/legacy_text.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {
namespace {

constexpr std::string_view kCrLf = "\r\n";

[[noreturn]] void Invalid(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Invalid, message);
}

[[noreturn]] void Io(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Io, message + ": " + std::strerror(errno));
}

class File {
 public:
  File(const std::string& path, const char* mode) : f_(std::fopen(path.c_str(), mode)) {
    if (!f_) Io(std::string("cannot open ") + (mode[0] == 'r' ? "the input" : "the output"));
  }
  ~File() {
    if (f_) std::fclose(f_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() { return f_; }
  void Write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) {
      Io("cannot write the output");
    }
  }
  void Close() {
    const bool failed = std::ferror(f_) != 0;
    const int rc = std::fclose(f_);
    f_ = nullptr;
    if (failed || rc != 0) Io("cannot write the output");
  }

 private:
  std::FILE* f_;
};

// Reads lines with their endings; the buffer grows only with the longest line.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}
  // The next line without its ending (LF or CR LF), which goes to `ending`.
  bool Next(std::string& line, std::string& ending) {
    line.clear();
    ending.clear();
    int c;
    bool any = false;
    while ((c = std::getc(f_)) != EOF) {
      any = true;
      if (c == '\n') {
        ending.assign(1, '\n');
        if (!line.empty() && line.back() == '\r') {
          line.pop_back();
          ending.assign(kCrLf);
        }
        return true;
      }
      line.push_back(static_cast<char>(c));
    }
    if (std::ferror(f_)) Io("cannot read the input");
    return any;
  }

 private:
  std::FILE* f_;
};

// Whether a file holds UTF-8 text or raw bytes (one glyph code each), judged
// on its start: a sequence cut at the end of the sample does not count.
bool LooksLikeUtf8(std::FILE* f) {
  char sample[65536];
  const std::size_t n = std::fread(sample, 1, sizeof sample, f);
  if (std::ferror(f)) Io("cannot read the input");
  std::rewind(f);
  std::size_t end = n;
  // Back off an incomplete sequence at the end of a full sample.
  if (n == sizeof sample) {
    std::size_t back = 0;
    while (back < 4 && back < end &&
           (static_cast<unsigned char>(sample[end - 1 - back]) & 0xC0) == 0x80)
      ++back;
    if (back < end && (static_cast<unsigned char>(sample[end - 1 - back]) & 0xC0) == 0xC0)
      end -= back + 1;
  }
  std::optional<Utf8Error> error;
  DecodeUtf8(std::string_view(sample, end), &error);
  return !error;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::u32string DecodeLine(std::string_view line, std::size_t number) {
  std::optional<Utf8Error> error;
  std::u32string text = DecodeUtf8(line, &error);
  if (error) {
    Invalid("invalid UTF-8 on line " + std::to_string(number) + " at byte " +
            std::to_string(error->offset + 1));
  }
  return text;
}

// Legacy text of one line (UTF-8 characters or raw bytes) to Unicode.
std::u32string LegacyLineToUnicode(std::string_view line, bool bytes, std::size_t number,
                                   const ConvertOptions& o, ConvertStats& stats) {
  std::vector<GlyphCode> codes;
  if (bytes) {
    codes.assign(line.begin(), line.end());
  } else {
    const std::u32string chars = DecodeLine(line, number);
    const GlyphEncoding e = o.encoding ? *o.encoding : DetectEncoding(chars);
    stats.left_out += AppendDecoded(chars, e, codes);
  }
  const std::vector<std::size_t> runs(codes.size(), 0);
  UnicodePieces u = CodesToUnicode(codes, runs);
  stats.left_out += u.left_out;
  std::u32string out;
  for (const Piece& p : u.pieces) out += p.text;
  return out;
}

// Glyph codes as the legacy text written: symbol characters in UTF-8, the
// other encodings as one byte per code, as 8-bit text files hold them.
std::string LegacyOut(const std::vector<GlyphCode>& codes, GlyphEncoding e) {
  if (e == GlyphEncoding::Symbol) return EncodeUtf8(EncodeCodes(codes, e));
  return EncodeBytes(codes);
}

}  // namespace

ConvertStats ConvertText(const std::string& in, const std::string& out, const ConvertOptions& o) {
  File input(in, "rb");
  File output(out, "wb");
  const bool utf8 = LooksLikeUtf8(input.get());
  const bool bytes = o.to == Direction::ToUnicode && !utf8;
  if (o.to == Direction::ToLegacy && !utf8) Invalid("not UTF-8 text: Unicode input must be UTF-8");
  ConvertStats stats;
  LineReader reader(input.get());
  std::string line, ending;
  for (std::size_t number = 1; reader.Next(line, ending); ++number) {
    std::string_view text = line;
    if (number == 1 && utf8 && text.starts_with(kBom)) text.remove_prefix(kBom.size());
    if (o.to == Direction::ToUnicode) {
      output.Write(EncodeUtf8(LegacyLineToUnicode(text, bytes, number, o, stats)));
      output.Write(ending);
    } else {
      const Piece piece{DecodeLine(text, number), 0};
      LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), o.line_glyphs);
      stats.left_out += l.left_out;
      for (std::size_t i = 0; i < l.codes.size(); ++i) {
        output.Write(LegacyOut(l.codes[i], WritingEncoding(o)));
        output.Write(i + 1 < l.codes.size() ? (ending.empty() ? "\n" : ending) : ending);
      }
    }
    if (!text.empty()) ++stats.runs;
  }
  output.Close();
  return stats;
}

namespace {

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
      if (std::ferror(f_)) Io("cannot read the input");
      return false;
    }
    fields.emplace_back();
    bool quoted = false;
    bool was_quoted = false;
    for (; c != EOF; c = std::getc(f_)) {
      Field& field = fields.back();
      const char ch = static_cast<char>(c);
      if (quoted) {
        field.raw.push_back(ch);
        if (ch == '"') {
          const int next = std::getc(f_);
          if (next == '"') {
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
        quoted = was_quoted = true;
        field.raw.push_back(ch);
      } else if (ch == sep_) {
        fields.emplace_back();
        was_quoted = false;
      } else if (ch == '\n') {
        ending.assign(1, '\n');
        if (!field.raw.empty() && field.raw.back() == '\r' && !was_quoted) {
          field.raw.pop_back();
          field.text.pop_back();
          ending.assign(kCrLf);
        } else if (!field.raw.empty() && field.raw.back() == '\r') {
          field.raw.pop_back();
          ending.assign(kCrLf);
        }
        return true;
      } else {
        field.raw.push_back(ch);
        if (!was_quoted) field.text.push_back(ch);
      }
    }
    if (std::ferror(f_)) Io("cannot read the input");
    if (quoted) Invalid("a quoted field is not closed at the end of the file");
    return true;
  }

 private:
  std::FILE* f_;
  char sep_;
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

constexpr std::size_t kMaxColumn = 1000000;

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
  const bool utf8 = LooksLikeUtf8(input.get());
  if (o.to == Direction::ToLegacy && !utf8) Invalid("not UTF-8 text: Unicode input must be UTF-8");
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
      const bool is_header = number == 1 && header;
      const bool convert = !is_header && (o.columns.empty() || (i < wanted.size() && wanted[i]));
      std::string converted;
      bool done = false;
      if (convert && o.to == Direction::ToUnicode && !fields[i].text.empty()) {
        converted = EncodeUtf8(LegacyLineToUnicode(fields[i].text, !utf8, number, o, stats));
        done = true;
      } else if (convert && o.to == Direction::ToLegacy) {
        const Piece piece{DecodeLine(fields[i].text, number), 0};
        if (!o.columns.empty() || IsArabicText(piece.text)) {
          LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), 0);
          stats.left_out += l.left_out;
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
