// The widgets frmMain is built from that Qt does not have as they are needed:
// the buttons and frames here; the line box, the text area and what a copy
// of glyph codes gives other programs each in a header of its own, included
// here so that one include brings the window's whole kit.
#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QPixmap>

#include "ui/clipboard_text.h"
#include "ui/glyph_line_box.h"
#include "ui/glyph_text_area.h"

class QKeyEvent;

namespace harf::ui {

// Whether a key only moves the caret (arrows, Home, End, with Shift to select).
bool IsNavigationKey(const QKeyEvent& e);

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
  // button: kLeftButton, kRightButton or kMiddleButton; shift: the bits
  // kShiftMask, kCtrlMask, kAltMask (handler_codes.h).
  void mouseUp(int button, int shift, int x, int y);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  Qt::MouseButtons pressed_;
};

}  // namespace harf::ui
