#include "ui/clipboard_text.h"

#include <QMimeData>
#include <QString>
#include <string>

namespace harf::ui {

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

}  // namespace harf::ui
