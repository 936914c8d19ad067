// Old web pages (.html, .htm) both ways. Pages of the years the legacy font
// was used are rarely well-formed (uppercase tags, unclosed <p>, <font>
// everywhere), so they are read with libxml2's HTML parser, which repairs them
// the way browsers did and honours the page's declared encoding; XML parsers
// (pugixml, expat) would refuse them.
#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "documents/convert.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {
namespace {

// A page is parsed whole; pages of this kind are small, and this bounds the
// tree, checked before parsing.
constexpr std::uintmax_t kMaxPageBytes = 64u << 20;

const char* C(const xmlChar* s) {
  return reinterpret_cast<const char*>(s);
}
const xmlChar* X(const char* s) {
  return reinterpret_cast<const xmlChar*>(s);
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::optional<std::string> Attr(xmlNode* n, const char* name) {
  xmlChar* v = xmlGetProp(n, X(name));
  if (!v) return std::nullopt;
  std::string s = C(v);
  xmlFree(v);
  return s;
}

// The first family of a CSS font-family list (or a <font face> list).
std::string FirstFamily(std::string_view list) {
  std::string first = Trim(list.substr(0, list.find(',')));
  if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') &&
      first.back() == first.front()) {
    first = first.substr(1, first.size() - 2);
  }
  return LowerAscii(Trim(first));
}

// Where a declaration block sets font-family: the value's range, if any.
struct Range {
  std::size_t begin = 0, end = 0;
};
std::optional<Range> FontFamilyIn(std::string_view decls) {
  const std::string lower = LowerAscii(decls);
  std::size_t at = 0;
  while ((at = lower.find("font-family", at)) != std::string::npos) {
    std::size_t colon = at + 11;
    while (colon < lower.size() && lower[colon] == ' ') ++colon;
    if (colon < lower.size() && lower[colon] == ':' &&
        (at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ' || lower[at - 1] == '{' ||
         lower[at - 1] == '\n' || lower[at - 1] == '\t')) {
      const std::size_t end = std::min(lower.find(';', colon), lower.find('}', colon));
      return Range{colon + 1, end == std::string::npos ? lower.size() : end};
    }
    at += 11;
  }
  return std::nullopt;
}

// The rules of a page's <style> blocks that set a font family, by selector:
// a tag ("td"), a class (".ar") or both ("p.ar"); other selectors are not
// what such pages used for their fonts.
struct StyleRules {
  std::map<std::string, std::string> family;  // selector (lowercase) -> first family

  void Read(std::string_view css) {
    std::string text(css);
    for (std::size_t c; (c = text.find("/*")) != std::string::npos;) {
      const std::size_t e = text.find("*/", c + 2);
      text.erase(c, e == std::string::npos ? std::string::npos : e + 2 - c);
    }
    // Pages of the years before CSS was understood everywhere hid their
    // rules from old browsers in <!-- -->; the markers are no part of a rule.
    for (const char* marker : {"<!--", "-->"}) {
      for (std::size_t m; (m = text.find(marker)) != std::string::npos;) {
        text.replace(m, std::strlen(marker), " ");
      }
    }
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t open = text.find('{', at);
      if (open == std::string::npos) break;
      const std::size_t close = text.find('}', open);
      if (close == std::string::npos) break;
      const std::string selectors = text.substr(at, open - at);
      const std::string decls = text.substr(open + 1, close - open - 1);
      at = close + 1;
      if (Trim(selectors).starts_with("@")) continue;  // @media and the like: nested, skipped
      const std::optional<Range> r = FontFamilyIn(decls);
      if (!r) continue;
      const std::string first = FirstFamily(decls.substr(r->begin, r->end - r->begin));
      std::size_t s = 0;
      while (s <= selectors.size()) {
        const std::size_t comma = selectors.find(',', s);
        const std::string one = LowerAscii(
            Trim(selectors.substr(s, comma == std::string::npos ? std::string::npos : comma - s)));
        if (!one.empty() && one.find_first_of(" >+~:[#") == std::string::npos) {
          family[one] = first;
        }
        if (comma == std::string::npos) break;
        s = comma + 1;
      }
    }
  }

  // Replaces the legacy family in every font-family value that starts with
  // it; the classes that named the legacy font now name the Unicode one.
  static std::string Rewrite(std::string css, const std::string& legacy_lower,
                             const std::string& unicode_font) {
    std::size_t at = 0;
    while (at < css.size()) {
      const std::optional<Range> r = FontFamilyIn(std::string_view(css).substr(at));
      if (!r) break;
      const std::size_t b = at + r->begin, e = at + r->end;
      if (FirstFamily(std::string_view(css).substr(b, e - b)) == legacy_lower) {
        const std::string value = " " + unicode_font;
        css.replace(b, e - b, value);
        at = b + value.size();
      } else {
        at = e;
      }
    }
    return css;
  }
};

bool IsElement(const xmlNode* n, const char* name) {
  return n && n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, X(name)) == 0;
}

