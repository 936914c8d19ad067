#include "ui/key_pictures.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "shaping/glyph_text.h"

namespace harf::ui {
namespace {

constexpr char16_t kDottedCircle = 0x25CC;

// The Unicode mark of each vowel sign, for its picture.
char16_t MarkOf(LetterIndex letter) {
  switch (letter) {
    case 40:
      return 0x064E;  // fatha
    case 41:
      return 0x0650;  // kasra
    case 42:
      return 0x064F;  // damma
    case 43:
      return 0x064B;  // fathatan
    case 44:
      return 0x064D;  // kasratan
    case 45:
      return 0x064C;  // dammatan
    case 56:
      return 0x0652;  // sukun
    case 57:
      return 0x0651;  // shadda
    default:
      return 0;
  }
}

QChar BoxChar(GlyphCode code) {
  return QChar(static_cast<char16_t>(kBoxBase + code));
}

// Fills `path` into a box of the given size, centred on the
// path's outline, scaled down only where the outline would not fit.
void DrawCentred(QPainter& p, const QPainterPath& path, const QSizeF& box, qreal margin) {
  const QRectF bounds = path.boundingRect();
  if (bounds.isEmpty()) return;
  const qreal room = std::min((box.width() - 2 * margin) / bounds.width(),
                              (box.height() - 2 * margin) / bounds.height());
  const qreal scale = std::min<qreal>(1.0, room);
  p.save();
  p.translate(box.width() / 2, box.height() / 2);
  p.scale(scale, scale);
  p.translate(-bounds.center());
  p.drawPath(path);
  p.restore();
}

}  // namespace

QString PictureText(LetterIndex letter) {
  if (const char16_t mark = MarkOf(letter)) return QString(QChar(kDottedCircle)) + QChar(mark);
  if (letter == 64) return QString(QChar(kDottedCircle)) + BoxChar(IsoGlyph[64]);
  return QString(BoxChar(IsoGlyph[letter]));
}

QPixmap KeyPicture(LetterIndex letter, const QString& family, qreal dpr) {
  QImage image(QSize(kPictureWidth, kPictureHeight) * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QFont font(family);
  font.setPixelSize(26);
  font.setStyleStrategy(QFont::NoFontMerging);
  QPainterPath path;
  path.addText(0, 0, font, PictureText(letter));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 32, 32));
  DrawCentred(p, path, QSizeF(kPictureWidth, kPictureHeight), 1.5);
  p.end();
  return QPixmap::fromImage(image);
}

QIcon WindowIcon(const QString& family) {
  QIcon icon;
  for (const int size : {16, 32}) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 64, 64));
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font(family);
    font.setPixelSize(size);
    font.setStyleStrategy(QFont::NoFontMerging);
    QPainterPath path;
    path.addText(0, 0, font, QString(BoxChar(IsoGlyph[6])));  // hha
    p.setBrush(Qt::white);
    DrawCentred(p, path, QSizeF(size, size), size / 8.0);
    p.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace harf::ui
