// The document fuzz target's own mutator, which libFuzzer calls instead of
// its byte mutations alone: it edits the body as XML text, so that the
// packages built from it get past the zip and into the readers.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "document_package.h"

// libFuzzer's own mutations; absent (null) where the corpus is only replayed.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size,
                                                              std::size_t max_size);

namespace {

using harf::document_fuzz::kStringsMark;
using harf::document_fuzz::kStylesMark;

// Pieces the mutator inserts: elements and attributes of both formats,
// legacy and Arabic text, and XML's own constructs.
constexpr std::string_view kPieces[] = {
    "<w:p>",
    "</w:p>",
    "<w:r><w:rPr><w:rFonts w:ascii=\"VarnelNormal\" w:hAnsi=\"VarnelNormal\"/></w:rPr><w:t>",
    "</w:t></w:r>",
    "<w:r><w:t xml:space=\"preserve\">",
    "<w:hyperlink r:id=\"rId9\">",
    "</w:hyperlink>",
    "<w:smartTag w:element=\"x\">",
    "<w:sdt><w:sdtContent>",
    "</w:sdtContent></w:sdt>",
    "<w:fldSimple w:instr=\"PAGE\">",
    "<w:ins w:id=\"1\" w:author=\"a\">",
    "<w:del w:id=\"2\"><w:r><w:delText>\xc7\xe1</w:delText></w:r></w:del>",
    "<w:softHyphen/>",
    "<w:sym w:font=\"VarnelNormal\" w:char=\"F0E5\"/>",
    "<w:tab/>",
    "<w:br/>",
    "<w:pPr><w:bidi/><w:jc w:val=\"right\"/></w:pPr>",
    "<w:footnoteReference w:id=\"1\"/>",
    "<w:customXml>",
    "<w:moveTo>",
    "<w:rPr><w:rFonts w:asciiTheme=\"minorHAnsi\"/><w:rtl/><w:szCs w:val=\"28\"/></w:rPr>",
    "<text:p text:style-name=\"P1\">",
    "</text:p>",
    "<text:span text:style-name=\"T1\">",
    "</text:span>",
    "<text:s text:c=\"4000000000\"/>",
    "<text:s text:c=\"99999\"/>",
    "<text:s/>",
    "<text:a xlink:href=\"x\">",
    "<text:note text:note-class=\"footnote\"><text:note-body><text:p>",
    "<text:tab/>",
    "<text:line-break/>",
    "<text:change-start text:change-id=\"c1\"/>",
    "<text:h text:outline-level=\"1\">",
    "\xc7\xe1\xe3 \xdf\xca\xc8",
    "\xef\x83\xa5\xef\x82\x8d",
    "\xd8\xa8\xd9\x8a\xd8\xaa \xd9\x83\xd8\xaa\xd8\xa7\xd8\xa8",
    "&#1;",
    "&amp;&lt;",
    "<![CDATA[<]]>",
    "<!DOCTYPE d [<!ENTITY e \"ee\">]>",
    "&e;",
    "\r\n\r",
    // Workbooks: cells, shared strings and their rich runs, fonts and formats.
    "<row r=\"1\">",
    "</row>",
    "<c r=\"A1\" t=\"s\" s=\"1\"><v>0</v></c>",
    "<c r=\"B1\" t=\"s\"><v>4294967296</v></c>",
    "<c t=\"inlineStr\" s=\"1\"><is><t>\xc7\xe1</t></is></c>",
    "<c t=\"str\"><f>A1</f><v>\xc7</v></c>",
    "<si><t>\xc7\xe1\xe3</t></si>",
    "<si><r><rPr><rFont val=\"VarnelNormal\"/></rPr><t>\xdf\xca</t></r><r><t>x</t></r></si>",
    "<font><name val=\"VarnelNormal\"/></font>",
    "<xf fontId=\"1\" applyFont=\"1\"/>",
    "<xf fontId=\"99999\"/>",
    // Presentations: paragraphs, runs and their fonts, theme fonts.
    "<a:p>",
    "</a:p>",
    // One piece in two literals, to fit the line.
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
    "<a:r><a:rPr lang=\"ar-SA\"><a:latin typeface=\"VarnelNormal\"/><a:cs "
    "typeface=\"VarnelNormal\"/></a:rPr><a:t>",
    "</a:t></a:r>",
    "<a:r><a:rPr><a:latin typeface=\"+mn-lt\"/></a:rPr><a:t>\xc7\xe1</a:t></a:r>",
    "<a:br/>",
    "<a:fld type=\"slidenum\"><a:t>1</a:t></a:fld>",
    "<a:pPr rtl=\"1\" algn=\"r\"/>",
    "<a:tbl><a:tr><a:tc><a:txBody><a:p>",
    "<a:minorFont><a:latin typeface=\"VarnelNormal\"/></a:minorFont>",
    // OpenDocument spreadsheets and presentations.
    "<table:table-row><table:table-cell table:style-name=\"ce1\"><text:p>",
    "</text:p></table:table-cell></table:table-row>",
    "<table:table-cell table:number-columns-repeated=\"4000000000\"/>",
    "<draw:frame presentation:style-name=\"pr1\"><draw:text-box><text:p>",
    "</text:p></draw:text-box></draw:frame>",
    "<style:style style:name=\"T1\" style:family=\"text\"><style:text-properties "
    "style:font-name=\"VarnelNormal\" fo:font-family=\"VarnelNormal\"/></style:style>",
    "<style:style style:name=\"ce1\" style:family=\"table-cell\" "
    "style:parent-style-name=\"ce1\"><style:text-properties style:font-name=\"VarnelNormal\"/></"
    "style:style>",
    // Pages: font faces, styles and rules, entities and encodings.
    "<font face=\"VarnelNormal\">",
    "</font>",
    "<span style=\"font-family: 'VarnelNormal', serif\">",
    "</span>",
    "<style>.v{font-family:VarnelNormal} p{font-family:\"VarnelNormal\"}</style>",
    "<p class=\"v\">",
    "<meta charset=\"windows-1256\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
    "<script>a<b</script>",
    "<!-- <font face=VarnelNormal> -->",
    "&#xFEFF;&nbsp;&#1575;",
};

// Elements nested deep: opening tags, then as many closing ones.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kNests = {{
    {"<w:hyperlink>", "</w:hyperlink>"},
    {"<w:sdt><w:sdtContent>", "</w:sdtContent></w:sdt>"},
    {"<w:ins>", "</w:ins>"},
    {"<text:span text:style-name=\"T1\">", "</text:span>"},
    {"<text:a>", "</text:a>"},
    {"<x>", "</x>"},
    {"<r><rPr><rFont val=\"VarnelNormal\"/></rPr><t>", "</t></r>"},
    {"<a:p><a:r><a:t>", "</a:t></a:r></a:p>"},
    {"<font face=\"VarnelNormal\"><div>", "</div></font>"},
    {"<draw:frame><draw:text-box>", "</draw:text-box></draw:frame>"},
}};

}  // namespace

