// Old web pages (.html, .htm) both ways. Pages of the years the legacy font
// was used are rarely well-formed (uppercase tags, unclosed <p>, <font>
// everywhere), so they are read with libxml2's HTML parser, which repairs them
// the way browsers did and honours the page's declared encoding; XML parsers
// (pugixml, expat) would refuse them.
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/html_css.h"
#include "documents/html_markup.h"
#include "documents/html_page.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {
namespace {

using namespace html;

std::u32string TextOf(xmlNode* t) {
  return DecodeUtf8(t->content ? C(t->content) : "", nullptr);
}
void SetText(xmlNode* t, std::u32string_view text) {
  const std::string utf8 = EncodeUtf8(text);
  xmlNodeSetContentLen(t, X(utf8.c_str()), static_cast<int>(utf8.size()));
}

bool IsArabicScript(char32_t c) {
  return (c >= 0x0600 && c <= 0x06FF) || (c >= 0xFB50 && c <= 0xFDFF) ||
         (c >= 0xFE70 && c <= 0xFEFF);
}
bool HasArabic(std::u32string_view s) {
  return std::any_of(s.begin(), s.end(), IsArabicScript);
}

// Text as a browser lays it out: line ends and tabs are spaces, and a run of
// spaces is one.
std::u32string AsRendered(std::u32string_view s) {
  std::u32string out;
  for (char32_t c : s) {
    if (c == U'\n' || c == U'\r' || c == U'\t') c = U' ';
    if (c == U' ' && !out.empty() && out.back() == U' ') continue;
    out += c;
  }
  return out;
}

bool IsSpaceText(std::u32string_view s) {
  return std::all_of(s.begin(), s.end(), [](char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == 0xA0;
  });
}

// The child of `ancestor` that holds n.
xmlNode* ChildUnder(xmlNode* ancestor, xmlNode* n) {
  while (n && n->parent != ancestor) n = n->parent;
  return n;
}

bool Holds(xmlNode* ancestor, xmlNode* n) {
  for (; n; n = n->parent) {
    if (n == ancestor) return true;
  }
  return false;
}

// One text node of a line and whether it is set in the legacy font.
struct TextItem {
  xmlNode* node;
  bool legacy;
};

struct Converter {
  const ConvertOptions& o;
  ConvertStats& stats;
  std::string legacyLower;
  StyleRules rules;
  std::vector<xmlNode*> legacyElements;  // elements that set the legacy font
  std::vector<std::vector<TextItem>> lines;

  // Collects the lines of legacy text (to Unicode) or the text nodes with
  // Arabic (to the legacy font), in document order.
  void Collect(xmlDoc* doc) {
    std::vector<TextItem> line;
    std::vector<TextItem> spaces;  // spaces after legacy text, kept if more follows
    const auto close = [&] {
      spaces.clear();
      if (!line.empty()) lines.push_back(std::move(line));
      line.clear();
    };
    std::vector<bool> legacy{false};
    Walk(reinterpret_cast<xmlNode*>(doc), [&](xmlNode* n, bool entering) {
      if (n->type == XML_ELEMENT_NODE) {
        if (entering) {
          if (IsBlock(n) || IsElement(n, "br") || IsElement(n, "img")) close();
          if (IsSkipped(n)) {
            close();
            return false;
          }
          const std::string family = FamilyOf(n, rules);
          const bool isLegacy = family.empty() ? legacy.back() : family == legacyLower;
          if (!family.empty() && isLegacy) legacyElements.push_back(n);
          legacy.push_back(isLegacy);
        } else if (!IsSkipped(n)) {
          legacy.pop_back();
          if (IsBlock(n)) close();
        }
        return true;
      }
      if (!entering || n->type != XML_TEXT_NODE) return true;
      const std::u32string text = TextOf(n);
      if (o.to == Direction::ToUnicode) {
        // Line ends and indentation in the source are white space of the
        // page, not glyph codes, whatever font they stand in.
        const bool layoutSpace =
            IsSpaceText(text) && text.find_first_of(U"\n\t\r") != std::u32string::npos;
        if (legacy.back() && !layoutSpace) {
          line.insert(line.end(), spaces.begin(), spaces.end());
          spaces.clear();
          line.push_back({n, true});
        } else if (IsSpaceText(text) && !line.empty()) {
          spaces.push_back({n, false});
        } else {
          close();
        }
      } else if (!legacy.back() && HasArabic(text)) {
        if (IsArabicText(text) || IsNeutralText(text)) {
          line.insert(line.end(), spaces.begin(), spaces.end());
          spaces.clear();
          line.push_back({n, false});
        } else {  // Arabic among other letters: a line of its own, cut in stretches
          close();
          lines.push_back({{n, false}});
        }
      } else if (IsSpaceText(text) && !line.empty()) {
        spaces.push_back({n, false});
      } else {
        close();
      }
      return true;
    });
    close();
  }

