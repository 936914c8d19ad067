// .txt, .csv and .tsv, streamed a line (a record) at a time so that memory
// does not grow with the file.
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
#include "input/glyph_reader.h"
#include "input/utf8.h"

namespace harf::documents {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// An I/O failure with the system's reason.
[[noreturn]] void IoErrno(const std::string& message) {
  Io(message + ": " + std::strerror(errno));
}

class File {
 public:
  File(const std::string& path, const char* mode) : f_(std::fopen(path.c_str(), mode)) {
    if (!f_) IoErrno(std::string("cannot open ") + (mode[0] == 'r' ? "the input" : "the output"));
  }
  ~File() {
    if (f_) std::fclose(f_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() { return f_; }
  void Write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) {
      IoErrno("cannot write the output");
    }
  }
  void Close() {
    const bool failed = std::ferror(f_) != 0;
    const int rc = std::fclose(f_);
    f_ = nullptr;
    if (failed || rc != 0) IoErrno("cannot write the output");
  }

 private:
  std::FILE* f_;
};

[[noreturn]] void TooLong(std::size_t offset) {
  Invalid("a line longer than " + std::to_string(kMaxTextLine >> 20) + " MiB at byte " +
          std::to_string(offset + 1));
}

// Reads lines with their endings; the buffer grows only with the longest line.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}
  // The next line without its ending (LF, CR LF or a lone CR, as old Mac
  // files end lines), which goes to `ending`.
  bool Next(std::string& line, std::string& ending) {
    line.clear();
    ending.clear();
    int c;
    bool any = false;
    while ((c = std::getc(f_)) != EOF) {
      any = true;
      ++offset_;
      if (c == '\n') {
        ending.assign(1, '\n');
        return true;
      }
      if (c == '\r') {
        const int next = std::getc(f_);
        if (next == '\n') {
          ++offset_;
          ending.assign(kCrLf);
        } else {
          if (next != EOF) std::ungetc(next, f_);
          ending.assign(1, '\r');
        }
        return true;
      }
      if (line.size() == kMaxTextLine) TooLong(offset_ - 1 - line.size());
      line.push_back(static_cast<char>(c));
    }
    if (std::ferror(f_)) IoErrno("cannot read the input");
    return any;
  }

 private:
  std::FILE* f_;
  std::size_t offset_ = 0;
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// A character some encoding of the font gives a glyph code: what legacy text
// saved as UTF-8 is made of, and what Unicode Arabic never is.
bool IsEncodingCharacter(char32_t ch) {
  for (const GlyphEncoding e : kGlyphEncodings) {
    if (CodeOfChar(ch, e)) return true;
  }
  return false;
}

// What one pass over the whole file finds before anything is converted, in
// pieces, so that memory does not grow with the file.
struct Survey {
  std::optional<std::size_t> invalid_utf8;  // offset of the first invalid sequence
  bool encoding_chars = true;               // every character one of an encoding's
  bool ascii = true;                        // every byte ASCII: both readings agree
};

Survey SurveyFile(std::FILE* f) {
  Survey s;
  std::vector<char> buffer(1 << 16);
  std::string pending;  // a sequence cut at the end of the last read
  std::u32string chars;
  std::size_t offset = 0;      // of buffer[0] in the file
  std::size_t line_start = 0;  // offset of the current line's first byte
  bool first = true;
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (static_cast<unsigned char>(c) >= 0x80) s.ascii = false;
      if (c == '\n' || c == '\r') {
        line_start = offset + i + 1;
      } else if (offset + i - line_start >= kMaxTextLine) {
        TooLong(line_start);
      }
    }
    if (!s.invalid_utf8) {
      pending.append(buffer.data(), n);
      std::string_view text = pending;
      std::size_t skip = 0;
      if (first && text.size() >= kBom.size() && text.starts_with(kBom)) skip = kBom.size();
      first = first && text.size() < kBom.size();
      const std::size_t tail = IncompleteUtf8Tail(text);
      chars.clear();
      const std::string_view whole = text.substr(skip, text.size() - tail - skip);
      const std::size_t valid = AppendDecodedUtf8(whole, chars);
      const std::size_t pending_start = offset + n - pending.size();
      if (valid < whole.size()) {
        s.invalid_utf8 = pending_start + skip + valid;
      } else {
        for (const char32_t ch : chars) {
          s.encoding_chars = s.encoding_chars && IsEncodingCharacter(ch);
        }
        pending.erase(0, pending.size() - tail);
      }
    }
    offset += n;
  }
  if (std::ferror(f)) IoErrno("cannot read the input");
  if (!s.invalid_utf8 && !pending.empty()) s.invalid_utf8 = offset - pending.size();
  std::rewind(f);
  return s;
}

// Whether legacy text is read as UTF-8 characters (else as raw bytes).
bool ReadsAsUtf8(const Survey& s, TextReading read_as, bool table) {
  switch (read_as) {
    case TextReading::Bytes:
      return false;
    case TextReading::Utf8:
      if (s.invalid_utf8) {
        Invalid("invalid UTF-8 at byte " + std::to_string(*s.invalid_utf8 + 1) +
                " (--read-as bytes reads it as glyph codes)");
      }
      return true;
    case TextReading::Auto:
      break;
  }
  return !s.invalid_utf8 && (table || s.encoding_chars);
}

