#include "ui/glyph_widgets.h"

#include <qdrawutil.h>

#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <QTextCursor>
#include <algorithm>
#include <cmath>

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

ClipboardText ClipboardTextOf(std::span<const GlyphCode> codes, GlyphEncoding e) {
  ClipboardText text;
  const std::string bytes = EncodeBytes(codes);
  text.bytes = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  std::u16string chars = EncodeCodesUtf16(codes, e);
  // Codes 13 and 10 are no glyphs but the break between lines of the text
  // area: other programs get a real line break, in every kind.
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == 13 || codes[i] == 10) chars[i] = codes[i];
  }
  text.utf8 = QString::fromUtf16(chars.data(), static_cast<qsizetype>(chars.size())).toUtf8();
  return text;
}

QMimeData* GlyphMimeData(const ClipboardText& text) {
  auto* data = new QMimeData;
  data->setData(QStringLiteral("text/plain"), text.utf8);
  data->setData(QStringLiteral("text/plain;charset=utf-8"), text.utf8);
  return data;
}

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

GlyphFont GlyphFont::Make(const QRawFont& font, const std::array<char32_t, 256>& charOf) {
  GlyphFont g;
  g.font = font;
  for (std::size_t c = 0; c < 256; ++c) {
    const QString ch = QString::fromUcs4(&charOf[c], 1);
    int n = 1;
    quint32 index[2] = {0, 0};
    if (!font.glyphIndexesForChars(ch.constData(), static_cast<int>(ch.size()), index, &n) ||
        n < 1) {
      continue;
    }
    g.glyph[c] = index[0];
    QPointF advance;
    font.advancesForGlyphIndexes(&index[0], &advance, 1, QRawFont::UseDesignMetrics);
    g.advance[c] = advance.x();
  }
  return g;
}

GlyphLineBox::GlyphLineBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::IBeamCursor);
  setAcceptDrops(false);
  // Input methods and dead keys commit text here; the window types it.
  setAttribute(Qt::WA_InputMethodEnabled, true);
}

void GlyphLineBox::setGlyphFont(GlyphFont font) {
  font_ = std::move(font);
  Layout();
  update();
}

void GlyphLineBox::ShowLine(const Line& line) {
  line_ = &line;
  selectedFrom_ = selectedTo_ = 0;
  Layout();
  RestartBlink();
  update();
}

QRect GlyphLineBox::glyphArea() const {
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  return rect().adjusted(frame + 2, frame, -frame - 2, -frame);
}

// Only the glyphs that fit are looked at: the scroll position is kept as the
// first glyph shown and moved just far enough to keep the caret in view, and
// every walk along the line stops once it has filled the box.
void GlyphLineBox::Layout() {
  view_.codes.clear();
  view_.left.clear();
  const QRect area = glyphArea();
  const qreal width = area.width();
  const qreal right = area.left() + width;
  const std::size_t n = line_ ? line_->size() : 0;
  const std::size_t c = line_ ? line_->cursor() : 0;
  view_.cursor = c;
  baseline_ = area.top() + (area.height() + font_.font.ascent() - font_.font.descent()) / 2;
  const auto advance = [this](std::size_t pos) { return font_.advance[line_->CodeAt(pos)]; };

  qreal total = 0;
  bool fits = true;
  for (std::size_t pos = 1; pos <= n && fits; ++pos) {
    total += advance(pos);
    fits = total <= width;
  }
  std::size_t first = 1;
  qreal x = right - total;
  if (!fits) {
    first = std::clamp<std::size_t>(view_.first, 1, n);
    // The caret sits at the left edge of glyph c + 1.
    if (c + 1 < first) first = c + 1;
    std::size_t from = c + 1;
    qreal w = 0;
    while (from > 1 && w + advance(from - 1) <= width) w += advance(--from);
    first = std::max(first, from);
    // No room is left empty at the right end while glyphs are hidden left.
    w = 0;
    std::size_t pos = first;
    while (pos <= n && w <= width) w += advance(pos++);
    if (pos > n && w <= width) {
      while (first > 1 && w + advance(first - 1) <= width) w += advance(--first);
      x = right - w;
    } else {
      x = area.left();
    }
  }
  view_.first = first;
  view_.caretX = x;
  std::size_t pos = first;
  // A glyph of no width (a vowel sign) at the right edge still shows.
  for (; pos <= n && x <= right; ++pos) {
    if (pos == c + 1) view_.caretX = x;
    view_.codes.push_back(line_->CodeAt(pos));
    view_.left.push_back(x);
    x += advance(pos);
  }
  if (c + 1 == pos) view_.caretX = x;
}

std::size_t GlyphLineBox::BoundaryAt(qreal x) const {
  for (std::size_t i = 0; i < view_.codes.size(); ++i) {
    if (x < view_.left[i] + font_.advance[view_.codes[i]] / 2) return view_.first + i;
  }
  return view_.first + view_.codes.size();
}