  // A line of legacy text nodes: read as one display-order sequence, each
  // node given the letters of its own glyphs, the nodes put in logical order
  // under a right-to-left element.
  void ToUnicode(xmlDoc* doc, const std::vector<TextItem>& line) {
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < line.size(); ++i) {
      // White space between legacy nodes reads as one space of the text.
      pieces.push_back({line[i].legacy ? AsRendered(TextOf(line[i].node)) : U" ", i});
    }
    const UnicodePieces u = LegacyToUnicode(pieces, o.encoding);
    stats.leftOut += u.leftOut;
    ++stats.runs;
    Place(doc, line, u.pieces, true);
  }

  // Gives each node of the line the text of its pieces and puts the nodes in
  // the pieces' order (logical to Unicode, display order to the legacy font)
  // under one element that sets the direction and font.
  void Place(xmlDoc* doc, const std::vector<TextItem>& line, const std::vector<Piece>& pieces,
             bool toUnicode) {
    std::vector<std::u32string> texts(line.size());
    std::vector<std::size_t> order;  // runs by first appearance
    for (const Piece& p : pieces) {
      if (std::find(order.begin(), order.end(), p.run) == order.end()) order.push_back(p.run);
      texts[p.run] += p.text;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
      SetText(line[i].node, texts[i]);
    }
    // The nearest element holding the whole line.
    xmlNode* common = line.front().node->parent;
    while (common && !std::all_of(line.begin(), line.end(),
                                  [&](const TextItem& t) { return Holds(common, t.node); })) {
      common = common->parent;
    }
    if (!common) return;
    // The children of `common` the line's nodes sit in, in the new order.
    std::vector<xmlNode*> items;
    for (const std::size_t i : order) {
      xmlNode* child = ChildUnder(common, line[i].node);
      if (std::find(items.begin(), items.end(), child) == items.end()) items.push_back(child);
    }
    std::size_t children = 0;
    for (xmlNode* c = common->children; c; c = c->next) ++children;
    xmlNode* holder = common;
    if (!toUnicode || IsBlock(common) || children != items.size()) {
      // Other things share the element: the line gets an element of its own.
      holder = xmlNewDocNode(doc, nullptr, X("span"), nullptr);
      xmlNode* first = common->children;
      while (std::find(items.begin(), items.end(), first) == items.end()) first = first->next;
      xmlAddPrevSibling(first, holder);
    }
    for (xmlNode* item : items) {
      xmlUnlinkNode(item);
      // Linked by hand: xmlAddChild merges a text node into a text node
      // before it and frees it, and the line still points at it (two text
      // nodes of the line that an element parted come together here).
      item->parent = holder;
      item->prev = holder->last;
      if (holder->last) {
        holder->last->next = item;
      } else {
        holder->children = item;
      }
      holder->last = item;
    }
    if (toUnicode) {
      SetAttr(holder, "dir", "rtl");
      SetAttr(holder, "lang", "ar");
      if (holder != common) SetAttr(holder, "style", "font-family: " + o.unicodeFont);
    } else {
      SetAttr(holder, "style", "font-family: " + o.legacyFont);
      SetAttr(holder, "dir", "ltr");
      // A font set between the holder and the text would win over it.
      for (const TextItem& t : line) {
        for (xmlNode* e = t.node->parent; e && e != holder; e = e->parent) {
          SetFont(e, o.legacyFont);
        }
      }
    }
  }

  // Arabic text nodes of one line: typed as one sequence, so that a letter
  // in bold neither breaks its word nor moves. A line that breaks into
  // several legacy lines keeps its text in its first node.
  void ToLegacy(xmlDoc* doc, std::vector<TextItem>& line) {
    if (line.size() > 1) {
      std::vector<Piece> pieces;
      for (std::size_t i = 0; i < line.size(); ++i) pieces.push_back({TextOf(line[i].node), i});
      const LegacyLines l = UnicodeToLegacy(pieces, WritingEncoding(o), o.lineGlyphs);
      if (l.lines.size() == 1) {
        stats.leftOut += l.leftOut;
        ++stats.runs;
        Place(doc, line, l.lines.front(), false);
        return;
      }
      std::u32string all;
      for (const Piece& p : pieces) all += p.text;
      for (std::size_t i = 1; i < line.size(); ++i) SetText(line[i].node, U"");
      SetText(line.front().node, all);
    }
    ToLegacy(doc, line.front().node);
  }

