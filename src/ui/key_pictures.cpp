#include "ui/key_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include "input/glyph_encoding.h"
#include "input/key_faces.h"
#include "tables/unicode_table.h"

namespace harf::ui {
namespace {

QString CodeText(GlyphCode code, GlyphEncoding e) {
  const char32_t ch = CharOfCode(code, e);
  return QString::fromUcs4(&ch, 1);
}

// Fills `path` into a box, centred on the path's outline: scaled by `scale`,
// or less where the outline would not fit within the margin.
void DrawCentred(QPainter& p, const QPainterPath& path, const QSizeF& box, qreal margin,
                 qreal scale) {
  const QRectF bounds = path.boundingRect();
  if (bounds.isEmpty()) return;
  const qreal room = std::min((box.width() - 2 * margin) / bounds.width(),
                              (box.height() - 2 * margin) / bounds.height());
  scale = std::min(scale, room);
  p.save();
  p.translate(box.width() / 2, box.height() / 2);
  p.scale(scale, scale);
  p.translate(-bounds.center());
  p.drawPath(path);
  p.restore();
}

// The outline of `text` set glyph after glyph from the font's own outlines,
// with no text layout: nothing in these pictures needs shaping, and drawing
// sixty of them through the layout engine cost most of the window's start-up.
QPainterPath Outline(const QRawFont& font, const QString& text) {
  const QList<quint32> glyphs = font.glyphIndexesForString(text);
  const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
  QPainterPath path;
  QPointF pen;
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    path.addPath(font.pathForGlyph(glyphs[i]).translated(pen));
    pen += advances[i];
  }
  return path;
}

}  // namespace

QString PictureText(LetterIndex letter) {
  return QString::fromStdU32String(KeyPictureText(letter));
}

QRawFont PictureFont(const QFont& font) {
  return QRawFont::fromFont(font);
}

QPixmap KeyPicture(LetterIndex letter, const PictureFonts& fonts, qreal dpr, QSizeF size) {
  // A letter's picture is its glyph from the display font, in the display
  // font's own kind; a sign's, the sign on a dotted circle from the stand-in.
  const bool sign = IsSignLetter(letter);
  const QRawFont& font = sign ? fonts.signs : fonts.letters;
  const QString text =
      sign ? PictureText(letter) : CodeText(IsoGlyph[LetterSlot(letter)], fonts.encoding);
  QImage image((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 32, 32));
  const qreal shrink = size.width() / kPictureWidth;
  DrawCentred(p, Outline(font, text), size, 1.5 * shrink,
              shrink * kPicturePixelSize / font.pixelSize());
  p.end();
  return QPixmap::fromImage(image);
}

QSize PictureSizeFor(const QSize& room) {
  QSizeF size(kPictureWidth, kPictureHeight);
  size.scale(size.boundedTo(QSizeF(room)), Qt::KeepAspectRatio);
  return size.toSize();
}

QPixmap ArrowPicture(const QSize& size, qreal dpr) {
  QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 32, 32));
  const qreal w = size.width();
  const qreal h = size.height();
  // A shaft and a wide head, as the key has always shown it.
  const QPointF arrow[] = {{0, h * 0.38}, {w * 0.55, h * 0.38}, {w * 0.55, h * 0.12},
                           {w, h * 0.5},  {w * 0.55, h * 0.88}, {w * 0.55, h * 0.62},
                           {0, h * 0.62}};
  p.drawPolygon(arrow, static_cast<int>(std::size(arrow)));
  p.end();
  return QPixmap::fromImage(image);
}

QIcon WindowIcon(const PictureFonts& fonts) {
  const QRawFont& font = fonts.letters;
  const QPainterPath hha = Outline(font, CodeText(IsoGlyph[kHha], fonts.encoding));
  QIcon icon;
  for (const int size : {16, 32}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 64, 64));
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    p.setBrush(Qt::white);
    DrawCentred(p, hha, QSizeF(size, size), size / 8.0, 2.0 * size / font.pixelSize());
    p.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace harf::ui
