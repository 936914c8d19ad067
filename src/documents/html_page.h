// A web page read into libxml2's tree in the encoding its browsers read it
// in, and its charset declared as UTF-8 for writing.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace harf::documents::html {

struct Page {
  xmlDoc* doc = nullptr;
  ~Page() {
    if (doc) xmlFreeDoc(doc);
  }
};

// The whole file; a page too large is Invalid.
std::string ReadWhole(const std::string& in);
// The page parsed; null when libxml2 makes nothing of it.
xmlDoc* Parse(const std::string& data);
// Every charset the page declares now says UTF-8; a page declaring none gets one.
void DeclareUtf8(xmlDoc* doc);

}  // namespace harf::documents::html
