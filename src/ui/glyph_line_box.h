// The line box and the glyph font it draws with.
#pragma once

#include <QBasicTimer>
#include <QRawFont>
#include <QWidget>
#include <array>
#include <vector>

#include "input/glyph_encoding.h"
#include "input/typist.h"
#include "shaping/line.h"

namespace harf::ui {

// The glyphs of the display font, one per glyph code: the font maps each code
// to exactly one glyph, so the line box needs no shaping and no text layout.
struct GlyphFont {
  QRawFont font;
  std::array<quint32, 256> glyph{};  // glyph index of each code (0: none)
  std::array<qreal, 256> advance{};  // its advance in pixels

  // The glyphs of `font` for code c at character charOf[c].
  static GlyphFont Make(const QRawFont& font, const std::array<char32_t, 256>& charOf);
};

// The line box: draws the line's glyphs itself, right aligned (the line grows
// to the left), with the caret where the line's cursor is. It lays out only
// the glyphs that fit in the box, so a keystroke costs the same on a line of
// 45 glyphs and of a million. It never takes text of its own: caret keys and
// clicks go out as signals, and the window answers with ShowLine.
class GlyphLineBox : public QWidget {
  Q_OBJECT
 public:
  explicit GlyphLineBox(QWidget* parent = nullptr);

  void setGlyphFont(GlyphFont font);
  const GlyphFont& glyphFont() const { return font_; }
  // Shows `line`, which must outlive the box or the next call; the cursor
  // stays in view.
  void ShowLine(const Line& line);

  // What the box shows: the display position of its first glyph (1 = the
  // left end of the line), the codes it draws with their left edges, and the
  // caret.
  struct View {
    std::size_t first = 1;
    std::vector<GlyphCode> codes;
    std::vector<qreal> left;
    qreal caretX = 0;
    std::size_t cursor = 0;
  };
  const View& view() const { return view_; }
  std::size_t cursorPosition() const { return view_.cursor; }
  // The line last shown, for a screen reader; null before the first.
  const Line* line() const { return line_; }
  // The area the glyphs are drawn in.
  QRect glyphArea() const;
  // The codes a mouse drag has selected, in stored order (left to right);
  // empty when nothing is selected. Showing the line again drops the
  // selection.
  std::vector<GlyphCode> selectedCodes() const;

 signals:
  // A left click into the box (a drag that selects glyphs is no click).
  void clicked();
  // The mouse has selected glyphs, for the primary selection.
  void selected();
  // A caret key pressed while the box has the focus.
  void cursorKey(harf::CursorMove move);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Layout();
  QRect CaretRect() const;
  void RestartBlink();

  GlyphFont font_;
  const Line* line_ = nullptr;
  View view_;
  qreal baseline_ = 0;
  // The display position of the glyph right of x (one past the last glyph
  // shown right of them all).
  std::size_t BoundaryAt(qreal x) const;

  bool caretOn_ = true;
  QBasicTimer blink_;
  // A mouse selection: the glyphs at display positions [from, to).
  std::size_t anchor_ = 0;
  std::size_t selectedFrom_ = 0;
  std::size_t selectedTo_ = 0;
  bool dragging_ = false;
};

}  // namespace harf::ui
