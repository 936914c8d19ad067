// A large XML part converted a block at a time, so that memory follows the
// largest block and not the part: the body of a long document is mostly
// paragraphs, each converted on its own.
#pragma once

#include <pugixml.hpp>
#include <span>
#include <string>
#include <vector>

#include "documents/package.h"
#include "documents/xml_names.h"

namespace harf::documents {

// What a part is cut into.
struct PartLayout {
  // The elements converted one by one: the outermost element of any of these
  // names, with everything inside it.
  std::vector<std::string> blocks;
  // When not empty: the part's head, everything before the first element of
  // this name (the styles before an OpenDocument body), is parsed whole and
  // given to the converter before any block, which may add to it.
  std::string headEnd;
  // The namespaces of the names above and of what the converter looks for:
  // whatever prefixes the part binds them to, the blocks it is given use
  // these.
  std::span<const XmlNamespace> namespaces;
};

class BlockConverter {
 public:
  // The head, parsed, with its root element closed after it; kept alive
  // until the last block is converted.
  virtual void TakeHead(pugi::xml_node /*root*/) {}
  // Called with every block, parsed; says whether it changed the block.
  virtual bool ConvertBlock(pugi::xml_node block) = 0;
  // Whether converting the blocks added to the head.
  virtual bool HeadChanged() const { return false; }

  // Where the block being converted starts in its part, in bytes, for
  // messages about what is in it.
  long long blockAt = 0;

 protected:
  ~BlockConverter() = default;
};

// Appends to `out` the elements of `root`, itself included, named in
// `names`, in document order: converters gather a block's paragraphs before
// they change the tree.
void FindElements(pugi::xml_node root, const std::vector<std::string>& names,
                  std::vector<pugi::xml_node>& out);

// Reads `part` of the package piece by piece and converts it block by block:
// a changed block is written anew, everything else is copied byte for byte.
// Returns the new part deflated, or one without a file when no block changed.
// Malformed XML anywhere in the part, a part with a DTD and a part without
// its head's end are Invalid, naming the part and the byte offset.
DeflatedPart StreamBlocks(const Package& package, const std::string& part, const PartLayout& layout,
                          BlockConverter& converter);

}  // namespace harf::documents
