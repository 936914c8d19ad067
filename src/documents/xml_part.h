// XML parts of a package through pugixml, kept as close to the original as a
// DOM allows: declaration, comments, processing instructions and whitespace
// text are kept and written back unformatted.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace harf::documents {

class Package;

// Parses a part of a package; malformed XML is a DocumentError (Invalid)
// naming the part and the byte offset. The part is read straight into memory
// the document owns, so a large part is held once, not twice.
void ParsePart(pugi::xml_document& doc, const Package& package, const std::string& part);

// The part written back; size_hint: about how long it is.
std::string SerializePart(const pugi::xml_document& doc, std::size_t size_hint = 0);

// UTF-8 of the XML to code points; invalid UTF-8 is Invalid, naming the part.
std::u32string Utf32Of(std::string_view utf8, std::string_view part);
std::string Utf8Of(std::u32string_view text);

// Font names compare without case, surrounding quotes or spaces.
bool SameFont(std::string_view a, std::string_view b);

}  // namespace harf::documents
