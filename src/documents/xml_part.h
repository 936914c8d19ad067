// XML parts of a package through pugixml, kept as close to the original as a
// DOM allows: declaration, comments, processing instructions and whitespace
// text are kept and written back unformatted.
#pragma once

#include <cstddef>
#include <pugixml.hpp>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace harf::documents {

class Package;

// Checks a part's XML a piece at a time with expat, which pugixml is too
// lenient for: well-formed, valid UTF-8, no DTD, no reference to a character
// XML forbids (`&#1;`). A part that becomes a tree (tree: true) may nest no
// element deeper than kMaxInlineDepth, so the tree and every walk of it stay
// shallow; a part copied through is only checked. Anything else is a DocumentError (Invalid) naming
// the part and the byte offset.
class XmlCheck {
 public:
  explicit XmlCheck(std::string part, bool tree = false);
  ~XmlCheck();
  XmlCheck(const XmlCheck&) = delete;
  XmlCheck& operator=(const XmlCheck&) = delete;

  // The next bytes of the part; last: they end it.
  void Feed(const char* data, std::size_t size, bool last);

  // What expat's handlers see.
  struct State {
    XML_ParserStruct* parser = nullptr;
    bool dtd = false;
    std::size_t open = 0;    // elements open
    long long tooDeep = -1;  // byte offset of the first element nested too deep
  };

 private:
  std::string part_;
  XML_ParserStruct* parser_ = nullptr;
  State state_;
};

// Parses a part of a package, after XmlCheck has passed all of it. The part
// is read straight into memory the document owns, so a large part is held
// once, not twice.
void ParsePart(pugi::xml_document& doc, const Package& package, const std::string& part);

// The part written back; sizeHint: about how long it is.
std::string SerializePart(const pugi::xml_document& doc, std::size_t sizeHint = 0);

// UTF-8 of the XML to code points; invalid UTF-8 is Invalid, naming the part.
std::u32string Utf32Of(std::string_view utf8, std::string_view part);
std::string Utf8Of(std::u32string_view text);

// Font names compare without case, surrounding quotes or spaces.
bool SameFont(std::string_view a, std::string_view b);

}  // namespace harf::documents
