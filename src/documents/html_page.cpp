#include "documents/html_page.h"

#include <libxml/HTMLparser.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "documents/convert.h"
#include "documents/html_markup.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents::html {
namespace {

// A page is parsed whole; pages of this kind are small, and this bounds the
// tree, checked before parsing.
constexpr std::uintmax_t kMaxPageBytes = 64u << 20;

// Browsers read a page that declares Latin-1, ASCII or nothing as
// Windows-1252, and so did the pages' authors.
bool ReadsAsWindows1252(const xmlChar* declared) {
  if (!declared) return true;
  const std::string e = LowerAscii(C(declared));
  return e == "windows-1252" || e == "cp1252" || e == "iso-8859-1" || e == "latin1" ||
         e == "iso8859-1" || e == "us-ascii" || e == "ascii" || e == "l1" || e == "iso_8859-1";
}

void Quiet(void*, const char*, ...) {}
void QuietStructured(void*, xmlError*) {}

}  // namespace

std::string ReadWhole(const std::string& in) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(in, ec);
  if (ec) Io("cannot read: " + ec.message());
  if (size > kMaxPageBytes) {
    Invalid("larger than " + std::to_string(kMaxPageBytes >> 20) + " MB, too large for a page");
  }
  std::ifstream f(in, std::ios::binary);
  if (!f) Io(std::string("cannot read: ") + std::strerror(errno));
  std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) Io(std::string("cannot read: ") + std::strerror(errno));
  return data;
}

xmlDoc* Parse(const std::string& data) {
  // Messages would go to standard error line by line; a failure is reported once.
  xmlSetGenericErrorFunc(nullptr, Quiet);
  xmlSetStructuredErrorFunc(nullptr, QuietStructured);
  const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
  xmlDoc* doc =
      htmlReadMemory(data.data(), static_cast<int>(data.size()), nullptr, nullptr, options);
  const bool bom = data.starts_with("\xEF\xBB\xBF") || data.starts_with("\xFF\xFE") ||
                   data.starts_with("\xFE\xFF");
  if (doc && !bom && ReadsAsWindows1252(doc->encoding)) {
    // Decoded here, not by iconv: its Windows-1252 refuses the five bytes the
    // code page leaves undefined, which browsers read as U+0081 and so on
    // and which legacy text uses as glyph codes.
    xmlFreeDoc(doc);
    std::string utf8;
    utf8.reserve(data.size() + data.size() / 4);
    for (const char byte : data) {
      const auto b = static_cast<unsigned char>(byte);
      const char32_t ch = b < 0x80 ? b : CharOfCode(b, GlyphEncoding::Windows1252);
      AppendUtf8(std::u32string_view(&ch, 1), utf8);
    }
    doc = htmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                         options | HTML_PARSE_IGNORE_ENC);
  }
  return doc;
}

void DeclareUtf8(xmlDoc* doc) {
  xmlNode* head = nullptr;
  bool declared = false;
  Walk(reinterpret_cast<xmlNode*>(doc), [&](xmlNode* n, bool entering) {
    if (!entering || n->type != XML_ELEMENT_NODE) return true;
    if (IsElement(n, "head") && !head) head = n;
    if (IsElement(n, "meta")) {
      if (Attr(n, "charset")) {
        SetAttr(n, "charset", "UTF-8");
        declared = true;
      }
      const auto equiv = Attr(n, "http-equiv");
      if (equiv && LowerAscii(*equiv) == "content-type") {
        SetAttr(n, "content", "text/html; charset=UTF-8");
        declared = true;
      }
    }
    return !IsSkipped(n);
  });
  if (declared) return;
  if (!head) {
    xmlNode* root = xmlDocGetRootElement(doc);
    head = xmlNewDocNode(doc, nullptr, X("head"), nullptr);
    if (root->children) {
      xmlAddPrevSibling(root->children, head);
    } else {
      xmlAddChild(root, head);
    }
  }
  xmlNode* meta = xmlNewDocNode(doc, nullptr, X("meta"), nullptr);
  SetAttr(meta, "charset", "UTF-8");
  if (head->children) {
    xmlAddPrevSibling(head->children, meta);
  } else {
    xmlAddChild(head, meta);
  }
}

}  // namespace harf::documents::html
