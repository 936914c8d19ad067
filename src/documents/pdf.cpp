// PDF to Unicode text through Poppler's core library (libpoppler-private-dev).
// Its C++ and GLib interfaces give only the text a font's ToUnicode map or
// encoding makes of a character: a legacy font without ToUnicode is read
// through WinAnsi there, where codes 0x81, 0x8D, 0x8F, 0x90, 0x9D and 0x95 all
// become one bullet. The core library hands every character's own code to an
// output device, and its text device still finds words, lines and reading
// order.
#include <GlobalParams.h>
#include <PDFDoc.h>
#include <TextOutputDev.h>
#include <goo/GooString.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "documents/convert.h"
#include "documents/package.h"
#include "input/utf8.h"

namespace harf::documents {
namespace {

// Pages read from one file; each is read and written on its own, so this
// bounds only the work, not the memory.
constexpr int kMaxPages = 100000;

// Poppler reports through one process-wide callback; conversions run one at
// a time, so a flag per conversion is enough.
bool g_damaged = false;

void OnPopplerError(ErrorCategory category, Goffset, const char*) {
  // Syntax errors Poppler works around are common in real files and leave
  // the text right; an I/O error while reading is not.
  if (category == errIO) g_damaged = true;
}

std::string Lower(std::string_view s) {
  std::string out;
  for (const char c : s) {
    if (c == ' ') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

// A PDF names a font by its PostScript name: an embedded subset is prefixed
// "ABCDEF+", and a style may follow as "-Regular" or ",Bold".
bool IsLegacyFontName(std::string_view name, std::string_view legacyLower) {
  if (name.size() > 7 && name[6] == '+') {
    bool tag = true;
    for (std::size_t i = 0; i < 6; ++i) tag = tag && name[i] >= 'A' && name[i] <= 'Z';
    if (tag) name.remove_prefix(7);
  }
  const std::string lower = Lower(name);
  if (!lower.starts_with(legacyLower)) return false;
  return lower.size() == legacyLower.size() || lower[legacyLower.size()] == '-' ||
         lower[legacyLower.size()] == ',';
}

// Poppler's text device, except that a legacy font with no ToUnicode map
// gives its characters as the symbol kind's character of their own code:
// such a PDF holds the glyph codes themselves, and the encoding Poppler would
// read them through merges some of them.
class LegacyTextDevice : public TextOutputDev {
 public:
  explicit LegacyTextDevice(std::string legacyLower)
      : TextOutputDev(nullptr, nullptr, false, 0, false, false),
        legacyLower_(std::move(legacyLower)) {}

  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX,
                double originY, CharCode c, int bytes, const Unicode* u, int u_len) override {
    const GfxFont* font = state->getFont().get();
    if (font && !font->isCIDFont() && !font->hasToUnicodeCMap() && c < 256 && font->getName() &&
        IsLegacyFontName(*font->getName(), legacyLower_)) {
      const Unicode own = kSymbolBase + c;
      TextOutputDev::drawChar(state, x, y, dx, dy, originX, originY, c, bytes, &own, 1);
      return;
    }
    TextOutputDev::drawChar(state, x, y, dx, dy, originX, originY, c, bytes, u, u_len);
  }

 private:
  std::string legacyLower_;
};

class Output {
 public:
  explicit Output(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) Io("cannot write " + path + ": " + std::strerror(errno));
  }
  ~Output() {
    if (file_) std::fclose(file_);
  }
  void Write(std::string_view s) {
    if (std::fwrite(s.data(), 1, s.size(), file_) != s.size()) Fail();
  }
  void Close() {
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) Fail();
  }

 private:
  [[noreturn]] void Fail() { Io(std::string("cannot write the output: ") + std::strerror(errno)); }
  std::FILE* file_;
};

struct PageLine {
  const std::string& legacyLower;
  const ConvertOptions& options;
  ConvertStats& stats;

  std::string line;          // UTF-8 of the line so far
  std::u32string legacy;     // the legacy stretch not yet read, display order
  std::u32string heldSpace;  // spaces after a legacy word: legacy when more follows