std::vector<GlyphCode> GlyphLineBox::selectedCodes() const {
  std::vector<GlyphCode> codes;
  if (line_ == nullptr) return codes;
  for (std::size_t pos = selectedFrom_; pos < selectedTo_ && pos <= line_->size(); ++pos) {
    codes.push_back(line_->CodeAt(pos));
  }
  return codes;
}

QRect GlyphLineBox::CaretRect() const {
  const QRect area = glyphArea();
  return QRect(static_cast<int>(std::floor(view_.caretX)) - 1, area.top(), 3, area.height());
}

void GlyphLineBox::RestartBlink() {
  caretOn_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_.start(flash / 2, this);
  } else {
    blink_.stop();
  }
}

void GlyphLineBox::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  p.setClipRegion(e->region());
  p.fillRect(rect(), palette().brush(QPalette::Window));
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.rect = rect();
  frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
  frame.midLineWidth = 0;
  frame.state |= QStyle::State_Sunken;
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);

  const QRect area = glyphArea();
  p.setClipRect(area, Qt::IntersectClip);
  if (!view_.codes.empty()) {
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(static_cast<qsizetype>(view_.codes.size()));
    positions.reserve(static_cast<qsizetype>(view_.codes.size()));
    for (std::size_t i = 0; i < view_.codes.size(); ++i) {
      indexes.push_back(font_.glyph[view_.codes[i]]);
      positions.push_back(QPointF(view_.left[i], baseline_));
    }
    QGlyphRun run;
    run.setRawFont(font_.font);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    for (std::size_t i = 0; i < view_.codes.size(); ++i) {
      const std::size_t pos = view_.first + i;
      if (pos < selectedFrom_ || pos >= selectedTo_) continue;
      p.fillRect(QRectF(view_.left[i], area.top(), font_.advance[view_.codes[i]], area.height()),
                 palette().brush(QPalette::Highlight));
    }
    p.setPen(palette().color(QPalette::Text));
    p.drawGlyphRun(QPointF(0, 0), run);
  }
  if (hasFocus() && caretOn_) {
    const qreal top = baseline_ - font_.font.ascent();
    const qreal bottom = baseline_ + font_.font.descent();
    p.fillRect(
        QRectF(std::floor(view_.caretX), std::max<qreal>(top, area.top()), 1,
               std::min<qreal>(bottom, area.bottom() + 1) - std::max<qreal>(top, area.top())),
        palette().color(QPalette::Text));
  }
}

void GlyphLineBox::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Left:
      emit cursorKey(CursorMove::Left);
      break;
    case Qt::Key_Right:
      emit cursorKey(CursorMove::Right);
      break;
    case Qt::Key_Home:
      emit cursorKey(CursorMove::Home);
      break;
    case Qt::Key_End:
      emit cursorKey(CursorMove::End);
      break;
    default:
      e->ignore();
      return;
  }
  e->accept();
}

void GlyphLineBox::mousePressEvent(QMouseEvent* e) {
  // The right button opens the window's menu; the middle one pastes nothing.
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  anchor_ = BoundaryAt(e->position().x());
  if (selectedFrom_ != selectedTo_) update();
  selectedFrom_ = selectedTo_ = 0;
}

void GlyphLineBox::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  if (!dragging_ || !e->buttons().testFlag(Qt::LeftButton)) return;
  const std::size_t at = BoundaryAt(e->position().x());
  selectedFrom_ = std::min(anchor_, at);
  selectedTo_ = std::max(anchor_, at);
  update();
}

void GlyphLineBox::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (selectedFrom_ != selectedTo_) {
    emit selected();
  } else if (rect().contains(e->position().toPoint())) {
    emit clicked();
  }
}

void GlyphLineBox::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  RestartBlink();
  update();
}

void GlyphLineBox::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  blink_.stop();
  update();
}

// Only the caret's few pixels are repainted: the glyphs have not changed.
void GlyphLineBox::timerEvent(QTimerEvent* e) {
  if (e->timerId() != blink_.timerId()) {
    QWidget::timerEvent(e);
    return;
  }
  caretOn_ = !caretOn_;
  update(CaretRect());
}

void GlyphLineBox::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Layout();
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
      button = 1;
      break;
    case Qt::RightButton:
      button = 2;
      break;
    case Qt::MiddleButton:
      button = 4;
      break;
    default:
      return;
  }
  const Qt::KeyboardModifiers m = e->modifiers();
  const int shift = (m.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                    (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
                    (m.testFlag(Qt::AltModifier) ? 4 : 0);
  emit mouseUp(button, shift, pos.x(), pos.y());
}

}  // namespace harf::ui
