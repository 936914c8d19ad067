// frmMain and the clipboard: the glyph codes offered to other programs, and
// the commands that copy and paste Unicode Arabic or legacy-font text.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include "input/glyph_encoding.h"
#include "input/unicode_text.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#if HARF_X11
#include "ui/x_selection.h"
#endif

namespace harf::ui {

void frmMain::CopyToClipboard(const std::vector<GlyphCode>& codes) {
  Offer(QClipboard::Clipboard, codes);
}

// On X11 the selection is owned here, so that STRING carries the bytes and
// the Unicode targets the font's characters; elsewhere, and should the X
// server give the selection to no one, QClipboard gets what it can carry.
void frmMain::Offer(QClipboard::Mode mode, const std::vector<GlyphCode>& codes) {
  ClipboardText text = ClipboardTextOf(codes, encoding_);
#if HARF_X11
  const auto which =
      mode == QClipboard::Selection ? XSelection::Which::Primary : XSelection::Which::Clipboard;
  if (xSelection_ && xSelection_->Own(which, text.bytes, text.utf8)) return;
#endif
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (mode == QClipboard::Selection && !clipboard->supportsSelection()) return;
  clipboard->clear(mode);
  clipboard->setMimeData(GlyphMimeData(text), mode);
}

void frmMain::BuildUnicodeCommands() {
  auto action = [this](const QString& text, const QKeySequence& keys, void (frmMain::*slot)()) {
    auto* a = new QAction(text, this);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  actCopyLineUnicode =
      action(tr("Copy Line as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+C")),
             &frmMain::CopyLineUnicode);
  actCopyTextUnicode =
      action(tr("Copy Text as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+T")),
             &frmMain::CopyTextUnicode);
  actPasteUnicode = action(tr("Paste Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+V")),
                           &frmMain::PasteUnicode);
  actPasteGlyphText =
      action(tr("Paste Legacy-Font Text"), QKeySequence(QStringLiteral("Ctrl+Shift+L")),
             &frmMain::PasteGlyphText);
  actPaste = action(tr("Paste"), QKeySequence(QStringLiteral("Ctrl+V")), &frmMain::Paste);
  actPaste->setToolTip(
      tr("Paste what the clipboard holds: Unicode Arabic, or text in the legacy font"));
  actPasteGlyphText->setToolTip(
      tr("Paste text copied from a document set in the legacy font: its letters are read back "
         "from the glyph codes and typed in"));
  const QString hint =
      tr("Right-click for Unicode: Copy Line (%1), Copy Text (%2), Paste Unicode (%3), "
         "Paste Legacy-Font Text (%4)")
          .arg(actCopyLineUnicode->shortcut().toString(QKeySequence::NativeText),
               actCopyTextUnicode->shortcut().toString(QKeySequence::NativeText),
               actPasteUnicode->shortcut().toString(QKeySequence::NativeText),
               actPasteGlyphText->shortcut().toString(QKeySequence::NativeText));
  for (QWidget* box : {static_cast<QWidget*>(txtT), static_cast<QWidget*>(txtF)}) {
    box->setToolTip(hint);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
      QMenu menu(this);
      menu.addActions(
          {actPaste, actCopyLineUnicode, actCopyTextUnicode, actPasteUnicode, actPasteGlyphText});
      menu.setToolTipsVisible(true);
      menu.exec(box->mapToGlobal(pos));
    });
  }
  Label1->setToolTip(hint);
}

void frmMain::CopyLineUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(typist_.CopyLine())));
  FocusLine();
  Mirror();
}

void frmMain::CopyTextUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(typist_.CopyText())));
  FocusLine();
  Mirror();
}

// What the window itself put on the clipboard is read from what it offers:
// through the X server one request carries no more than the server's request
// size.
QString frmMain::ClipboardString() const {
#if HARF_X11
  if (xSelection_) {
    if (const QByteArray* utf8 = xSelection_->offeredUtf8(XSelection::Which::Clipboard)) {
      return QString::fromUtf8(*utf8);
    }
  }
#endif
  return QGuiApplication::clipboard()->text();
}

void frmMain::PasteUnicode() {
  PasteUnicodeText(ClipboardString());
}

// The text is typed in as if from the keyboard, without the keyboard's length
// limit; the model says in the label what could not be typed.
void frmMain::PasteUnicodeText(const QString& text) {
  typist_.PasteUnicode(text.toStdU32String());
  FocusLine();
  Mirror();
}

void frmMain::PasteGlyphText() {
  PasteGlyphTextOf(ClipboardString());
}

void frmMain::PasteGlyphTextOf(const QString& text) {
  typist_.PasteGlyphText(text.toStdU32String());
  FocusLine();
  Mirror();
}

void frmMain::Paste() {
  PasteText(ClipboardString());
}

void frmMain::PasteText(const QString& text) {
  typist_.PasteAny(text.toStdU32String());
  FocusLine();
  Mirror();
}

}  // namespace harf::ui