  void FlushLegacy() {
    if (legacy.empty()) return;
    const Piece piece{legacy, 0};
    const UnicodePieces u = LegacyToUnicode({&piece, 1}, options.encoding);
    for (const Piece& p : u.pieces) AppendUtf8(p.text, line);
    stats.leftOut += u.leftOut;
    ++stats.runs;
    legacy.clear();
  }

  void Add(char32_t ch, bool isLegacy) {
    if (isLegacy) {
      legacy += heldSpace;
    } else {
      FlushLegacy();
      AppendUtf8(heldSpace, line);
    }
    heldSpace.clear();
    if (isLegacy) {
      legacy += ch;
    } else {
      AppendUtf8(std::u32string_view(&ch, 1), line);
    }
  }

  std::string Take() {
    FlushLegacy();
    heldSpace.clear();
    std::string done;
    done.swap(line);
    return done;
  }

  void Read(const TextLine* textLine) {
    for (const TextWord* word = textLine->getWords(); word; word = word->getNext()) {
      bool lastLegacy = false;
      for (int i = 0; i < word->getLength(); ++i) {
        const GooString* name = word->getFontInfo(i)->getFontName();
        lastLegacy = name && IsLegacyFontName(name->toStr(), legacyLower);
        Add(*word->getChar(i), lastLegacy);
      }
      // A gap between two legacy words is a space of the legacy text.
      if (word->hasSpaceAfter() && word->getNext()) {
        if (lastLegacy) {
          heldSpace += U' ';
        } else {
          Add(U' ', false);
        }
      }
    }
  }
};

}  // namespace

ConvertStats ConvertPdf(const std::string& in, const std::string& out, const ConvertOptions& o) {
  if (o.to != Direction::ToUnicode) Invalid("a PDF converts to Unicode text only");
  static std::once_flag setup;
  std::call_once(setup, [] {
    if (!globalParams) globalParams = std::make_unique<GlobalParams>();
    globalParams->setErrQuiet(true);
    setErrorCallback(OnPopplerError);
  });
  g_damaged = false;
  bool reconstructed = false;
  PDFDoc doc(std::make_unique<GooString>(in), std::nullopt, std::nullopt, nullptr,
             [&reconstructed] { reconstructed = true; });
  if (!doc.isOk()) {
    switch (doc.getErrorCode()) {
      case errOpenFile:
        Io(std::string("cannot read: ") + std::strerror(doc.getFopenErrno()));
      case errEncrypted:
        Invalid("encrypted: the PDF cannot be read without its password");
      default:
        Invalid("not a PDF document, or a damaged one");
    }
  }
  // A complete PDF ends with its cross-reference table; Poppler rebuilds a
  // lost one by scanning, which makes a cut-off file look whole.
  if (reconstructed || g_damaged) Invalid("damaged or truncated PDF");
  const int pages = doc.getNumPages();
  if (pages > kMaxPages) {
    Invalid("more than " + std::to_string(kMaxPages) + " pages");
  }

  const std::string legacyLower = Lower(o.legacyFont);
  ConvertStats stats;
  Output output(out);
  PageLine reader{legacyLower, o, stats, {}, {}, {}};
  for (int page = 1; page <= pages; ++page) {
    LegacyTextDevice device(legacyLower);
    if (!device.isOk()) Io("cannot set up the text reader");
    doc.displayPage(&device, page, 72, 72, 0, true, false, false);
    if (reconstructed || g_damaged) Invalid("damaged PDF (page " + std::to_string(page) + ")");
    if (page > 1) output.Write("\f");
    for (const TextFlow* flow = device.getFlows(); flow; flow = flow->getNext()) {
      for (const TextBlock* block = flow->getBlocks(); block; block = block->getNext()) {
        for (const TextLine* line = block->getLines(); line; line = line->getNext()) {
          reader.Read(line);
          std::string text = reader.Take();
          text += '\n';
          output.Write(text);
        }
      }
    }
  }
  output.Close();
  return stats;
}

}  // namespace harf::documents
