#include "ui/glyph_line_box.h"

#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/glyph_widgets.h"

namespace harf::ui {

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

}  // namespace harf::ui
