#include "ui/glyph_text_area.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextCursor>

#include "ui/clipboard_text.h"

namespace harf::ui {

std::vector<GlyphCode> GlyphTextArea::selectedCodes() const {
  // Qt gives the selection's paragraphs separated by U+2029; the text area's
  // lines are separated by CR LF.
  std::vector<GlyphCode> codes;
  for (const char32_t ch : textCursor().selectedText().toStdU32String()) {
    if (ch == U'\u2029') {
      codes.insert(codes.end(), {13, 10});
    } else if (const auto code = CodeOfChar(ch, encoding_)) {
      codes.push_back(*code);
    }
  }
  return codes;
}

QMimeData* GlyphTextArea::createMimeDataFromSelection() const {
  return GlyphMimeData(ClipboardTextOf(selectedCodes(), encoding_));
}

void GlyphTextArea::mouseReleaseEvent(QMouseEvent* e) {
  QPlainTextEdit::mouseReleaseEvent(e);
  if (textCursor().hasSelection()) emit selectionMade();
}

void GlyphTextArea::keyPressEvent(QKeyEvent* e) {
  const bool had = textCursor().hasSelection();
  const int anchor = textCursor().anchor();
  const int position = textCursor().position();
  QPlainTextEdit::keyPressEvent(e);
  const QTextCursor now = textCursor();
  if (now.hasSelection() && (!had || now.anchor() != anchor || now.position() != position)) {
    emit selectionMade();
  }
}

}  // namespace harf::ui
