// XML parts of a package through pugixml, kept as close to the original as a
// DOM allows: declaration, comments, processing instructions and whitespace
// text are kept and written back unformatted.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace harf::documents {

// Parses a part; malformed XML is a DocumentError (Invalid) naming the part
// and the byte offset.
void ParsePart(pugi::xml_document& doc, const std::string& bytes, std::string_view part);

std::string SerializePart(const pugi::xml_document& doc);

// UTF-8 of the XML to code points; invalid UTF-8 is Invalid, naming the part.
std::u32string Utf32Of(std::string_view utf8, std::string_view part);
std::string Utf8Of(std::u32string_view text);

// Font names compare without case, surrounding quotes or spaces.
bool SameFont(std::string_view a, std::string_view b);

}  // namespace harf::documents
