// The text area below the line.
#pragma once

#include <QPlainTextEdit>
#include <vector>

#include "input/glyph_encoding.h"

namespace harf::ui {

// The text area: shows the text area's lines (the window writes them) and
// lets the mouse select; a selection goes to the X primary selection as the
// clipboard would get those codes, never as the box's own characters or HTML.
class GlyphTextArea : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit GlyphTextArea(QWidget* parent = nullptr) : QPlainTextEdit(parent) {}
  void setEncoding(GlyphEncoding e) { encoding_ = e; }
  // The glyph codes selected, lines separated by CR LF.
  std::vector<GlyphCode> selectedCodes() const;
  // What a selection of the box's text gives, for the primary selection.
  QMimeData* selectionMimeData() const { return createMimeDataFromSelection(); }

 signals:
  // A selection was made with the mouse or the keyboard, after Qt has handed
  // it to its own clipboard: whoever owns the primary selection takes it now.
  void selectionMade();

 protected:
  QMimeData* createMimeDataFromSelection() const override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  GlyphEncoding encoding_ = GlyphEncoding::Symbol;
};

}  // namespace harf::ui