// Unicode input is UTF-8 whatever --read-as says of legacy input.
void RequireUtf8(const Survey& s) {
  if (s.invalid_utf8) {
    Invalid("not UTF-8 text: Unicode input must be UTF-8 (invalid at byte " +
            std::to_string(*s.invalid_utf8 + 1) + ")");
  }
}

std::u32string DecodeLine(std::string_view line, std::size_t number) {
  // Exactly one value per character: a line of Arabic is two bytes a letter,
  // and reserving a value per byte would hold twice what it needs.
  const auto chars = static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  std::u32string text;
  text.reserve(chars);
  std::optional<Utf8Error> error;
  const std::size_t end = AppendDecodedUtf8(line, text);
  if (end < line.size()) error = Utf8Error{end};
  if (error) {
    Invalid("invalid UTF-8 on line " + std::to_string(number) + " at byte " +
            std::to_string(error->offset + 1));
  }
  return text;
}

// The glyph codes of one line of legacy text in UTF-8, decoded a piece at a
// time so that a long line is never held as UTF-32. The encoding is the one
// given, else the one the whole line's characters point to.
void AppendLegacyCodes(std::string_view line, std::size_t number,
                       std::optional<GlyphEncoding> given, std::vector<GlyphCode>& codes,
                       ConvertStats& stats) {
  constexpr std::size_t kPiece = 1 << 16;
  std::u32string chars;
  const auto each_piece = [&](const auto& take) {
    for (std::size_t at = 0; at < line.size();) {
      std::string_view piece = line.substr(at, kPiece);
      if (at + piece.size() < line.size()) piece.remove_suffix(IncompleteUtf8Tail(piece));
      chars.clear();
      const std::size_t valid = AppendDecodedUtf8(piece, chars);
      if (valid < piece.size()) {
        Invalid("invalid UTF-8 on line " + std::to_string(number) + " at byte " +
                std::to_string(at + valid + 1));
      }
      take(chars);
      at += piece.size();
    }
  };
  GlyphEncoding e = GlyphEncoding::Latin1;
  if (given) {
    e = *given;
  } else {
    each_piece([&e](const std::u32string& text) {
      const GlyphEncoding found = DetectEncoding(text);
      if (found == GlyphEncoding::Symbol || e == GlyphEncoding::Latin1) e = found;
    });
  }
  codes.reserve(line.size());
  each_piece([&](const std::u32string& text) { stats.left_out += AppendDecoded(text, e, codes); });
}

// Legacy text of one line (UTF-8 characters or raw bytes) as Unicode text in
// UTF-8, appended to `out`; `flush`, when given, takes it in pieces.
void LegacyLineToUnicode(std::string_view line, bool bytes, std::size_t number,
                         const ConvertOptions& o, ConvertStats& stats, std::string& out,
                         const std::function<void(std::string&)>& flush = {}) {
  std::vector<GlyphCode> codes;
  std::span<const GlyphCode> display(reinterpret_cast<const GlyphCode*>(line.data()), line.size());
  if (!bytes) {
    AppendLegacyCodes(line, number, o.encoding, codes, stats);
    display = codes;
  }
  stats.left_out += AppendUnicodeOfCodes(display, out, flush);
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
  const Survey survey = SurveyFile(input.get());
  ConvertStats stats;
  bool utf8 = true;
  if (o.to == Direction::ToUnicode) {
    utf8 = ReadsAsUtf8(survey, o.read_as, false);
    if (o.read_as == TextReading::Auto && !survey.invalid_utf8 && !survey.ascii) {
      stats.read_both_ways = utf8 ? TextReading::Utf8 : TextReading::Bytes;
    }
  } else {
    RequireUtf8(survey);
  }
  LineReader reader(input.get());
  std::string line, ending, text_out;
  const auto write = [&output](std::string& text) {
    output.Write(text);
    text.clear();
  };
  for (std::size_t number = 1; reader.Next(line, ending); ++number) {
    std::string_view text = line;
    if (number == 1 && utf8 && text.starts_with(kBom)) text.remove_prefix(kBom.size());
    if (o.to == Direction::ToUnicode) {
      LegacyLineToUnicode(text, !utf8, number, o, stats, text_out, write);
      write(text_out);
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
    // One long line must not keep its memory for the rest of the file.
    if (line.capacity() > (std::size_t{1} << 20)) std::string().swap(line);
  }
  output.Close();
  return stats;
}

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
    bool was_quoted = false;
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
        quoted = was_quoted = true;
        field.raw.push_back(ch);
      } else if (ch == sep_) {
        // Every field costs far more than its separator's byte.
        if (fields.size() == kMaxFields) {
          Invalid("more than " + std::to_string(kMaxFields) + " fields in the record at byte " +
                  std::to_string(start + 1));
        }
        fields.emplace_back();
        was_quoted = false;
      } else if (ch == '\n') {
        ending.assign(1, '\n');
        return true;
      } else if (ch == '\r') {
        // CR LF, or a lone CR as old Mac files end records.
        const int next = std::getc(f_);
        if (next == '\n') {
          ++offset_;
          ending.assign(kCrLf);
        } else {
          if (next != EOF) std::ungetc(next, f_);
          ending.assign(1, '\r');
        }
        return true;
      } else {
        field.raw.push_back(ch);
        if (!was_quoted) field.text.push_back(ch);
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
  const bool utf8 = o.to == Direction::ToLegacy || ReadsAsUtf8(survey, o.read_as, true);
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
        LegacyLineToUnicode(fields[i].text, !utf8, number, o, stats, converted);
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