// Mutations that keep the input a document: most of them edit the body's
// text as XML, the rest are libFuzzer's own byte mutations.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
  std::minstd_rand rng(seed);
  if (size < 4) return LLVMFuzzerMutate(data, size, max_size);
  std::string body(reinterpret_cast<const char*>(data) + 4, size - 4);
  const auto at = [&] { return body.empty() ? 0 : rng() % (body.size() + 1); };
  // Mostly just after a tag, where an element keeps the XML well-formed.
  const auto between = [&] {
    const std::size_t tag = body.find('>', at());
    return rng() % 4 == 0 || tag == std::string::npos ? at() : tag + 1;
  };
  switch (rng() % 8) {
    case 0:
    case 1:
      body.insert(between(), kPieces[rng() % std::size(kPieces)]);
      break;
    case 2: {
      // Deep nesting: far past any depth a real document has, as deep as
      // still fits whole (a cut-off end would only be malformed XML).
      const auto& [open, close] = kNests[rng() % kNests.size()];
      const std::size_t room = max_size - std::min(max_size, size + 2);
      const std::size_t depth =
          std::min(std::size_t{1} << (rng() % 18), room / (open.size() + close.size()));
      std::string nest;
      nest.reserve(depth * (open.size() + close.size()) + 2);
      for (std::size_t i = 0; i < depth; ++i) nest += open;
      nest += "\xc7\xe1";
      for (std::size_t i = 0; i < depth; ++i) nest += close;
      body.insert(between(), nest);
      break;
    }
    case 3: {
      // A count made huge or odd.
      static constexpr std::array<std::string_view, 6> kCounts = {
          "4294967296", "4000000000", "100000000", "-1", "0", "18446744073709551617"};
      const std::size_t c = body.find("c=\"", at());
      const std::string_view count = kCounts[rng() % kCounts.size()];
      if (c != std::string::npos) {
        const std::size_t end = body.find('"', c + 3);
        if (end != std::string::npos) body.replace(c + 3, end - c - 3, count);
      } else {
        body.insert(at(), "<text:s text:c=\"" + std::string(count) + "\"/>");
      }
      break;
    }
    case 4: {
      // A styles or strings part, or more of it.
      const std::string_view mark = rng() % 2 ? kStylesMark : kStringsMark;
      if (body.find(mark) == std::string::npos) body += mark;
      body += kPieces[rng() % std::size(kPieces)];
      break;
    }
    case 5: {
      // A stretch of the body repeated: long runs, long lines.
      if (body.empty()) break;
      const std::size_t from = rng() % body.size();
      const std::size_t len = 1 + rng() % std::min<std::size_t>(64, body.size() - from);
      const std::string piece = body.substr(from, len);
      const std::size_t times = std::size_t{1} << (rng() % 12);
      std::string repeated;
      for (std::size_t i = 0; i < times && repeated.size() < max_size; ++i) repeated += piece;
      body.insert(at(), repeated);
      break;
    }
    default:
      return LLVMFuzzerMutate(data, size, max_size);
  }
  if (body.size() + 4 > max_size) body.resize(max_size - 4);
  std::copy(body.begin(), body.end(), data + 4);
  return body.size() + 4;
}
