// What .txt files and tables share: the file, its lines, the one pass
// made over it before conversion, and a line of text either way. Only the
// text and table converters include it.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/legacy_text.h"
#include "documents/package.h"
#include "tables/glyph_table.h"

namespace harf::documents::text_lines {

inline constexpr std::string_view kCrLf = "\r\n";

// An I/O failure with the system's reason.
[[noreturn]] inline void IoErrno(const std::string& message) {
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

[[noreturn]] inline void TooLong(std::size_t offset) {
  Invalid("a line longer than " + std::to_string(kMaxTextLine >> 20) + " MiB at byte " +
          std::to_string(offset + 1));
}

// The ending that begins with the CR just read: CR LF (the LF read and
// counted into `offset`), or a lone CR, as old Mac files end lines.
inline void EndAfterCr(std::FILE* f, std::size_t& offset, std::string& ending) {
  const int next = std::getc(f);
  if (next == '\n') {
    ++offset;
    ending.assign(kCrLf);
  } else {
    if (next != EOF) std::ungetc(next, f);
    ending.assign(1, '\r');
  }
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
        EndAfterCr(f_, offset_, ending);
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

inline constexpr std::string_view kBom = "\xEF\xBB\xBF";

// What one pass over the whole file finds before anything is converted, in
// pieces, so that memory does not grow with the file.
struct Survey {
  std::optional<std::size_t> invalidUtf8;  // offset of the first invalid sequence
  bool encodingChars = true;               // every character one of an encoding's
  bool ascii = true;                       // every byte ASCII: both readings agree
};

Survey SurveyFile(std::FILE* f);

// Whether legacy text is read as UTF-8 characters (else as raw bytes).
bool ReadsAsUtf8(const Survey& s, TextReading readAs, bool table);

// Unicode input is UTF-8 whatever --read-as says of legacy input.
void RequireUtf8(const Survey& s);

std::u32string DecodeLine(std::string_view line, std::size_t number);

// The glyph codes of one line of legacy text in UTF-8, decoded a piece at a
// time so that a long line is never held as UTF-32. The encoding is the one
// given, else the one the whole line's characters point to.
void AppendLegacyCodes(std::string_view line, std::size_t number,
                       std::optional<GlyphEncoding> given, std::vector<GlyphCode>& codes,
                       ConvertStats& stats);

// Legacy text of one line (UTF-8 characters or raw bytes) as Unicode text in
// UTF-8, appended to `out`; `flush`, when given, takes it in pieces.
void LegacyLineToUnicode(std::string_view line, bool bytes, std::size_t number,
                         const ConvertOptions& o, ConvertStats& stats, std::string& out,
                         const std::function<void(std::string&)>& flush = {});

// Glyph codes as the legacy text written: symbol characters in UTF-8, the
// other encodings as one byte per code, as 8-bit text files hold them.
std::string LegacyOut(const std::vector<GlyphCode>& codes, GlyphEncoding e);

}  // namespace harf::documents::text_lines
