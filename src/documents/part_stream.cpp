#include "documents/part_stream.h"

#include <expat.h>

#include <algorithm>
#include <exception>
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
  std::string_view block;
  int depth = 0;            // block elements open, nested ones included
  XML_Index start = 0;      // where the open outermost block starts
  XML_Index tag_end = 0;    // end of the last start tag
  XML_Index tokenized = 0;  // every byte before this has been read as markup
  std::vector<std::pair<XML_Index, XML_Index>> blocks;  // complete, not yet converted
  bool dtd = false;
};

void XMLCALL StartElement(void* user, const XML_Char* name, const XML_Char** /*atts*/) {
  auto* s = static_cast<Scan*>(user);
  const XML_Index at = XML_GetCurrentByteIndex(s->parser);
  s->tag_end = at + XML_GetCurrentByteCount(s->parser);
  s->tokenized = s->tag_end;
  if (s->block == name && s->depth++ == 0) s->start = at;
}

void XMLCALL EndElement(void* user, const XML_Char* name) {
  auto* s = static_cast<Scan*>(user);
  // The end of an empty-element tag is reported with no bytes of its own.
  const XML_Index end =
      std::max(XML_GetCurrentByteIndex(s->parser) + XML_GetCurrentByteCount(s->parser), s->tag_end);
  s->tokenized = end;
  if (s->block == name && --s->depth == 0) s->blocks.emplace_back(s->start, end);
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

struct Writer : pugi::xml_writer {
  PartWriter* part;
  explicit Writer(PartWriter* p) : part(p) {}
  void write(const void* data, std::size_t size) override {
    part->Write(static_cast<const char*>(data), size);
  }
};

constexpr std::size_t kChunk = 1 << 20;

// A stretch of the part as the scanner hands it on: its bytes, where they
// start in the part, and the blocks wholly inside it.
struct Segment {
  std::string bytes;
  XML_Index base = 0;
  std::vector<std::pair<XML_Index, XML_Index>> blocks;
};

// Reads the part and cuts it into segments, each ending where no block is
// open; runs on its own thread while the segments before are converted.
void ScanPart(const Package& package, const std::string& part, std::string_view block,
              Handoff<Segment>& segments) {
  // The bytes of the part are taken as UTF-8 whatever the declaration says:
  // blocks are cut and parsed as UTF-8 too.
  std::unique_ptr<XML_ParserStruct, ParserFree> owner(XML_ParserCreate("UTF-8"));
  if (!owner) throw DocumentError(DocumentError::Kind::Io, "out of memory reading " + part);
  Scan scan;
  scan.parser = owner.get();
  scan.block = block;
  XML_SetUserData(scan.parser, &scan);
  XML_SetElementHandler(scan.parser, StartElement, EndElement);
  XML_SetStartDoctypeDeclHandler(scan.parser, StartDoctype);

  EntryReader reader(package, part);
  std::string buffer;  // the part's bytes from `base` on, not yet handed on
  XML_Index base = 0;
  for (bool last = false; !last;) {
    const std::size_t old = buffer.size();
    buffer.resize(old + kChunk);
    const std::size_t n = reader.Read(buffer.data() + old, kChunk);
    buffer.resize(old + n);
    last = n == 0;
    if (XML_Parse(scan.parser, buffer.data() + old, static_cast<int>(n), last) != XML_STATUS_OK) {
      const std::string where = "malformed XML in " + part + " at byte " +
                                std::to_string(XML_GetCurrentByteIndex(scan.parser)) + ": ";
      throw DocumentError(DocumentError::Kind::Invalid,
                          where + (scan.dtd ? "a DTD, which no part may have"
                                            : XML_ErrorString(XML_GetErrorCode(scan.parser))));
    }
    const XML_Index cut = last ? base + static_cast<XML_Index>(buffer.size())
                               : (scan.depth > 0 ? scan.start : scan.tokenized);
    if (cut <= base) continue;
    Segment segment{buffer.substr(0, static_cast<std::size_t>(cut - base)), base,
                    std::move(scan.blocks)};
    scan.blocks.clear();
    buffer.erase(0, static_cast<std::size_t>(cut - base));
    base = cut;
    if (!segments.Give(std::move(segment))) return;
  }
}

}  // namespace

DeflatedPart StreamBlocks(const Package& package, const std::string& part, std::string_view block,
                          BlockConverter& converter) {
  Handoff<Segment> segments(4);
  std::exception_ptr scan_error;
  std::thread scanner([&] {
    try {
      ScanPart(package, part, block, segments);
    } catch (...) {
      scan_error = std::current_exception();
    }
    segments.Close();
  });
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

  PartWriter out;
  Writer writer(&out);
  bool changed = false;
  pugi::xml_document doc;
  // Whitespace-only text is text too: a run of one space must stay a space.
  const unsigned options = (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_doctype;
  while (std::optional<Segment> segment = segments.Take()) {
    const char* bytes = segment->bytes.data();
    std::size_t written = 0;
    for (const auto& [start_at, end_at] : segment->blocks) {
      const auto start = static_cast<std::size_t>(start_at - segment->base);
      const auto end = static_cast<std::size_t>(end_at - segment->base);
      out.Write(bytes + written, start - written);
      written = start;
      const pugi::xml_parse_result parsed =
          doc.load_buffer(bytes + start, end - start, options, pugi::encoding_utf8);
      if (!parsed) {
        throw DocumentError(DocumentError::Kind::Invalid,
                            "malformed XML in " + part + " at byte " +
                                std::to_string(start_at + parsed.offset) + ": " +
                                parsed.description());
      }
      if (converter.ConvertBlock(doc.document_element())) {
        changed = true;
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        written = end;
      }
    }
    out.Write(bytes + written, segment->bytes.size() - written);
  }
  scanner.join();
  if (scan_error) std::rethrow_exception(scan_error);
  if (!changed) return DeflatedPart();
  return out.Finish();
}

}  // namespace harf::documents