bool IsBlock(const xmlNode* n) {
  static const std::set<std::string> kBlocks = {
      "html",   "body",    "p",        "div",     "h1",      "h2",         "h3",     "h4",
      "h5",     "h6",      "table",    "tr",      "td",      "th",         "ul",     "ol",
      "li",     "dl",      "dt",       "dd",      "pre",     "blockquote", "center", "form",
      "hr",     "address", "caption",  "thead",   "tbody",   "tfoot",      "title",  "head",
      "option", "select",  "textarea", "section", "article", "header",     "footer", "nav"};
  return n->type == XML_ELEMENT_NODE && kBlocks.contains(LowerAscii(C(n->name)));
}

bool IsSkipped(const xmlNode* n) {
  // Text that is no part of the page's body, or that may hold no markup.
  return IsElement(n, "script") || IsElement(n, "style") || IsElement(n, "noscript") ||
         IsElement(n, "title") || IsElement(n, "textarea") || IsElement(n, "option");
}

// The font an element sets, strongest first: its style attribute, a class
// rule, a tag rule, a <font face>. Empty: it sets none.
std::string FamilyOf(xmlNode* e, const StyleRules& rules) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      return FirstFamily(std::string_view(*style).substr(r->begin, r->end - r->begin));
    }
  }
  const std::string tag = LowerAscii(C(e->name));
  if (const auto cls = Attr(e, "class")) {
    std::string list = LowerAscii(*cls);
    std::size_t s = 0;
    while (s < list.size()) {
      const std::size_t sp = list.find_first_of(" \t\n", s);
      const std::string one = list.substr(s, sp == std::string::npos ? std::string::npos : sp - s);
      if (!one.empty()) {
        if (auto it = rules.family.find(tag + "." + one); it != rules.family.end()) {
          return it->second;
        }
        if (auto it = rules.family.find("." + one); it != rules.family.end()) return it->second;
      }
      if (sp == std::string::npos) break;
      s = sp + 1;
    }
  }
  if (auto it = rules.family.find(tag); it != rules.family.end()) return it->second;
  if (tag == "font") {
    if (const auto face = Attr(e, "face")) return FirstFamily(*face);
  }
  return {};
}

// Calls visit(node, entering) for every node under root in document order,
// without recursion; visit returns false on entering to skip the children.
template <typename Visit>
void Walk(xmlNode* root, Visit visit) {
  xmlNode* n = root->children;
  while (n) {
    if (visit(n, true) && n->children) {
      n = n->children;
      continue;
    }
    while (n) {
      visit(n, false);
      if (n->next) {
        n = n->next;
        break;
      }
      n = n->parent;
      if (n == root) n = nullptr;
    }
  }
}

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

void SetAttr(xmlNode* e, const char* name, const std::string& value) {
  xmlSetProp(e, X(name), X(value.c_str()));
}

// Every font the element sets that is the legacy font becomes the Unicode font.
void SetUnicodeFont(xmlNode* e, const std::string& legacy_lower, const std::string& unicode_font) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      if (FirstFamily(std::string_view(*style).substr(r->begin, r->end - r->begin)) ==
          legacy_lower) {
        std::string s = *style;
        s.replace(r->begin, r->end - r->begin, " " + unicode_font);
        SetAttr(e, "style", s);
      }
    }
  }
  if (IsElement(e, "font")) {
    if (const auto face = Attr(e, "face"); face && FirstFamily(*face) == legacy_lower) {
      SetAttr(e, "face", unicode_font);
    }
  }
}

