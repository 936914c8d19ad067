// The window, driven headless through real Qt key and mouse events: the test
// class, whose cases are split by topic over frm_main_*test.cpp.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "input/glyph_encoding.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#include "window_driver.h"

using harf::GlyphCode;
using harf::testing::ClipboardBytes;
using harf::testing::Codes;
using harf::ui::frmMain;
Q_DECLARE_METATYPE(Codes)
Q_DECLARE_METATYPE(std::u32string)

inline Codes CodesFromString(const char* spaced) {
  Codes out;
  for (const QString& n : QString::fromLatin1(spaced).split(u' ', Qt::SkipEmptyParts)) {
    out.push_back(static_cast<GlyphCode>(n.toInt()));
  }
  return out;
}

inline QString Printable(const Codes& codes) {
  QStringList parts;
  for (GlyphCode c : codes) parts << QString::number(c);
  return parts.join(u' ');
}

class FrmMainTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<frmMain> w;
  std::unique_ptr<harf::testing::WindowDriver> d;

  template <typename T>
  T* child(const char* name) {
    return d->child<T>(QLatin1String(name));
  }
  harf::ui::GlyphLineBox* txtT() { return d->txtT(); }
  const harf::Typist& model() { return w->typist(); }
  QString label() { return child<QLabel>("Label1")->text(); }
  // Puts the caret `left` glyphs left of the line's right end, with the keys.
  void caretFromRight(int left) {
    QTest::keyClick(txtT(), Qt::Key_End);
    for (int i = 0; i < left; ++i) QTest::keyClick(txtT(), Qt::Key_Left);
  }
  QPlainTextEdit* txtF() { return d->txtF(); }
  QAbstractButton* key(int index) { return d->key(index); }
  Codes line() { return d->line(); }
  std::vector<Codes> textLines() { return d->textLines(); }
  QWidget* target() { return d->target(); }
  void typeChar(char32_t c) { d->typeChar(c); }
  void type(const std::u32string& s) { d->type(s); }
  void release(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier, bool autoRepeat = false) {
    d->release(k, m, autoRepeat);
  }
  void switchLayout() { QTest::mouseClick(child<QAbstractButton>("cmdKeyb"), Qt::LeftButton); }
  void expectLineFocused() { QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(txtT())); }

 private slots:
  // Start-up, layouts, keys and label (frm_main_test.cpp).
  void init();
  void cleanup();
  void startUpState();
  void layoutSwitchesBothWays();
  void keysShowPicturesAndTooltips();
  void labelReturnsToItsCreditLine();

  // Typing (frm_main_typing_test.cpp).
  void typedWords_data();
  void typedWords();
  void clicksEnterTheKeysLetter_data();
  void clicksEnterTheKeysLetter();
  void typedCharactersPressDisabledKeys();
  void limitOf45AppliesToTypingNotToClicks();
  void enterKeyRunsEnterOnceWhateverHasTheFocus_data();
  void enterKeyRunsEnterOnceWhateverHasTheFocus();
  void spaceOnAFocusedButtonTypesOneSpace();
  void enterEdgeCases();
  void backspaceAndDeleteAct_data();
  void backspaceAndDeleteAct();
  void onScreenBackspaceAndUnboundKeys();
  void arabicKeyboardTypesLetters();
  void inputMethodCommitsAreTyped_data();
  void inputMethodCommitsAreTyped();

  // The caret and what the boxes show (frm_main_caret_test.cpp).
  void caretMovesAndLettersGoInAtIt();
  void clickIntoTheLinePutsTheCursorAt0();
  void dragInTheLineSelectsGlyphs();
  void textAreaShowsWhatCopyTextCopies_data();
  void textAreaShowsWhatCopyTextCopies();
  void manyLineBreaksIntoAnEmptyTextArea();
  void longLineShowsTheCaretsEnd();

  // Copy and paste (frm_main_clipboard_test.cpp).
  void copyLine_data();
  void copyLine();
  void copyLineOfAnEmptyLinePutsEmptyText();
  void copyTextSendsOneBytePerCodeAndMinimizes();
  void clearCommandsLeaveTheOtherBox();
  void boxesRefuseTextFromElsewhere();
  void ctrlVPastesEitherKind();
  void copyUnicodeByShortcut();
  void pasteUnicode_data();
  void pasteUnicode();
  void pasteOneMegabyte();
  void unicodeCommandsAreOnTheBoxesMenus();
};