  // A text node with Arabic: each stretch of Arabic (with the spaces, digits
  // and punctuation between its words) becomes the legacy font's glyph codes
  // in a left-to-right element set in the legacy font, one <br> per line.
  void ToLegacy(xmlDoc* doc, xmlNode* node) {
    const std::u32string text = TextOf(node);
    const auto arabic = IsArabicScript;
    const auto neutral = [&](char32_t c) {
      return IsNeutralText(std::u32string_view(&c, 1)) || c == 0x200F || c == 0x200E;
    };
    std::size_t at = 0;
    xmlNode* last = node;
    std::u32string before;
    // The text before the first stretch stays in the node itself: libxml2
    // merges a text node added next to another into it, so a new one would
    // go with the node when it is freed.
    bool kept = false;
    const auto emitText = [&](std::u32string_view s) {
      if (s.empty()) return;
      if (last == node) {
        SetText(node, s);
        kept = true;
        return;
      }
      const std::string utf8 = EncodeUtf8(s);
      xmlNode* t = xmlNewDocTextLen(doc, X(utf8.c_str()), static_cast<int>(utf8.size()));
      last = xmlAddNextSibling(last, t);
    };
    while (at < text.size()) {
      std::size_t start = at;
      while (start < text.size() && !arabic(text[start])) ++start;
      if (start == text.size()) break;
      std::size_t end = start, scan = start;
      while (scan < text.size() && (arabic(text[scan]) || neutral(text[scan]))) {
        if (arabic(text[scan])) end = scan + 1;
        ++scan;
      }
      // Digits right after the last letter read with it.
      while (end < text.size() && ((text[end] >= U'0' && text[end] <= U'9') ||
                                   (text[end] >= 0x0660 && text[end] <= 0x0669) ||
                                   (text[end] >= 0x06F0 && text[end] <= 0x06F9))) {
        ++end;
      }
      emitText(std::u32string_view(text).substr(at, start - at));
      const Piece piece{text.substr(start, end - start), 0};
      const LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), o.lineGlyphs);
      stats.leftOut += l.leftOut;
      ++stats.runs;
      xmlNode* span = xmlNewDocNode(doc, nullptr, X("span"), nullptr);
      SetAttr(span, "style", "font-family: " + o.legacyFont);
      SetAttr(span, "dir", "ltr");
      for (std::size_t i = 0; i < l.lines.size(); ++i) {
        if (i) xmlAddChild(span, xmlNewDocNode(doc, nullptr, X("br"), nullptr));
        std::u32string s;
        for (const Piece& p : l.lines[i]) s += p.text;
        const std::string utf8 = EncodeUtf8(s);
        xmlAddChild(span, xmlNewDocTextLen(doc, X(utf8.c_str()), static_cast<int>(utf8.size())));
      }
      last = xmlAddNextSibling(last, span);
      at = end;
    }
    emitText(std::u32string_view(text).substr(at));
    if (!kept) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
    }
  }
};

}  // namespace

ConvertStats ConvertHtml(const std::string& in, const std::string& out, const ConvertOptions& o) {
  const std::string data = ReadWhole(in);
  const std::size_t head = std::min<std::size_t>(data.size(), 4096);
  const bool utf16 = data.starts_with("\xFF\xFE") || data.starts_with("\xFE\xFF");
  if (!utf16 && std::string_view(data).substr(0, head).find('\0') != std::string_view::npos) {
    Invalid("not a text file");
  }
  Page page{Parse(data)};
  if (!page.doc || !xmlDocGetRootElement(page.doc)) Invalid("no HTML in it");

  ConvertStats stats;
  Converter c{o, stats, LowerAscii(o.legacyFont), {}, {}, {}};
  // The page's <style> blocks first: a class may be used before its rule.
  std::vector<xmlNode*> styles;
  Walk(reinterpret_cast<xmlNode*>(page.doc), [&](xmlNode* n, bool entering) {
    if (entering && IsElement(n, "style")) {
      styles.push_back(n);
      xmlChar* css = xmlNodeGetContent(n);
      if (css) {
        c.rules.Read(C(css));
        xmlFree(css);
      }
      return false;
    }
    return true;
  });
  c.Collect(page.doc);
  if (o.to == Direction::ToUnicode) {
    for (auto& line : c.lines) c.ToUnicode(page.doc, line);
    for (xmlNode* e : c.legacyElements) SetUnicodeFont(e, c.legacyLower, o.unicodeFont);
    for (xmlNode* s : styles) {
      for (xmlNode* t = s->children; t; t = t->next) {
        if (!t->content) continue;
        const std::string css = StyleRules::Rewrite(C(t->content), c.legacyLower, o.unicodeFont);
        xmlNodeSetContentLen(t, X(css.c_str()), static_cast<int>(css.size()));
      }
    }
  } else {
    for (auto& line : c.lines) c.ToLegacy(page.doc, line);
  }

  DeclareUtf8(page.doc);
  if (page.doc->encoding) xmlFree(const_cast<xmlChar*>(page.doc->encoding));
  page.doc->encoding = xmlStrdup(X("UTF-8"));
  // Through a UTF-8 output buffer, so that Arabic is written as characters,
  // not as character references.
  xmlOutputBuffer* buf =
      xmlOutputBufferCreateFilename(out.c_str(), xmlFindCharEncodingHandler("UTF-8"), 0);
  if (!buf) Io("cannot write " + out);
  htmlDocContentDumpFormatOutput(buf, page.doc, "UTF-8", 0);
  if (xmlOutputBufferClose(buf) < 0) Io("cannot write " + out + ": " + std::strerror(errno));
  return stats;
}

}  // namespace harf::documents