// Whatever font the element sets becomes `font`.
void SetFont(xmlNode* e, const std::string& font) {
  if (const auto style = Attr(e, "style")) {
    if (const std::optional<Range> r = FontFamilyIn(*style)) {
      std::string s = *style;
      s.replace(r->begin, r->end - r->begin, " " + font);
      SetAttr(e, "style", s);
    }
  }
  if (IsElement(e, "font") && Attr(e, "face")) SetAttr(e, "face", font);
}

struct Page {
  xmlDoc* doc = nullptr;
  ~Page() {
    if (doc) xmlFreeDoc(doc);
  }
};

std::string ReadWhole(const std::string& in) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(in, ec);
  if (ec) Io("cannot read: " + ec.message());
  if (size > kMaxPageBytes) {
    Invalid("larger than " + std::to_string(kMaxPageBytes >> 20) + " MB, too large for a page");
  }
  std::ifstream f(in, std::ios::binary);
  if (!f) Io(std::string("cannot read: ") + std::strerror(errno));
  std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) Io(std::string("cannot read: ") + std::strerror(errno));
  return data;
}

// Browsers read a page that declares Latin-1, ASCII or nothing as
// Windows-1252, and so did the pages' authors.
bool ReadsAsWindows1252(const xmlChar* declared) {
  if (!declared) return true;
  const std::string e = LowerAscii(C(declared));
  return e == "windows-1252" || e == "cp1252" || e == "iso-8859-1" || e == "latin1" ||
         e == "iso8859-1" || e == "us-ascii" || e == "ascii" || e == "l1" || e == "iso_8859-1";
}

void Quiet(void*, const char*, ...) {}
void QuietStructured(void*, xmlError*) {}

xmlDoc* Parse(const std::string& data) {
  // Messages would go to standard error line by line; a failure is reported once.
  xmlSetGenericErrorFunc(nullptr, Quiet);
  xmlSetStructuredErrorFunc(nullptr, QuietStructured);
  const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
  xmlDoc* doc =
      htmlReadMemory(data.data(), static_cast<int>(data.size()), nullptr, nullptr, options);
  const bool bom = data.starts_with("\xEF\xBB\xBF") || data.starts_with("\xFF\xFE") ||
                   data.starts_with("\xFE\xFF");
  if (doc && !bom && ReadsAsWindows1252(doc->encoding)) {
    // Decoded here, not by iconv: its Windows-1252 refuses the five bytes the
    // code page leaves undefined, which browsers read as U+0081 and so on
    // and which legacy text uses as glyph codes.
    xmlFreeDoc(doc);
    std::string utf8;
    utf8.reserve(data.size() + data.size() / 4);
    for (const char byte : data) {
      const auto b = static_cast<unsigned char>(byte);
      const char32_t ch = b < 0x80 ? b : CharOfCode(b, GlyphEncoding::Windows1252);
      AppendUtf8(std::u32string_view(&ch, 1), utf8);
    }
    doc = htmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                         options | HTML_PARSE_IGNORE_ENC);
  }
  return doc;
}

// Every charset the page declares now says UTF-8; a page declaring none gets one.
void DeclareUtf8(xmlDoc* doc) {
  xmlNode* head = nullptr;
  bool declared = false;
  Walk(reinterpret_cast<xmlNode*>(doc), [&](xmlNode* n, bool entering) {
    if (!entering || n->type != XML_ELEMENT_NODE) return true;
    if (IsElement(n, "head") && !head) head = n;
    if (IsElement(n, "meta")) {
      if (Attr(n, "charset")) {
        SetAttr(n, "charset", "UTF-8");
        declared = true;
      }
      const auto equiv = Attr(n, "http-equiv");
      if (equiv && LowerAscii(*equiv) == "content-type") {
        SetAttr(n, "content", "text/html; charset=UTF-8");
        declared = true;
      }
    }
    return !IsSkipped(n);
  });
  if (declared) return;
  if (!head) {
    xmlNode* root = xmlDocGetRootElement(doc);
    head = xmlNewDocNode(doc, nullptr, X("head"), nullptr);
    if (root->children) {
      xmlAddPrevSibling(root->children, head);
    } else {
      xmlAddChild(root, head);
    }
  }
  xmlNode* meta = xmlNewDocNode(doc, nullptr, X("meta"), nullptr);
  SetAttr(meta, "charset", "UTF-8");
  if (head->children) {
    xmlAddPrevSibling(head->children, meta);
  } else {
    xmlAddChild(head, meta);
  }
}

