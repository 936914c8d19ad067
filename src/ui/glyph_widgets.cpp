#include "ui/glyph_widgets.h"

#include <qdrawutil.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <algorithm>

#include "ui/handler_codes.h"

namespace harf::ui {

bool IsNavigationKey(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

FlatButton::FlatButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::TabFocus);
  // The face covers every pixel, so what lies below is never painted first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

FlatButton::FlatButton(const QString& caption, QWidget* parent) : FlatButton(parent) {
  setText(caption);
}

void FlatButton::setPicture(const QPixmap& picture) {
  picture_ = picture;
  FitPicture();
  update();
}

void FlatButton::resizeEvent(QResizeEvent* e) {
  QAbstractButton::resizeEvent(e);
  FitPicture();
}

void FlatButton::changeEvent(QEvent* e) {
  QAbstractButton::changeEvent(e);
  if (e->type() == QEvent::FontChange) FitPicture();
}

QRect FlatButton::CaptionRect(bool besidePicture) const {
  const QRect inner = rect().adjusted(2, 2, -2, -2);
  if (text().isEmpty()) return QRect(inner.left(), inner.bottom() + 1, inner.width(), 0);
  const int height = besidePicture ? QFontMetrics(font()).height() : inner.height();
  return QRect(inner.left(), inner.bottom() - height + 1, inner.width(), height);
}

QSize FlatButton::pictureRoom() const {
  QRect area = rect().adjusted(2, 2, -2, -2);
  area.setBottom(CaptionRect(true).top() - 1);
  return area.size().expandedTo(QSize(0, 0));
}

// The picture keeps its size where it fits above the caption and shrinks where
// the key is small (keys are given pictures made to fit, so this is rare).
void FlatButton::FitPicture() {
  fitted_ = QPixmap();
  fittedCaption_ = text();
  if (picture_.isNull()) return;
  QRect area = rect().adjusted(2, 2, -2, -2);
  area.setBottom(CaptionRect(true).top() - 1);
  if (area.height() <= 0) return;
  QSizeF size = picture_.deviceIndependentSize();
  size.scale(size.boundedTo(area.size()), Qt::KeepAspectRatio);
  fittedRect_ = QRectF(QPointF(), size);
  fittedRect_.moveCenter(QRectF(area).center());
  const qreal dpr = picture_.devicePixelRatio();
  if (size == picture_.deviceIndependentSize()) {
    fitted_ = picture_;
    return;
  }
  fitted_ = picture_.scaled((size * dpr).toSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  fitted_.setDevicePixelRatio(dpr);
}

void FlatButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QBrush face = palette().brush(QPalette::Button);
  qDrawWinButton(&p, rect(), palette(), isDown(), &face);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
  if (!text().isEmpty()) {
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(CaptionRect(!picture_.isNull()), Qt::AlignCenter, text());
  }
  if (fittedCaption_ != text()) FitPicture();
  if (fitted_.isNull()) return;
  if (!isEnabled()) p.setOpacity(0.35);
  p.drawPixmap(fittedRect_.topLeft(), fitted_);
}

CaptionFrame::CaptionFrame(const QString& caption, QWidget* parent)
    : QFrame(parent), caption_(caption) {}

void CaptionFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QFontMetrics fm(font());
  const int top = caption_.isEmpty() ? 0 : fm.height() / 2;
  qDrawShadeRect(&p, rect().adjusted(0, top, 0, 0), palette(), /*sunken=*/true, 1, 0);
  if (caption_.isEmpty()) return;
  const QRect text(8, 0, fm.horizontalAdvance(caption_) + 4, fm.height());
  p.fillRect(text, palette().brush(QPalette::Window));
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(text, Qt::AlignCenter, caption_);
}

void MouseUpButton::mousePressEvent(QMouseEvent* e) {
  pressed_ |= e->button();
  FlatButton::mousePressEvent(e);
  e->accept();  // the right and middle buttons too: their release comes here
}

void MouseUpButton::mouseReleaseEvent(QMouseEvent* e) {
  const bool wasPressed = pressed_.testFlag(e->button());
  pressed_ &= ~e->button();
  const QPoint pos = e->position().toPoint();
  FlatButton::mouseReleaseEvent(e);
  if (!wasPressed || !rect().contains(pos)) return;
  int button = 0;
  switch (e->button()) {
    case Qt::LeftButton:
      button = kLeftButton;
      break;
    case Qt::RightButton:
      button = kRightButton;
      break;
    case Qt::MiddleButton:
      button = kMiddleButton;
      break;
    default:
      return;
  }
  emit mouseUp(button, ShiftState(e->modifiers()), pos.x(), pos.y());
}

}  // namespace harf::ui
