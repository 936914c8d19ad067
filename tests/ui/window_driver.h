// Drives a frmMain through real Qt key and mouse events, and reads its boxes
// back as glyph codes. Shared by the window tests and the soak test.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "input/glyph_encoding.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"

namespace harf::testing {

using Codes = std::vector<GlyphCode>;

// The glyph codes a box's text stands for; three 255s where the text holds a
// character no glyph code makes, so a comparison fails visibly.
inline Codes CodesOf(const QString& boxText) {
  const std::u16string text = boxText.toStdU16String();
  std::u32string chars(text.begin(), text.end());
  for (const char32_t ch : chars) {
    if (ch < kSymbolBase || ch > kSymbolBase + 0xFF) return Codes{0xFF, 0xFF, 0xFF};
  }
  return DecodeChars(chars, GlyphEncoding::Symbol).codes;
}

// The glyph codes the clipboard holds where Harf does not own the X
// selections (these tests run offscreen): both text formats carry the display
// font kind's characters, CR LF between lines. Three 255s where the two
// formats differ or a character is no glyph code, so a comparison fails
// visibly. The bytes X11's STRING target carries are checked in
// x_selection_e2e.sh against a real X server.
inline Codes ClipboardBytes(QClipboard::Mode mode = QClipboard::Clipboard) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
  if (data == nullptr) return {};
  const QByteArray utf8 = data->data(QStringLiteral("text/plain;charset=utf-8"));
  if (data->data(QStringLiteral("text/plain")) != utf8) return Codes{0xFF, 0xFF, 0xFF};
  const std::u32string text = QString::fromUtf8(utf8).toStdU32String();
  const GlyphEncoding e = DetectEncoding(text);
  Codes codes;
  for (const char32_t ch : text) {
    const auto code = ch == U'\r' || ch == U'\n'
                          ? std::optional<GlyphCode>(static_cast<GlyphCode>(ch))
                          : CodeOfChar(ch, e);
    if (!code || (ch < 0x20 && ch != U'\r' && ch != U'\n')) return Codes{0xFF, 0xFF, 0xFF};
    codes.push_back(*code);
  }
  return codes;
}

// The characters of the Unicode text target, "text/plain;charset=utf-8".
inline QString ClipboardUnicode(QClipboard::Mode mode = QClipboard::Clipboard) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
  return data ? QString::fromUtf8(data->data(QStringLiteral("text/plain;charset=utf-8")))
              : QString();
}

class WindowDriver {
 public:
  explicit WindowDriver(ui::frmMain& w) : w_(w) {}

  template <typename T>
  T* child(const QString& name) const {
    T* c = w_.findChild<T*>(name);
    if (!c) qFatal("no control %s", qPrintable(name));
    return c;
  }
  ui::GlyphLineBox* txtT() const { return child<ui::GlyphLineBox>(QStringLiteral("txtT")); }
  QPlainTextEdit* txtF() const { return child<QPlainTextEdit>(QStringLiteral("txtF")); }
  QAbstractButton* key(int index) const {
    return child<QAbstractButton>(QStringLiteral("cmdK_%1").arg(index));
  }
  QAbstractButton* button(const char* name) const {
    return child<QAbstractButton>(QLatin1String(name));
  }

  // The glyph codes the line box draws (the whole line when it fits).
  Codes line() const { return txtT()->view().codes; }
  // The text area's lines as the box shows them.
  std::vector<Codes> textLines() const {
    std::vector<Codes> out;
    if (txtF()->toPlainText().isEmpty()) return out;
    for (const QString& l : txtF()->toPlainText().split(u'\n')) out.push_back(CodesOf(l));
    return out;
  }

  // Whether the line box draws the model's line: the glyphs it shows are the
  // line's from its first shown position on, the caret is the cursor, and the
  // whole line is shown when it fits. Empty when it does, else what differs.
  QString lineBoxDiffers() const {
    const Line& line = w_.typist().line();
    const auto& v = txtT()->view();
    if (v.cursor != line.cursor()) return QStringLiteral("the caret is not at the cursor");
    if (line.empty()) return v.codes.empty() ? QString() : QStringLiteral("glyphs on no line");
    if (v.first < 1 || v.first + v.codes.size() - 1 > line.size())
      return QStringLiteral("shows glyphs the line does not have");
    for (std::size_t i = 0; i < v.codes.size(); ++i) {
      if (v.codes[i] != line.CodeAt(v.first + i))
        return QStringLiteral("glyph %1 differs").arg(v.first + i);
    }
    const QRect area = txtT()->glyphArea();
    if (v.caretX < area.left() || v.caretX > area.right() + 1)
      return QStringLiteral("the caret is out of view");
    const qreal used = v.codes.empty() ? 0 : area.right() + 1 - v.left.front();
    if (v.codes.size() < line.size() && used < area.width() / 2)
      return QStringLiteral("a part of the line is hidden while the box is half empty");
    return QString();
  }

  // Where the keyboard's events go: the focused control, else the window.
  QWidget* target() const {
    QWidget* f = QApplication::focusWidget();
    return f ? f : &w_;
  }

  // One typed character as the keyboard delivers it: press and release.
  // U+0008 is the Backspace key and U+000D the Enter key.
  void typeChar(char32_t c, QWidget* to = nullptr) const {
    QWidget* t = to ? to : target();
    if (c == U'\b') {
      QTest::keyClick(t, Qt::Key_Backspace);
      return;
    }
    if (c == U'\r') {
      QTest::keyClick(t, Qt::Key_Return);
      return;
    }
    const QString text = QString::fromUcs4(&c, 1);
    // Qt's key code of a Latin-1 character is its upper-case code.
    const auto code = static_cast<Qt::Key>(text.toUpper().at(0).unicode());
    QTest::sendKeyEvent(QTest::Press, t, code, text, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, t, code, text, Qt::NoModifier);
  }
  void type(const std::u32string& s) const {
    for (char32_t c : s) typeChar(c);
  }
  // A key release as a held key repeats it (autoRepeat) or as it ends.
  void release(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier, bool autoRepeat = false) const {
    QKeyEvent e(QEvent::KeyRelease, k, m, QString(), autoRepeat);
    QApplication::sendEvent(target(), &e);
  }
  void click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) const { QTest::mouseClick(w, b); }

 private:
  ui::frmMain& w_;
};

}  // namespace harf::testing