// One text node of a line and whether it is set in the legacy font.
struct TextItem {
  xmlNode* node;
  bool legacy;
};

struct Converter {
  const ConvertOptions& o;
  ConvertStats& stats;
  std::string legacy_lower;
  StyleRules rules;
  std::vector<xmlNode*> legacy_elements;  // elements that set the legacy font
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
          const bool is_legacy = family.empty() ? legacy.back() : family == legacy_lower;
          if (!family.empty() && is_legacy) legacy_elements.push_back(n);
          legacy.push_back(is_legacy);
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
        const bool layout_space =
            IsSpaceText(text) && text.find_first_of(U"\n\t\r") != std::u32string::npos;
        if (legacy.back() && !layout_space) {
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
    stats.left_out += u.left_out;
    ++stats.runs;
    Place(doc, line, u.pieces, true);
  }

  // Gives each node of the line the text of its pieces and puts the nodes in
  // the pieces' order (logical to Unicode, display order to the legacy font)
  // under one element that sets the direction and font.
  void Place(xmlDoc* doc, const std::vector<TextItem>& line, const std::vector<Piece>& pieces,
             bool to_unicode) {
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
    if (!to_unicode || IsBlock(common) || children != items.size()) {
      // Other things share the element: the line gets an element of its own.
      holder = xmlNewDocNode(doc, nullptr, X("span"), nullptr);
      xmlNode* first = common->children;
      while (std::find(items.begin(), items.end(), first) == items.end()) first = first->next;
      xmlAddPrevSibling(first, holder);
    }
    for (xmlNode* item : items) {
      xmlUnlinkNode(item);
      xmlAddChild(holder, item);
    }
    if (to_unicode) {
      SetAttr(holder, "dir", "rtl");
      SetAttr(holder, "lang", "ar");
      if (holder != common) SetAttr(holder, "style", "font-family: " + o.unicode_font);
    } else {
      SetAttr(holder, "style", "font-family: " + o.legacy_font);
      SetAttr(holder, "dir", "ltr");
      // A font set between the holder and the text would win over it.
      for (const TextItem& t : line) {
        for (xmlNode* e = t.node->parent; e && e != holder; e = e->parent) {
          SetFont(e, o.legacy_font);
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
      const LegacyLines l = UnicodeToLegacy(pieces, WritingEncoding(o), o.line_glyphs);
      if (l.lines.size() == 1) {
        stats.left_out += l.left_out;
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
    const auto emit_text = [&](std::u32string_view s) {
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
      emit_text(std::u32string_view(text).substr(at, start - at));
      const Piece piece{text.substr(start, end - start), 0};
      const LegacyLines l = UnicodeToLegacy({&piece, 1}, WritingEncoding(o), o.line_glyphs);
      stats.left_out += l.left_out;
      ++stats.runs;
      xmlNode* span = xmlNewDocNode(doc, nullptr, X("span"), nullptr);
      SetAttr(span, "style", "font-family: " + o.legacy_font);
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
    emit_text(std::u32string_view(text).substr(at));
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
  if (!utf16 && std::memchr(data.data(), 0, head) != nullptr) Invalid("not a text file");
  Page page{Parse(data)};
  if (!page.doc || !xmlDocGetRootElement(page.doc)) Invalid("no HTML in it");

  ConvertStats stats;
  Converter c{o, stats, LowerAscii(o.legacy_font), {}, {}, {}};
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
    for (xmlNode* e : c.legacy_elements) SetUnicodeFont(e, c.legacy_lower, o.unicode_font);
    for (xmlNode* s : styles) {
      for (xmlNode* t = s->children; t; t = t->next) {
        if (!t->content) continue;
        const std::string css = StyleRules::Rewrite(C(t->content), c.legacy_lower, o.unicode_font);
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
