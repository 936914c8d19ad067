#include "documents/part_stream.h"

#include <expat.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "documents/handoff.h"

namespace harf::documents {
namespace {

// pugixml builds whole trees only; expat reads a stream and says where each
// element starts and ends, which is all that is needed to cut the part into
// blocks. The blocks themselves are parsed by pugixml like every other part.
struct Scan {
  XML_Parser parser = nullptr;
  const PartLayout* layout = nullptr;
  std::string root;         // the name of the part's root element
  XML_Index headAt = -1;    // where the head ends, once seen
  int depth = 0;            // block elements open, nested ones included
  XML_Index start = 0;      // where the open outermost block starts
  XML_Index tagEnd = 0;     // end of the last start tag
  XML_Index tokenized = 0;  // every byte before this has been read as markup
  std::vector<std::pair<XML_Index, XML_Index>> blocks;  // complete, not yet handed on
  bool dtd = false;
  // The layout's names with the prefixes the part binds their namespaces to.
  std::vector<std::string> blockNames;
  std::string headEnd;
  XmlBindings bindings;  // the root's declarations
  int open = 0;          // elements open, of any name
  XML_Index tooDeep = -1;

  bool IsBlock(const XML_Char* name) const {
    for (const std::string& b : blockNames) {
      if (b == name) return true;
    }
    return false;
  }
};

// Elements open at once in any part; deeper input is refused where it goes
// deeper, before anything is converted.
constexpr int kMaxElementDepth = 256;

void XMLCALL StartElement(void* user, const XML_Char* name, const XML_Char** atts) {
  auto* s = static_cast<Scan*>(user);
  const XML_Index at = XML_GetCurrentByteIndex(s->parser);
  s->tagEnd = at + XML_GetCurrentByteCount(s->parser);
  s->tokenized = s->tagEnd;
  if (++s->open > kMaxElementDepth) {
    s->tooDeep = at;
    XML_StopParser(s->parser, XML_FALSE);
    return;
  }
  if (s->root.empty()) {
    s->root = name;
    for (const XML_Char** a = atts; a[0]; a += 2) {
      const std::string_view attribute = a[0];
      if (attribute == "xmlns") s->bindings.emplace_back("", a[1]);
      if (attribute.starts_with("xmlns:")) s->bindings.emplace_back(attribute.substr(6), a[1]);
    }
    for (const std::string& b : s->layout->blocks) {
      s->blockNames.push_back(NameInPart(b, s->bindings, s->layout->namespaces));
    }
    s->headEnd = NameInPart(s->layout->headEnd, s->bindings, s->layout->namespaces);
  }
  if (s->headAt < 0 && !s->headEnd.empty()) {
    // Nothing in the head is a block.
    if (s->headEnd == name) s->headAt = at;
    return;
  }
  if (s->IsBlock(name) && s->depth++ == 0) s->start = at;
}

void XMLCALL EndElement(void* user, const XML_Char* name) {
  auto* s = static_cast<Scan*>(user);
  // The end of an empty-element tag is reported with no bytes of its own.
  const XML_Index end =
      std::max(XML_GetCurrentByteIndex(s->parser) + XML_GetCurrentByteCount(s->parser), s->tagEnd);
  s->tokenized = end;
  --s->open;
  if (s->depth > 0 && s->IsBlock(name) && --s->depth == 0) s->blocks.emplace_back(s->start, end);
}

void XMLCALL StartDoctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  // Office parts have no DTD; one here could only define entities that
  // expand without bound.
  auto* s = static_cast<Scan*>(user);
  s->dtd = true;
  XML_StopParser(s->parser, XML_FALSE);
}

struct ParserFree {
  void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

constexpr std::size_t kChunk = 1 << 18;

// A stretch of the part as the scanner hands it on: its bytes, where they
// start in the part, and the blocks wholly inside it. The head comes first,
// alone, with the name of the root element it leaves open.
struct Segment {
  std::string bytes;
  XML_Index base = 0;
  std::vector<std::pair<XML_Index, XML_Index>> blocks;
  std::string headRoot;
  std::optional<XmlBindings> bindings;  // the root's declarations, with the first segment
};

// Reads the part and cuts it into segments, each ending where no block is
// open; runs on its own thread while the segments before are converted.
void ScanPart(const Package& package, const std::string& part, const PartLayout& layout,
              Handoff<Segment>& segments) {
  // The bytes of the part are taken as UTF-8 whatever the declaration says:
  // blocks are cut and parsed as UTF-8 too.
  std::unique_ptr<XML_ParserStruct, ParserFree> owner(XML_ParserCreate("UTF-8"));
  if (!owner) throw DocumentError(DocumentError::Kind::Io, "out of memory reading " + part);
  Scan scan;
  scan.parser = owner.get();
  scan.layout = &layout;
  XML_SetUserData(scan.parser, &scan);
  XML_SetElementHandler(scan.parser, StartElement, EndElement);
  XML_SetStartDoctypeDeclHandler(scan.parser, StartDoctype);
  bool headGiven = layout.headEnd.empty();
  bool bindingsGiven = false;

  EntryReader reader(package, part);
  std::string buffer;  // the part's bytes from `base` on, not yet handed on
  XML_Index base = 0;
  auto give = [&](XML_Index cut, Segment segment) {
    segment.bytes = buffer.substr(0, static_cast<std::size_t>(cut - base));
    segment.base = base;
    buffer.erase(0, static_cast<std::size_t>(cut - base));
    base = cut;
    return segments.Give(std::move(segment));
  };
  // A small part is read in one piece of its own size: zero-filling a whole
  // chunk for it costs more than parsing it.
  const std::size_t piece = static_cast<std::size_t>(
      std::min<std::uint64_t>(kChunk, std::uint64_t{package.Size(part)} + 1));
  for (bool last = false; !last;) {
    const std::size_t old = buffer.size();
    buffer.resize(old + piece);
    const std::size_t n = reader.Read(buffer.data() + old, piece);
    buffer.resize(old + n);
    last = n == 0;
    if (XML_Parse(scan.parser, buffer.data() + old, static_cast<int>(n), last) != XML_STATUS_OK) {
      const std::string where = "malformed XML in " + part + " at byte " +
                                std::to_string(XML_GetCurrentByteIndex(scan.parser)) + ": ";
      if (scan.tooDeep >= 0) {
        throw DocumentError(DocumentError::Kind::Invalid,
                            "elements nested deeper than " + std::to_string(kMaxElementDepth) +
                                " in " + part + " at byte " + std::to_string(scan.tooDeep));
      }
      throw DocumentError(DocumentError::Kind::Invalid,
                          where + (scan.dtd ? "a DTD, which no part may have"
                                            : XML_ErrorString(XML_GetErrorCode(scan.parser))));
    }
    if (!headGiven) {
      if (scan.headAt < 0) {
        if (!last) continue;
        throw DocumentError(DocumentError::Kind::Invalid,
                            part + " has no " + layout.headEnd + " element");
      }
      Segment head;
      head.headRoot = scan.root;
      head.bindings = scan.bindings;
      bindingsGiven = true;
      if (!give(scan.headAt, std::move(head))) return;
      headGiven = true;
    }
    const XML_Index cut = last ? base + static_cast<XML_Index>(buffer.size())
                               : (scan.depth > 0 ? scan.start : scan.tokenized);
    if (cut <= base) continue;
    Segment segment;
    if (!bindingsGiven) {
      segment.bindings = scan.bindings;
      bindingsGiven = true;
    }
    segment.blocks = std::move(scan.blocks);
    scan.blocks.clear();
    if (!give(cut, std::move(segment))) return;
  }
}

struct Writer : pugi::xml_writer {
  std::function<void(const char*, std::size_t)> sink;
  void write(const void* data, std::size_t size) override {
    sink(static_cast<const char*>(data), size);
  }
};

}  // namespace

void FindElements(pugi::xml_node root, const std::vector<std::string>& names,
                  std::vector<pugi::xml_node>& out) {
  // Document order through parent and sibling links, no stack at all.
  pugi::xml_node node = root;
  while (node) {
    if (node.type() == pugi::node_element) {
      for (const std::string& name : names) {
        if (name == node.name()) {
          out.push_back(node);
          break;
        }
      }
    }
    pugi::xml_node first =
        node.type() == pugi::node_element ? node.first_child() : pugi::xml_node();
    while (first && first.type() != pugi::node_element) first = first.next_sibling();
    if (first) {
      node = first;
      continue;
    }
    while (node && node != root) {
      pugi::xml_node next = node.next_sibling();
      while (next && next.type() != pugi::node_element) next = next.next_sibling();
      if (next) {
        node = next;
        break;
      }
      node = node.parent();
    }
    if (node == root) break;
  }
}

DeflatedPart StreamBlocks(const Package& package, const std::string& part, const PartLayout& layout,
                          BlockConverter& converter) {
  std::exception_ptr scanError;
  auto scan = [&](Handoff<Segment>& segments) {
    try {
      ScanPart(package, part, layout, segments);
    } catch (...) {
      scanError = std::current_exception();
    }
    segments.Close();
  };
#ifdef HARF_SINGLE_THREAD
  // Built without threads (the browser's): the whole part is cut first and
  // its segments wait, held at once, to be converted.
  Handoff<Segment> segments(SIZE_MAX);
  std::thread scanner;
  scan(segments);
#else
  Handoff<Segment> segments(3);
  std::thread scanner([&] {
    ::pthread_setname_np(::pthread_self(), "harf-read");
    scan(segments);
  });
#endif
  // However this ends, the scanner is stopped and waited for.
  struct Stop {
    Handoff<Segment>& segments;
    std::thread& scanner;
    ~Stop() {
      if (!scanner.joinable()) return;
      segments.Abandon();
      scanner.join();
    }
  } stop{segments, scanner};

  // Without a head the new part is deflated as it is made. With one, the
  // body waits in a temporary file, since the head it follows may still grow.
  const bool withHead = !layout.headEnd.empty();
  std::optional<PartWriter> packed;
  TempFile body;
  if (withHead) {
    body = TempFile::Make();
  } else {
    packed.emplace();
  }
  Writer writer;
  writer.sink = [&](const char* data, std::size_t size) {
    if (withHead) {
      body.Write(data, size);
    } else {
      packed->Write(data, size);
    }
  };

  bool changed = false;
  pugi::xml_document doc, head;
  std::string headBytes, headRoot;
  // Whitespace-only text is text too: a run of one space must stay a space.
  const unsigned options = (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_doctype;
  auto malformed = [&](XML_Index at, const char* why) {
    throw DocumentError(DocumentError::Kind::Invalid,
                        "malformed XML in " + part + " at byte " + std::to_string(at) + ": " + why);
  };
  XmlBindings bindings;
  bool rename = false;
  while (std::optional<Segment> segment = segments.Take()) {
    if (segment->bindings) {
      bindings = std::move(*segment->bindings);
      rename = NeedsRenaming(bindings, layout.namespaces);
    }
    if (!segment->headRoot.empty()) {
      headBytes = std::move(segment->bytes);
      headRoot = segment->headRoot;
      const std::string closed = headBytes + "</" + headRoot + ">";
      const pugi::xml_parse_result parsed =
          head.load_buffer(closed.data(), closed.size(), options, pugi::encoding_utf8);
      if (!parsed) malformed(parsed.offset, parsed.description());
      if (rename) UseKnownPrefixes(head.document_element(), {}, layout.namespaces);
      converter.TakeHead(head.document_element());
      continue;
    }
    const char* bytes = segment->bytes.data();
    std::size_t written = 0;
    for (const auto& [startAt, endAt] : segment->blocks) {
      const auto start = static_cast<std::size_t>(startAt - segment->base);
      const auto end = static_cast<std::size_t>(endAt - segment->base);
      writer.sink(bytes + written, start - written);
      written = start;
      const pugi::xml_parse_result parsed =
          doc.load_buffer(bytes + start, end - start, options, pugi::encoding_utf8);
      if (!parsed) malformed(startAt + parsed.offset, parsed.description());
      converter.blockAt = startAt;
      if (rename) UseKnownPrefixes(doc.document_element(), bindings, layout.namespaces);
      if (converter.ConvertBlock(doc.document_element())) {
        changed = true;
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        written = end;
      }
    }
    writer.sink(bytes + written, segment->bytes.size() - written);
  }
  if (scanner.joinable()) scanner.join();
  if (scanError) std::rethrow_exception(scanError);
  if (!changed) return DeflatedPart();
  if (!withHead) return packed->Finish();

  packed.emplace();
  if (converter.HeadChanged()) {
    // The head as the converter left it, its root left open again.
    struct Collect : pugi::xml_writer {
      std::string out;
      void write(const void* data, std::size_t size) override {
        out.append(static_cast<const char*>(data), size);
      }
    } text;
    head.save(text, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string close = "</" + headRoot + ">";
    if (text.out.ends_with(close)) {
      text.out.resize(text.out.size() - close.size());
    } else if (text.out.ends_with("/>")) {
      text.out.replace(text.out.size() - 2, 2, ">");
    }
    headBytes = std::move(text.out);
  }
  packed->Write(headBytes.data(), headBytes.size());
  if (std::fflush(body.get()) != 0) {
    throw DocumentError(DocumentError::Kind::Io, "cannot write a temporary file for " + part);
  }
  std::rewind(body.get());
  std::string chunk(kChunk, '\0');
  while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), body.get())) {
    packed->Write(chunk.data(), n);
  }
  if (std::ferror(body.get())) {
    throw DocumentError(DocumentError::Kind::Io, "cannot read a temporary file for " + part);
  }
  return packed->Finish();
}

}  // namespace harf::documents
