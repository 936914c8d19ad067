// A large XML part converted a block at a time, so that memory follows the
// largest block and not the part: the body of a long document is mostly
// paragraphs, each converted on its own.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "documents/package.h"

namespace harf::documents {

// Called with every block, parsed; says whether it changed the block.
class BlockConverter {
 public:
  virtual bool ConvertBlock(pugi::xml_node block) = 0;

 protected:
  ~BlockConverter() = default;
};

// Reads `part` of the package piece by piece. Every outermost element named
// `block` is parsed on its own and handed to `converter`; a changed block is
// written anew, everything else is copied byte for byte. Returns the new part
// deflated, or one without a file when no block changed. Malformed
// XML anywhere in the part, and a part with a DTD, are Invalid, naming the part
// and the byte offset.
DeflatedPart StreamBlocks(const Package& package, const std::string& part, std::string_view block,
                          BlockConverter& converter);

}  // namespace harf::documents
