// The converter's entry for the page's worker (web/convert/worker.js): one
// document, already in the module's memory file system, converted into
// another as harf-convert converts one file, with the same options. What
// happened comes back as numbers (harf-convert's exit status, the counts) and
// the error's own line; the page words the rest.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/package.h"
#include "input/glyph_encoding.h"

namespace {

using harf::documents::ConvertOptions;
using harf::documents::ConvertStats;
using harf::documents::Direction;
using harf::documents::DocumentError;

std::string g_error;
ConvertStats g_stats;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The comma-separated items of a list, empty ones left out (--columns).
std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> items;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    if (!item.empty()) items.emplace_back(item);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return items;
}

int Fail(DocumentError::Kind kind, const std::string& message) {
  g_error = message;
  return kind == DocumentError::Kind::Invalid ? 2 : 1;
}

}  // namespace

extern "C" {

// Converts the file `in` into `out` (made or truncated). The format is
// `name`'s extension, as harf-convert takes it; `to` is "unicode" or
// "legacy", `encoding` "auto" or an encoding's name, `columns` harf-convert's
// --columns list (may be empty). Returns 0 when converted, 1 when a file
// could not be read or written, 2 for an input that is not a document of its
// extension (harf-convert's exit statuses); then harf_convert_error says why.
EMSCRIPTEN_KEEPALIVE int harf_convert(const char* in, const char* out, const char* name,
                                      const char* to, const char* encoding, const char* columns) {
  g_error.clear();
  g_stats = {};
  ConvertOptions o;
  o.to = std::string_view(to) == "legacy" ? Direction::ToLegacy : Direction::ToUnicode;
  if (std::string_view(encoding) != "auto") {
    o.encoding = harf::ParseEncodingName(encoding);
    if (!o.encoding) return Fail(DocumentError::Kind::Invalid, "unknown encoding");
  }
  o.columns = SplitList(columns);

  const std::string_view n(name);
  const std::size_t dot = n.rfind('.');
  const std::string ext = Lower(dot == std::string_view::npos ? "" : n.substr(dot));
  if (std::FILE* f = std::fopen(out, "wb")) {
    std::fclose(f);
  } else {
    return Fail(DocumentError::Kind::Io, "cannot make the output file");
  }
  try {
    if (ext == ".docx") {
      g_stats = harf::documents::ConvertDocx(in, out, o);
    } else if (ext == ".odt") {
      g_stats = harf::documents::ConvertOdt(in, out, o);
    } else if (ext == ".txt") {
      g_stats = harf::documents::ConvertText(in, out, o);
    } else if (ext == ".csv") {
      g_stats = harf::documents::ConvertTable(in, out, ',', o);
    } else if (ext == ".tsv") {
      g_stats = harf::documents::ConvertTable(in, out, '\t', o);
    } else {
      return Fail(DocumentError::Kind::Invalid,
                  "unknown kind of file (expected .docx, .odt, .txt, .csv or .tsv)");
    }
  } catch (const DocumentError& e) {
    return Fail(e.kind(), e.what());
  } catch (const std::exception& e) {
    return Fail(DocumentError::Kind::Io, e.what());
  }
  return 0;
}

EMSCRIPTEN_KEEPALIVE const char* harf_convert_error() {
  return g_error.c_str();
}

// Counts of the last conversion, as doubles: JavaScript's numbers.
EMSCRIPTEN_KEEPALIVE double harf_convert_runs() {
  return static_cast<double>(g_stats.runs);
}
EMSCRIPTEN_KEEPALIVE double harf_convert_left_out() {
  return static_cast<double>(g_stats.leftOut);
}

}  // extern "C"
