#include "documents/text_lines.h"

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

namespace harf::documents::text_lines {
namespace {

// A character some encoding of the font gives a glyph code: what legacy text
// saved as UTF-8 is made of, and what Unicode Arabic never is.
bool IsEncodingCharacter(char32_t ch) {
  for (const GlyphEncoding e : kGlyphEncodings) {
    if (CodeOfChar(ch, e)) return true;
  }
  return false;
}

}  // namespace

Survey SurveyFile(std::FILE* f) {
  Survey s;
  std::vector<char> buffer(1 << 16);
  std::string pending;  // a sequence cut at the end of the last read
  std::u32string chars;
  std::size_t offset = 0;     // of buffer[0] in the file
  std::size_t lineStart = 0;  // offset of the current line's first byte
  bool first = true;
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (static_cast<unsigned char>(c) >= 0x80) s.ascii = false;
      if (c == '\n' || c == '\r') {
        lineStart = offset + i + 1;
      } else if (offset + i - lineStart >= kMaxTextLine) {
        TooLong(lineStart);
      }
    }
    if (!s.invalidUtf8) {
      pending.append(buffer.data(), n);
      std::string_view text = pending;
      std::size_t skip = 0;
      if (first && text.size() >= kBom.size() && text.starts_with(kBom)) skip = kBom.size();
      first = first && text.size() < kBom.size();
      const std::size_t tail = IncompleteUtf8Tail(text);
      chars.clear();
      const std::string_view whole = text.substr(skip, text.size() - tail - skip);
      const std::size_t valid = AppendDecodedUtf8(whole, chars);
      const std::size_t pendingStart = offset + n - pending.size();
      if (valid < whole.size()) {
        s.invalidUtf8 = pendingStart + skip + valid;
      } else {
        for (const char32_t ch : chars) {
          s.encodingChars = s.encodingChars && IsEncodingCharacter(ch);
        }
        pending.erase(0, pending.size() - tail);
      }
    }
    offset += n;
  }
  if (std::ferror(f)) IoErrno("cannot read the input");
  if (!s.invalidUtf8 && !pending.empty()) s.invalidUtf8 = offset - pending.size();
  std::rewind(f);
  return s;
}

bool ReadsAsUtf8(const Survey& s, TextReading readAs, bool table) {
  switch (readAs) {
    case TextReading::Bytes:
      return false;
    case TextReading::Utf8:
      if (s.invalidUtf8) {
        Invalid("invalid UTF-8 at byte " + std::to_string(*s.invalidUtf8 + 1) +
                " (--read-as bytes reads it as glyph codes)");
      }
      return true;
    case TextReading::Auto:
      break;
  }
  return !s.invalidUtf8 && (table || s.encodingChars);
}

void RequireUtf8(const Survey& s) {
  if (s.invalidUtf8) {
    Invalid("not UTF-8 text: Unicode input must be UTF-8 (invalid at byte " +
            std::to_string(*s.invalidUtf8 + 1) + ")");
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

void AppendLegacyCodes(std::string_view line, std::size_t number,
                       std::optional<GlyphEncoding> given, std::vector<GlyphCode>& codes,
                       ConvertStats& stats) {
  constexpr std::size_t kPiece = 1 << 16;
  std::u32string chars;
  const auto eachPiece = [&](const auto& take) {
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
    eachPiece([&e](const std::u32string& text) {
      const GlyphEncoding found = DetectEncoding(text);
      if (found == GlyphEncoding::Symbol || e == GlyphEncoding::Latin1) e = found;
    });
  }
  codes.reserve(line.size());
  eachPiece([&](const std::u32string& text) { stats.leftOut += AppendDecoded(text, e, codes); });
}

void LegacyLineToUnicode(std::string_view line, bool bytes, std::size_t number,
                         const ConvertOptions& o, ConvertStats& stats, std::string& out,
                         const std::function<void(std::string&)>& flush) {
  std::vector<GlyphCode> codes;
  std::span<const GlyphCode> display(reinterpret_cast<const GlyphCode*>(line.data()), line.size());
  if (!bytes) {
    AppendLegacyCodes(line, number, o.encoding, codes, stats);
    display = codes;
  }
  stats.leftOut += AppendUnicodeOfCodes(display, out, flush);
}

std::string LegacyOut(const std::vector<GlyphCode>& codes, GlyphEncoding e) {
  if (e == GlyphEncoding::Symbol) return EncodeUtf8(EncodeCodes(codes, e));
  return EncodeBytes(codes);
}

}  // namespace harf::documents::text_lines
