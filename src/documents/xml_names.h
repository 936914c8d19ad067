// XML names by namespace, whatever prefix a document chose: a converter looks
// for "w:p", and a part whose root binds the WordprocessingML namespace to
// "ns0" (or makes it the default namespace) is read as if it had said "w".
// pugixml keeps names as written, so the names of a parsed tree are rewritten
// to the converter's prefixes once, before the converter looks at them.
#pragma once

#include <pugixml.hpp>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace harf::documents {

// The prefix a converter uses for a namespace.
struct XmlNamespace {
  std::string_view prefix;
  std::string_view uri;
};

inline constexpr std::string_view kWordNs =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
inline constexpr XmlNamespace kWordNamespaces[] = {{"w", kWordNs}};
inline constexpr XmlNamespace kDrawingNamespaces[] = {
    {"a", "http://schemas.openxmlformats.org/drawingml/2006/main"}};
inline constexpr XmlNamespace kOdfNamespaces[] = {
    {"office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
    {"style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"},
    {"text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
    {"table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"},
    {"draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"},
    {"fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"},
    {"svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
};

// Namespace declarations in force: (prefix, URI), "" for the default one.
using XmlBindings = std::vector<std::pair<std::string, std::string>>;

// The declarations an element makes itself (its xmlns attributes).
XmlBindings BindingsOf(pugi::xml_node element);

// Whether names bound as `outer` says need rewriting for `known`: some known
// namespace is bound to another prefix (or is the default one).
bool NeedsRenaming(const XmlBindings& outer, std::span<const XmlNamespace> known);

// Renames root and every element and attribute under it whose namespace is
// one of `known` to that namespace's prefix, resolving prefixes through
// `outer` and the declarations on the way down (without recursion). When
// something was renamed, root declares the prefixes it now uses. Returns
// whether anything was renamed.
bool UseKnownPrefixes(pugi::xml_node root, const XmlBindings& outer,
                      std::span<const XmlNamespace> known);

// The name `name` ("w:p") has in a part bound as `outer`: "ns0:p", or "p"
// where the namespace is the default one; the name itself when unbound.
std::string NameInPart(std::string_view name, const XmlBindings& outer,
                       std::span<const XmlNamespace> known);

}  // namespace harf::documents
