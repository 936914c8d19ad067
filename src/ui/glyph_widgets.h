// The widgets frmMain is built from that Qt does not have as they are needed.
#pragma once

#include <QAbstractButton>
#include <QBasicTimer>
#include <QByteArray>
#include <QFrame>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRawFont>
#include <array>
#include <span>
#include <vector>

#include "input/glyph_encoding.h"
#include "input/typist.h"
#include "shaping/line.h"

class QKeyEvent;

namespace harf::ui {

// Whether a key only moves the caret (arrows, Home, End, with Shift to select).
bool IsNavigationKey(const QKeyEvent& e);

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

// Glyph codes as the clipboard and the X selections carry them: one byte
// per code for X11's STRING target, and the characters of the display font's
// kind, in UTF-8, for every Unicode text target (for the stand-in U+F000+code,
// so that no code becomes a control character or a soft hyphen elsewhere).
struct ClipboardText {
  QByteArray bytes;
  QByteArray utf8;
};
ClipboardText ClipboardTextOf(std::span<const GlyphCode> codes, GlyphEncoding e);

// The same for QClipboard where Harf does not own the X selections itself
// (Wayland, Windows, macOS, offscreen): no format there carries raw bytes,
// so "text/plain" and "text/plain;charset=utf-8" both hold the font's
// characters (on Windows, a Windows-1252 kind then still reaches programs
// reading the ANSI clipboard in that code page as one byte per code).
QMimeData* GlyphMimeData(const ClipboardText& text);

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

// A button drawn the way the window's keys and commands have always looked: a
// flat face in the button's own colour with a plain bevel, a picture above a
// caption, either of them optional. Qt's buttons put a picture beside the
// text, do not shrink it to fit a small key, and draw gradients that cost
// more than the rest of the window when 136 keys are painted.
class FlatButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit FlatButton(QWidget* parent = nullptr);
  FlatButton(const QString& caption, QWidget* parent);
  void setPicture(const QPixmap& picture);
  const QPixmap& picture() const { return picture_; }
  // The room above the caption (or the whole face without one) that a
  // picture is drawn in; a larger picture is shrunk to fit it.
  QSize pictureRoom() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  QRect CaptionRect(bool besidePicture) const;
  void FitPicture();

  QPixmap picture_;
  QPixmap fitted_;  // the picture at the size it is drawn, made once
  QRectF fittedRect_;
  QString fittedCaption_;  // the caption the fitted picture leaves room for
};

// A frame as the window has always drawn them: an etched rectangle with its
// caption set into the top edge. Fusion draws its group boxes from a PNG,
// which alone loads Qt's image plugins at start-up.
class CaptionFrame : public QFrame {
  Q_OBJECT
 public:
  CaptionFrame(const QString& caption, QWidget* parent);
  QString caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QString caption_;
};

// A button that reports which mouse button was released over it, after being
// pressed on it: the copy-line button copies on any button, and minimizes the
// window unless it was the right one.
class MouseUpButton : public FlatButton {
  Q_OBJECT
 public:
  using FlatButton::FlatButton;

 signals:
  // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt.
  void mouseUp(int button, int shift, int x, int y);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  Qt::MouseButtons pressed_;
};

}  // namespace harf::ui
