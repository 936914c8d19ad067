#include "documents/xml_part.h"

#include <expat.h>

#include <climits>
#include <optional>

#include "documents/doc_line.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {

namespace {

void XMLCALL RefuseDoctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  auto* state = static_cast<XmlCheck::State*>(user);
  state->dtd = true;
  XML_StopParser(state->parser, XML_FALSE);
}

void XMLCALL CountOpen(void* user, const XML_Char*, const XML_Char**) {
  auto* state = static_cast<XmlCheck::State*>(user);
  if (++state->open > kMaxInlineDepth) {
    state->tooDeep = XML_GetCurrentByteIndex(state->parser);
    XML_StopParser(state->parser, XML_FALSE);
  }
}

void XMLCALL CountClose(void* user, const XML_Char*) {
  --static_cast<XmlCheck::State*>(user)->open;
}

}  // namespace

XmlCheck::XmlCheck(std::string part, bool tree) : part_(std::move(part)) {
  // The bytes are taken as UTF-8 whatever the declaration says, as the
  // parts are read everywhere else.
  parser_ = XML_ParserCreate("UTF-8");
  if (!parser_) throw DocumentError(DocumentError::Kind::Io, "out of memory reading " + part_);
  state_.parser = parser_;
  XML_SetUserData(parser_, &state_);
  XML_SetStartDoctypeDeclHandler(parser_, RefuseDoctype);
  if (tree) XML_SetElementHandler(parser_, CountOpen, CountClose);
}

XmlCheck::~XmlCheck() {
  XML_ParserFree(parser_);
}

void XmlCheck::Feed(const char* data, std::size_t size, bool last) {
  do {
    const std::size_t piece = size < INT_MAX ? size : INT_MAX;
    size -= piece;
    if (XML_Parse(parser_, data, static_cast<int>(piece), last && size == 0) != XML_STATUS_OK) {
      if (state_.tooDeep >= 0) {
        throw DocumentError(DocumentError::Kind::Invalid,
                            "elements nested deeper than " + std::to_string(kMaxInlineDepth) +
                                " in " + part_ + " at byte " + std::to_string(state_.tooDeep));
      }
      throw DocumentError(DocumentError::Kind::Invalid,
                          "malformed XML in " + part_ + " at byte " +
                              std::to_string(XML_GetCurrentByteIndex(parser_)) + ": " +
                              (state_.dtd ? "a DTD, which no part may have"
                                          : XML_ErrorString(XML_GetErrorCode(parser_))));
    }
    data += piece;
  } while (size != 0);
}

void ParsePart(pugi::xml_document& doc, const Package& package, const std::string& part) {
  const std::size_t size = package.Size(part);
  void* buffer = pugi::get_memory_allocation_function()(size ? size : 1);
  if (!buffer) throw DocumentError(DocumentError::Kind::Io, "out of memory reading " + part);
  try {
    package.ReadInto(part, static_cast<char*>(buffer), size);
    XmlCheck(part, true).Feed(static_cast<const char*>(buffer), size, true);
  } catch (...) {
    pugi::get_memory_deallocation_function()(buffer);
    throw;
  }
  // Whitespace-only text is text too: a run of one space must stay a space.
  const unsigned options = (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_doctype;
  // The document takes the buffer over, also when parsing fails.
  const pugi::xml_parse_result result =
      doc.load_buffer_inplace_own(buffer, size, options, pugi::encoding_utf8);
  if (result.status == pugi::status_out_of_memory) {
    throw DocumentError(DocumentError::Kind::Io, "out of memory reading " + part);
  }
  if (!result) {
    throw DocumentError(DocumentError::Kind::Invalid, "malformed XML in " + part + " at byte " +
                                                          std::to_string(result.offset) + ": " +
                                                          result.description());
  }
}

namespace {

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

}  // namespace

std::string SerializePart(const pugi::xml_document& doc, std::size_t sizeHint) {
  StringWriter writer;
  writer.out.reserve(sizeHint + sizeHint / 8);
  doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return std::move(writer.out);
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
