#include "documents/xml_part.h"

#include <optional>
#include <sstream>

#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {

void ParsePart(pugi::xml_document& doc, const std::string& bytes, std::string_view part) {
  const unsigned options = pugi::parse_full & ~pugi::parse_doctype;
  const pugi::xml_parse_result result =
      doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
  if (!result) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "malformed XML in " + std::string(part) + " at byte " +
                            std::to_string(result.offset) + ": " + result.description());
  }
}

std::string SerializePart(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return std::move(out).str();
}

std::u32string Utf32Of(std::string_view utf8, std::string_view part) {
  std::optional<Utf8Error> error;
  std::u32string text = DecodeUtf8(utf8, &error);
  if (error) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "invalid UTF-8 in the text of " + std::string(part));
  }
  return text;
}

std::string Utf8Of(std::u32string_view text) {
  return EncodeUtf8(text);
}

namespace {

std::string_view Trimmed(std::string_view s) {
  auto strip = [](char c) { return c == ' ' || c == '\'' || c == '"' || c == '\t'; };
  while (!s.empty() && strip(s.front())) s.remove_prefix(1);
  while (!s.empty() && strip(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameFont(std::string_view a, std::string_view b) {
  a = Trimmed(a);
  b = Trimmed(b);
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace harf::documents
