// The window, driven headless through real Qt key and mouse events.
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "input/glyph_encoding.h"
#include "input/unicode_text.h"
#include "tables/key_layout.h"
#include "typing_cases.h"
#include "ui/glyph_widgets.h"
#include "window_driver.h"

using harf::GlyphCode;
using harf::testing::ClipboardBytes;
using harf::testing::Codes;
using harf::ui::frmMain;
Q_DECLARE_METATYPE(Codes)
Q_DECLARE_METATYPE(std::u32string)

namespace {

Codes CodesFromString(const char* spaced) {
  Codes out;
  for (const QString& n : QString::fromLatin1(spaced).split(u' ', Qt::SkipEmptyParts)) {
    out.push_back(static_cast<GlyphCode>(n.toInt()));
  }
  return out;
}

QString Printable(const Codes& codes) {
  QStringList parts;
  for (GlyphCode c : codes) parts << QString::number(c);
  return parts.join(u' ');
}

}  // namespace

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
  void init() {
    QGuiApplication::clipboard()->clear();
    w = std::make_unique<frmMain>();
    d = std::make_unique<harf::testing::WindowDriver>(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
  }
  void cleanup() {
    d.reset();
    w.reset();
  }

  void startUpState() {
    QCOMPARE(w->windowTitle(), QStringLiteral("Harf"));
    QVERIFY(child<QWidget>("frmSyst")->isVisible());
    QVERIFY(!child<QWidget>("frmArabic")->isVisible());
    QVERIFY(child<QAbstractButton>("cmdEnter")->isVisible());
    QCOMPARE(child<QAbstractButton>("cmdKeyb")->text(), QStringLiteral("Keyboard: Systematic"));
    QVERIFY(line().empty());
    QVERIFY(txtF()->toPlainText().isEmpty());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("cmdBkSp"));
    QCOMPARE(w->size(), QSize(677, 621));
    QVERIFY(!child<QLabel>("Label1")->text().isEmpty());
    const QList<QSize> iconSizes = w->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));
    // The Arabic keys are made when that layout is first shown.
    QVERIFY(!w->findChild<QWidget*>(QStringLiteral("cmdK_85")));
    switchLayout();
    int disabled = 0;
    for (int k = 0; k < harf::kKeyCount; ++k) disabled += key(k)->isEnabled() ? 0 : 1;
    QCOMPARE(disabled, 22);
  }

  void layoutSwitchesBothWays() {
    txtT()->setFocus();
    switchLayout();
    QVERIFY(child<QWidget>("frmArabic")->isVisible());
    QVERIFY(!child<QWidget>("frmSyst")->isVisible());
    QCOMPARE(child<QAbstractButton>("cmdKeyb")->text(), QStringLiteral("Keyboard: Arabic"));
    QVERIFY(key(85)->isVisible());
    switchLayout();
    QVERIFY(child<QWidget>("frmSyst")->isVisible());
    QVERIFY(!child<QWidget>("frmArabic")->isVisible());
    QCOMPARE(child<QAbstractButton>("cmdKeyb")->text(), QStringLiteral("Keyboard: Systematic"));
  }

  // Every case of the shared typed-key file, typed on the window's keyboard.
  void typedWords_data() {
    QTest::addColumn<bool>("arabic");
    QTest::addColumn<std::u32string>("typed");
    QTest::addColumn<Codes>("expectedLine");
    QTest::addColumn<bool>("checksText");
    QTest::addColumn<std::vector<Codes>>("expectedText");
    for (const auto& c : harf::testing::ReadTypingCases(harf::testing::TypingCasesPath())) {
      QTest::addRow("typing.tsv:%d", c.lineNumber)
          << (c.layout == harf::Layout::Arabic) << c.typed << c.line << c.checksText << c.text;
    }
  }
  void typedWords() {
    QFETCH(bool, arabic);
    QFETCH(std::u32string, typed);
    QFETCH(Codes, expectedLine);
    QFETCH(bool, checksText);
    QFETCH(std::vector<Codes>, expectedText);
    if (arabic) switchLayout();
    type(typed);
    QCOMPARE(Printable(model().line().Codes()), Printable(expectedLine));
    QCOMPARE(d->lineBoxDiffers(), QString());
    QCOMPARE(txtT()->cursorPosition(), 0U);
    if (checksText) QCOMPARE(textLines(), expectedText);
  }

  void clicksEnterTheKeysLetter_data() {
    QTest::addColumn<bool>("arabic");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<Codes>("expected");
    QTest::addRow("space key") << false << QList<int>{2, 0} << CodesFromString("32 108 32");
    QTest::addRow("arabic space key")
        << true << QList<int>{85, 122} << CodesFromString("32 108 32");
    QTest::addRow("arabic alif is alif") << true << QList<int>{70} << CodesFromString("97 32");
    QTest::addRow("systematic alif") << false << QList<int>{1} << CodesFromString("97 32");
    QTest::addRow("lam alif space")
        << false << QList<int>{23, 1, 0} << CodesFromString("32 252 32");
    QTest::addRow("arabic click-only parenthesis")
        << true << QList<int>{124} << CodesFromString("72");
    QTest::addRow("disabled fatha key") << false << QList<int>{2, 40} << CodesFromString("108 32");
    QTest::addRow("disabled alif wasla key") << false << QList<int>{53} << Codes{};
    QTest::addRow("disabled arabic shadda key")
        << true << QList<int>{85, 126} << CodesFromString("108 32");
    QTest::addRow("disabled arabic 134") << true << QList<int>{134, 135} << Codes{};
  }
  void clicksEnterTheKeysLetter() {
    QFETCH(bool, arabic);
    QFETCH(QList<int>, keys);
    QFETCH(Codes, expected);
    if (arabic) switchLayout();
    for (int k : keys) QTest::mouseClick(key(k), Qt::LeftButton);
    QCOMPARE(Printable(line()), Printable(expected));
  }

  void typedCharactersPressDisabledKeys() {
    type(U"ba");  // fatha, whose key is disabled
    QCOMPARE(line(), CodesFromString("74 108 32"));
    switchLayout();
    type(U"fX");  // shadda, key 126
    QCOMPARE(line(), CodesFromString("74 107 74 105 32"));
  }

  void limitOf45AppliesToTypingNotToClicks() {
    type(std::u32string(50, U'1'));
    QCOMPARE(model().line().size(), 45U);
    for (int i = 0; i < 15; ++i) QTest::mouseClick(key(31), Qt::LeftButton);
    QCOMPARE(model().line().size(), 60U);  // the box does not cut the line
    type(U"2 ");
    QCOMPARE(model().line().size(), 60U);
    typeChar(U'\r');  // Enter still works on a full line
    QCOMPARE(txtF()->toPlainText().size(), 60);
    QVERIFY(line().empty());
    type(U"2");
    QCOMPARE(line(), CodesFromString("82"));
  }

  void enterKeyRunsEnterOnceWhateverHasTheFocus_data() {
    QTest::addColumn<QString>("focus");
    QTest::addRow("line") << "txtT";
    QTest::addRow("enter button") << "cmdEnter";
    QTest::addRow("backspace button") << "cmdBkSp";
    QTest::addRow("a key") << "cmdK_2";
    QTest::addRow("text area") << "txtF";
  }
  void enterKeyRunsEnterOnceWhateverHasTheFocus() {
    QFETCH(QString, focus);
    type(U"b");
    child<QWidget>(focus.toLatin1().constData())->setFocus();
    typeChar(U'\r');
    QCOMPARE(model().text().lines().size(), 1U);
    QCOMPARE(Printable(textLines().at(0)), QStringLiteral("108 32"));
    QVERIFY(line().empty());
    expectLineFocused();
  }

  // Right after start-up the backspace button has the focus; a typed space
  // must insert one space and not also press that button.
  void spaceOnAFocusedButtonTypesOneSpace() {
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("cmdBkSp"));
    type(U"b");
    child<QWidget>("cmdBkSp")->setFocus();
    typeChar(U' ');
    QCOMPARE(line(), CodesFromString("32 108 32"));
    child<QWidget>("cmdKeyb")->setFocus();
    typeChar(U' ');
    QCOMPARE(child<QAbstractButton>("cmdKeyb")->text(), QStringLiteral("Keyboard: Systematic"));
    QCOMPARE(line(), CodesFromString("32 32 108 32"));
  }

  void enterEdgeCases() {
    QTest::mouseClick(child<QAbstractButton>("cmdEnter"), Qt::LeftButton);
    QVERIFY(model().text().empty());
    QVERIFY(txtF()->toPlainText().isEmpty());
    type(U"b");
    QTest::mouseClick(child<QAbstractButton>("cmdEnter"), Qt::LeftButton);
    QTest::mouseClick(child<QAbstractButton>("cmdEnter"), Qt::LeftButton);  // an empty last line
    type(U"l");
    QTest::mouseClick(child<QAbstractButton>("cmdEnter"), Qt::LeftButton);
    QCOMPARE(txtF()->toPlainText().split(u'\n').size(), 3);
    QTest::mouseClick(child<QAbstractButton>("cmdCopyText"), Qt::LeftButton);
    QCOMPARE(Printable(ClipboardBytes()), QStringLiteral("108 32 13 10 13 10 222 32"));
  }

  void copyLine_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("minimizes");
    QTest::addRow("left button") << "left" << true;
    QTest::addRow("middle button") << "middle" << true;
    QTest::addRow("right button") << "right" << false;
    QTest::addRow("F5") << "F5" << true;
    QTest::addRow("Shift+F5") << "Shift+F5" << true;
  }
  void copyLine() {
    QFETCH(QString, how);
    QFETCH(bool, minimizes);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    type(U"l' ");
    auto* copy = child<QAbstractButton>("cmdCopyClose");
    if (how == QLatin1String("left")) QTest::mouseClick(copy, Qt::LeftButton);
    if (how == QLatin1String("middle")) QTest::mouseClick(copy, Qt::MiddleButton);
    if (how == QLatin1String("right")) QTest::mouseClick(copy, Qt::RightButton);
    if (how == QLatin1String("F5")) release(Qt::Key_F5);
    if (how == QLatin1String("Shift+F5")) release(Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(Printable(ClipboardBytes()), QStringLiteral("32 252 32"));
    QCOMPARE(w->isMinimized(), minimizes);
    QCOMPARE(line(), CodesFromString("32 252 32"));  // the line stays
    expectLineFocused();
  }

  void copyLineOfAnEmptyLinePutsEmptyText() {
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    release(Qt::Key_F5);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
  }

  // Codes 128..255 leave as one Latin-1 character each, so X11's STRING target
  // carries one byte per glyph code.
  void copyTextSendsOneBytePerCodeAndMinimizes() {
    type(U"bmb\rjv\u00e4\r");
    QTest::mouseClick(child<QAbstractButton>("cmdCopyText"), Qt::LeftButton);
    QCOMPARE(Printable(ClipboardBytes()), QStringLiteral("107 182 32 13 10 96 193 117 32"));
    QCOMPARE(QGuiApplication::clipboard()->text().size(), 9);
    QVERIFY(w->isMinimized());
    expectLineFocused();
  }

  void clearCommandsLeaveTheOtherBox() {
    type(U"b\rt");
    QTest::mouseClick(child<QAbstractButton>("cmdClear"), Qt::LeftButton);
    QVERIFY(line().empty());
    QCOMPARE(txtF()->toPlainText().size(), 2);
    expectLineFocused();
    type(U"t");
    QGuiApplication::clipboard()->setText(QStringLiteral("keep"));
    QTest::mouseClick(child<QAbstractButton>("cmdClearText"), Qt::LeftButton);
    QVERIFY(txtF()->toPlainText().isEmpty());
    QVERIFY(model().text().empty());
    QCOMPARE(line(), CodesFromString("112 32"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("keep"));
    expectLineFocused();
    release(Qt::Key_F7, Qt::ControlModifier);
    QVERIFY(line().empty());
  }

  void backspaceAndDeleteAct_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addRow("Backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier);
    QTest::addRow("Delete") << int(Qt::Key_Delete) << int(Qt::NoModifier);
    QTest::addRow("Shift+Backspace") << int(Qt::Key_Backspace) << int(Qt::ShiftModifier);
    QTest::addRow("Ctrl+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier);
  }
  void backspaceAndDeleteAct() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    type(U"bbb");
    caretFromRight(2);  // the cursor does not matter to backspace
    QCOMPARE(txtT()->cursorPosition(), 2U);
    const auto k = static_cast<Qt::Key>(key);
    const auto m = static_cast<Qt::KeyboardModifiers>(modifiers);
    QTest::keyPress(target(), k, m);  // the press does nothing, nor does it edit the box
    QCOMPARE(line(), CodesFromString("107 106 105 32"));
    QTest::keyRelease(target(), k, m);
    QCOMPARE(line(), CodesFromString("107 105 32"));
    release(k, m, /*autoRepeat=*/true);  // a held key's repeats do not act
    QCOMPARE(line(), CodesFromString("107 105 32"));
    expectLineFocused();
  }

  void onScreenBackspaceAndUnboundKeys() {
    type(U"bb");
    QTest::mouseClick(child<QAbstractButton>("cmdBkSp"), Qt::LeftButton);
    QCOMPARE(line(), CodesFromString("108 32"));
    expectLineFocused();
    for (Qt::Key k : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F9, Qt::Key_Escape}) {
      QTest::keyClick(target(), k);
    }
    QCOMPARE(line(), CodesFromString("108 32"));
    QVERIFY(!w->isMinimized());
  }

  // The caret moves with the arrow keys, and a letter goes in where it stands.
  void caretMovesAndLettersGoInAtIt() {
    type(U"b b");  // 108 32 108 32
    QCOMPARE(line(), CodesFromString("108 32 108 32"));
    caretFromRight(2);
    QCOMPARE(txtT()->cursorPosition(), 2U);
    // The caret is drawn between the second and the third glyph.
    QCOMPARE(txtT()->view().caretX, txtT()->view().left[2]);
    QTest::mouseClick(key(3), Qt::LeftButton);
    QCOMPARE(line(), CodesFromString("108 32 111 105 32"));
    QCOMPARE(txtT()->cursorPosition(), 0U);
    QCOMPARE(txtT()->view().caretX, txtT()->view().left[0]);
    // The release of Right arrow puts the cursor back at 0, from any control.
    caretFromRight(1);
    QCOMPARE(txtT()->cursorPosition(), 4U);
    child<QWidget>("cmdKeyb")->setFocus();
    QTest::keyRelease(target(), Qt::Key_Right);
    expectLineFocused();
    QCOMPARE(txtT()->cursorPosition(), 0U);
    // Its press moves one glyph right first; Left stops at the left end.
    QTest::keyPress(txtT(), Qt::Key_Right);
    QCOMPARE(txtT()->cursorPosition(), 1U);
    QTest::keyRelease(txtT(), Qt::Key_Right);
    QTest::keyClick(txtT(), Qt::Key_Left);
    QCOMPARE(txtT()->cursorPosition(), 0U);
  }

  void clickIntoTheLinePutsTheCursorAt0() {
    type(U"bbbb");
    caretFromRight(3);
    QTest::mouseClick(txtT(), Qt::LeftButton, Qt::NoModifier, QPoint(txtT()->width() - 20, 10));
    QCOMPARE(txtT()->cursorPosition(), 0U);
    type(U"t");
    QCOMPARE(line(), CodesFromString("111 106 106 106 105 32"));
  }

  // A drag in the line selects the glyphs it passes over, each once its
  // middle is crossed, and is no click: the caret stays where it was.
  void dragInTheLineSelectsGlyphs() {
    type(U"bsm 'llh ");
    caretFromRight(2);
    const std::size_t caret = txtT()->cursorPosition();
    const auto& v = txtT()->view();
    const Codes shown = v.codes;
    QVERIFY(shown.size() > 5);
    const int y = txtT()->glyphArea().center().y();
    auto send = [this, y](QEvent::Type type, qreal x, Qt::MouseButtons held) {
      QMouseEvent e(type, QPointF(x, y), txtT()->mapToGlobal(QPointF(x, y)), Qt::LeftButton, held,
                    Qt::NoModifier);
      QApplication::sendEvent(txtT(), &e);
    };
    QSignalSpy selected(txtT(), &harf::ui::GlyphLineBox::selected);
    // From just right of the second glyph's middle to the middle of the fifth.
    const qreal advance1 = v.left[2] - v.left[1];
    send(QEvent::MouseButtonPress, v.left[1] + advance1 * 0.6, Qt::LeftButton);
    send(QEvent::MouseMove, v.left[3], Qt::LeftButton);
    send(QEvent::MouseMove, v.left[4] + (v.left[5] - v.left[4]) * 0.6, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, v.left[4] + (v.left[5] - v.left[4]) * 0.6, Qt::NoButton);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(txtT()->selectedCodes(), Codes(shown.begin() + 2, shown.begin() + 5));
    QCOMPARE(txtT()->cursorPosition(), caret);
    // Dragged back past the anchor, the other way; typing drops the selection.
    send(QEvent::MouseButtonPress, v.left[3], Qt::LeftButton);
    send(QEvent::MouseMove, 0, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 0, Qt::NoButton);
    QCOMPARE(txtT()->selectedCodes(), Codes(shown.begin(), shown.begin() + 3));
    type(U"b");
    QVERIFY(txtT()->selectedCodes().empty());
  }

  // Nothing reaches the boxes but what the engine writes: no undo or cut, no
  // middle-click paste, and a Ctrl chord types no letter. Ctrl+V is the
  // window's own paste, into the line, never into the text area.
  void boxesRefuseTextFromElsewhere() {
    type(U"b");
    QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
    txtT()->setFocus();
    QTest::keyClick(txtT(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(txtT(), Qt::Key_X, Qt::ControlModifier);
    QTest::mouseClick(txtT(), Qt::MiddleButton);
    QCOMPARE(line(), CodesFromString("108 32"));
    txtF()->setFocus();
    QTest::keyClick(txtF(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(txtF()->toPlainText().isEmpty());
    harf::Typist pasted;
    pasted.Type(U'b');
    pasted.PasteGlyphText(U"xyz");
    QCOMPARE(line(), pasted.line().Codes());
  }

  // Ctrl+V pastes what the clipboard holds: the window's own copy (glyph
  // text of the symbol kind), glyph text of the other kinds, or Unicode.
  void ctrlVPastesEitherKind() {
    type(U"bsm 'llh 'lrHmn");
    const Codes typed = line();
    const auto ctrlV = [this](const QString& text) {
      QTest::keyClick(child<QAbstractButton>("cmdClear"), Qt::Key_F7);
      release(Qt::Key_F7);
      QGuiApplication::clipboard()->setText(text);
      QTest::keyClick(txtT(), Qt::Key_V, Qt::ControlModifier);
      return line();
    };
    for (const harf::GlyphEncoding e : harf::kGlyphEncodings) {
      const std::u16string chars = harf::EncodeCodesUtf16(typed, e);
      QCOMPARE(ctrlV(QString::fromStdU16String(chars)), typed);
      QVERIFY2(!label().contains(QStringLiteral("left out")), qPrintable(label()));
    }
    // Unicode Arabic goes in as Paste Unicode types it.
    QCOMPARE(ctrlV(QStringLiteral("\u0644\u0627 ")), CodesFromString("32 252 32"));
    QCOMPARE(ctrlV(QStringLiteral("\uFEFB ")), CodesFromString("32 252 32"));
    expectLineFocused();
  }

  // A letter, digit or sign typed on an Arabic keyboard layout types that
  // letter with either layout shown, as Paste Unicode types one character.
  void arabicKeyboardTypesLetters() {
    for (int layout = 0; layout < 2; ++layout) {
      if (layout == 1) switchLayout();
      QTest::keyClick(txtT(), Qt::Key_F7);
      release(Qt::Key_F7);
      type(U"\u0644\u0627 \u0628\u0650\u062A ");
      QCOMPARE(line(), CodesFromString("32 111 74 105 32 252 32"));
      // A presentation form, and a committed input-method string.
      QTest::keyClick(txtT(), Qt::Key_F7);
      release(Qt::Key_F7);
      typeChar(U'\uFEFB');
      QInputMethodEvent im;
      im.setCommitString(QStringLiteral(" "));
      QApplication::sendEvent(txtT(), &im);
      QCOMPARE(line(), CodesFromString("32 252 32"));
      expectLineFocused();
    }
  }

  // --- Unicode in and out ------------------------------------------------

  void copyUnicodeByShortcut() {
    type(U"l' bit\r\u00e4m");
    QTest::keyClick(txtT(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("\u0670\u0645"));  // the line
    type(U"a");  // fatha on mim: letter 64 is U+0670, fatha U+064E
    QTest::keyClick(txtT(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("\u0644\u0627 \u0628\u0650\u062A"));  // the text area
    QCOMPARE(line(), CodesFromString("74 226 96 32"));            // the chords typed nothing
    QVERIFY(!w->isMinimized());
    expectLineFocused();
  }

  void pasteUnicode_data() {
    QTest::addColumn<QString>("typedFirst");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expectedLine");
    QTest::addColumn<QStringList>("expectedText");
    QTest::addColumn<QString>("label");  // what the label must contain; empty: unchanged
    QTest::addRow("lam alif") << ""
                              << "\u0644\u0627 "
                              << "32 252 32" << QStringList{} << "";
    QTest::addRow("goes on from the line") << "l"
                                           << "\u0627 "
                                           << "32 252 32" << QStringList{} << "";
    QTest::addRow("presentation forms") << ""
                                        << "\uFEFB "
                                        << "32 252 32" << QStringList{} << "";
    QTest::addRow("lines go to the text area")
        << "b"
        << "\u0628\n\u0644\u0627 \r\n\u0628"
        << "108 32" << QStringList{"107 105 32", "32 252 32"} << "";
    QTest::addRow("skipped are counted")
        << ""
        << "a\u0628c\U0001F600"
        << "108 32" << QStringList{} << "3 characters were left out";
    QTest::addRow("controls") << ""
                              << "\u0001\u0628\t"
                              << "108 32" << QStringList{} << "2 characters were left out";
    QTest::addRow("a refused sign") << ""
                                    << "\u0627\u064E"
                                    << "97 32" << QStringList{} << "1 character was left out";
    QTest::addRow("lone mark at the start") << ""
                                            << "\u064E\u0628"
                                            << "108 74 32" << QStringList{} << "";
    QTest::addRow("empty clipboard") << "b"
                                     << ""
                                     << "108 32" << QStringList{} << "the clipboard holds no text";
  }
  void pasteUnicode() {
    QFETCH(QString, typedFirst);
    QFETCH(QString, clipboard);
    QFETCH(QString, expectedLine);
    QFETCH(QStringList, expectedText);
    QFETCH(QString, label);
    type(typedFirst.toStdU32String());
    const QString before = child<QLabel>("Label1")->text();
    if (clipboard.isEmpty()) {
      QGuiApplication::clipboard()->clear();
    } else {
      QGuiApplication::clipboard()->setText(clipboard);
    }
    QTest::keyClick(txtT(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Printable(line()), expectedLine);
    QStringList text;
    for (const Codes& l : textLines()) text << Printable(l);
    QCOMPARE(text, expectedText);
    if (label.isEmpty()) {
      QCOMPARE(child<QLabel>("Label1")->text(), before);
    } else {
      QVERIFY2(child<QLabel>("Label1")->text().contains(label),
               qPrintable(child<QLabel>("Label1")->text()));
    }
    expectLineFocused();
  }

  // A megabyte of text converts at once into lines a typist would make: none
  // longer than 45 glyphs, every letter kept, the boxes showing them all.
  void pasteOneMegabyte() {
    QString word = QStringLiteral("\u0628\u0633\u0645 \u0627\u0644\u0644\u0647 ");
    const QString big = word.repeated(1'000'000 / static_cast<int>(word.toUtf8().size()) + 1);
    QGuiApplication::clipboard()->setText(big + QStringLiteral("\n") + big);
    QElapsedTimer timer;
    timer.start();
    w->PasteUnicode();
    qInfo("1 MB pasted as %zu lines in %lld ms", model().text().lines().size() + 1,
          static_cast<long long>(timer.elapsed()));
    QVERIFY(model().line().size() <= harf::kLineMaxLength);
    QVERIFY(model().text().lines().size() > 20'000);
    qsizetype shown = 0;
    QString letters;
    for (const harf::Line& l : model().text().lines()) {
      QVERIFY(l.size() <= harf::kLineMaxLength);
      shown += static_cast<qsizetype>(l.size()) + 1;
      letters += QString::fromStdU32String(harf::ToUnicode(l));
    }
    QCOMPARE(txtF()->toPlainText().size(), shown - 1);
    letters += QString::fromStdU32String(harf::ToUnicode(model().line()));
    QString all = big + big;
    QCOMPARE(letters.remove(QChar(u' ')), all.remove(QChar(u' ')));
  }

  void unicodeCommandsAreOnTheBoxesMenus() {
    QCOMPARE(txtT()->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(txtF()->contextMenuPolicy(), Qt::CustomContextMenu);
    QStringList shortcuts;
    for (QAction* a : w->actions()) shortcuts << a->shortcut().toString();
    QCOMPARE(shortcuts, (QStringList{"Ctrl+Shift+C", "Ctrl+Shift+T", "Ctrl+Shift+V", "Ctrl+Shift+L",
                                     "Ctrl+V"}));
    QVERIFY(txtT()->toolTip().contains(QStringLiteral("Ctrl+Shift+V")));
  }

  void keysShowPicturesAndTooltips() {
    switchLayout();  // makes the Arabic keys
    const auto& keys = harf::Keys();
    for (const harf::KeyDef& k : keys) {
      auto* b = qobject_cast<harf::ui::FlatButton*>(key(k.index));
      QVERIFY(b);
      QCOMPARE(b->picture().isNull(), k.picture == harf::kNoPicture);
      if (k.picture == harf::kNoPicture) continue;
      // 30 x 35, or shrunk to the room the key has, in the same proportions.
      const QSizeF size = b->picture().deviceIndependentSize();
      QVERIFY(size.width() <= 30 && size.height() <= 35);
      QVERIFY(size.width() <= b->pictureRoom().width() &&
              size.height() <= b->pictureRoom().height());
      QVERIFY(qAbs(size.width() / size.height() - 30.0 / 35.0) < 0.05);
      const QImage img = b->picture().toImage();
      int inked = 0;
      for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) inked += qAlpha(img.pixel(x, y)) > 128 ? 1 : 0;
      }
      QVERIFY2(inked > 3, qPrintable(QStringLiteral("key %1 has an empty picture").arg(k.index)));
    }
    QVERIFY(key(126)->toolTip().startsWith(QStringLiteral("shadda")));  // shows sukun's picture
    QVERIFY(key(2)->toolTip().contains(QStringLiteral("\u201cb\u201d")));
    QVERIFY(key(85)->toolTip().contains(QStringLiteral("\u201cf\u201d")));
    QVERIFY(key(91)->toolTip().contains(QStringLiteral("\u201c^\u201d or \u201c#\u201d")));
    QVERIFY(key(40)->toolTip().contains(
        QStringLiteral("\u201ca\u201d (the key itself cannot be clicked)")));
    // Keys whose letter cannot be entered with their layout say so, and not
    // that a click enters it.
    int unenterable = 0;
    for (const harf::KeyDef& k : keys) {
      const QString tip = key(k.index)->toolTip();
      const bool typed = !harf::TypedCharsOf(k.index).empty();
      if (k.index < 134 && !k.enabled && !typed) {
        ++unenterable;
        QVERIFY2(tip.contains(QStringLiteral("cannot be entered")), qPrintable(tip));
      }
      QVERIFY2(!tip.contains(QStringLiteral("click the key")) || k.enabled, qPrintable(tip));
    }
    QCOMPARE(unenterable, 8);  // alif wasla twice, the six vowel signs on the Arabic layout
    QVERIFY(key(53)->toolTip().contains(QStringLiteral("Paste Unicode")));
    for (const harf::KeyDef& k : keys) {
      if (k.frame == harf::Layout::Arabic && harf::LetterOfKey(k.index) == 40) {
        QVERIFY2(key(k.index)->toolTip().contains(
                     QStringLiteral("type \u201ca\u201d with the Systematic layout shown")),
                 qPrintable(key(k.index)->toolTip()));
      }
    }
  }
  // --- The widgets show the model --------------------------------------------

  // Line breaks that make no line in the model make none in the box, so the
  // box holds exactly what Copy Text copies.
  void textAreaShowsWhatCopyTextCopies_data() {
    QTest::addColumn<QString>("typedFirst");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<int>("lines");
    QTest::addRow("leading blank lines") << ""
                                         << "\n\n\n\u0643\u062A\u0628\n\u0642\u0644\u0645\n"
                                         << 2;
    QTest::addRow("blank lines after text") << "b\r"
                                            << "\n\n\u0628" << 3;
    QTest::addRow("only line breaks") << "" << QString(20000, u'\n') << 0;
  }
  void textAreaShowsWhatCopyTextCopies() {
    QFETCH(QString, typedFirst);
    QFETCH(QString, pasted);
    QFETCH(int, lines);
    type(typedFirst.toStdU32String());
    w->PasteUnicodeText(pasted);
    QCOMPARE(static_cast<int>(textLines().size()), lines);
    QTest::mouseClick(child<QAbstractButton>("cmdCopyText"), Qt::LeftButton);
    Codes shown;
    const std::vector<Codes> boxLines = textLines();
    for (std::size_t i = 0; i < boxLines.size(); ++i) {
      if (i > 0) shown.insert(shown.end(), {13, 10});
      shown.insert(shown.end(), boxLines[i].begin(), boxLines[i].end());
    }
    QCOMPARE(Printable(ClipboardBytes()), Printable(shown));
  }

  // Five megabytes of line breaks into an empty text area make nothing.
  void manyLineBreaksIntoAnEmptyTextArea() {
    w->PasteUnicodeText(QString(5'000'000, u'\n'));
    QVERIFY(model().text().empty());
    QVERIFY(txtF()->toPlainText().isEmpty());
    QCOMPARE(txtF()->document()->blockCount(), 1);
  }

  // A line far longer than the box: only what fits is laid out, the caret
  // stays in view, and the end the caret is at is the end shown.
  void longLineShowsTheCaretsEnd() {
    // Clicks have no length limit (a paste breaks its lines at 45 glyphs).
    for (int i = 0; i < 2'000; ++i) key(2)->click();
    const std::size_t n = model().line().size();
    QCOMPARE(n, 2'001U);
    const auto& v = txtT()->view();
    QVERIFY(!v.codes.empty() && v.codes.size() < 200);
    QCOMPARE(v.first, 1U);
    QCOMPARE(v.caretX, v.left[0]);
    QCOMPARE(v.left[0], qreal(txtT()->glyphArea().left()));
    QTest::keyClick(txtT(), Qt::Key_End);
    QCOMPARE(txtT()->cursorPosition(), n);
    QCOMPARE(v.first + v.codes.size() - 1, n);  // the right end is shown
    QVERIFY(v.caretX <= txtT()->glyphArea().right() + 1);
    QVERIFY(v.caretX > txtT()->glyphArea().right() - 20);
    for (std::size_t i = 0; i < v.codes.size(); ++i) {
      QCOMPARE(v.codes[i], model().line().CodeAt(v.first + i));
    }
    QTest::keyClick(txtT(), Qt::Key_Left);
    QCOMPARE(v.first + v.codes.size() - 1, n);  // no scrolling while the caret is in view
    QTest::keyClick(txtT(), Qt::Key_Home);
    QCOMPARE(v.first, 1U);
    QCOMPARE(line().front(), model().line().CodeAt(1));
    type(U"t");
    QCOMPARE(model().line().size(), n);  // typing stops at 45
    QTest::mouseClick(key(3), Qt::LeftButton);
    QCOMPARE(line().front(), model().line().CodeAt(1));
    QCOMPARE(model().line().size(), n + 1);
  }

  // A message in the label lasts until the next key, click or command.
  void labelReturnsToItsCreditLine() {
    const QString credit = label();
    w->PasteUnicodeText(QStringLiteral("a\u0628"));
    QVERIFY(label().contains(QStringLiteral("1 character was left out")));
    w->PasteUnicodeText(QStringLiteral("\u0628"));
    QCOMPARE(label(), credit);
    w->PasteUnicodeText(QStringLiteral("xy"));
    QVERIFY(label().contains(QStringLiteral("2 characters were")));
    typeChar(U'Q');  // presses no key, but is a key all the same
    QCOMPARE(label(), credit);
    w->PasteUnicodeText(QString());
    QVERIFY(label().contains(QStringLiteral("clipboard holds no text")));
    switchLayout();
    QCOMPARE(label(), credit);
  }

  // Text an input method or a dead-key sequence commits types exactly as the
  // same characters typed on the keyboard, whichever control has the focus.
  void inputMethodCommitsAreTyped_data() {
    QTest::addColumn<bool>("arabic");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("typedAfter");
    QTest::addColumn<QString>("sameAsTyping");
    QTest::addRow("dead circumflex, then space") << true << "txtT"
                                                 << "^"
                                                 << " "
                                                 << "# ";
    QTest::addRow("dead key on a focused button") << true << "cmdKeyb"
                                                  << "^"
                                                  << ""
                                                  << "#";
    QTest::addRow("composed umlaut") << true << "txtF"
                                     << "\u00fc"
                                     << "f"
                                     << "\u00fcf";
    QTest::addRow("several characters") << false << "txtT"
                                        << "ktb"
                                        << ""
                                        << "ktb";
    QTest::addRow("enter in a commit") << false << "txtT"
                                       << "b\r"
                                       << "t"
                                       << "b\rt";
  }
  void inputMethodCommitsAreTyped() {
    QFETCH(bool, arabic);
    QFETCH(QString, focus);
    QFETCH(QString, commit);
    QFETCH(QString, typedAfter);
    QFETCH(QString, sameAsTyping);
    if (arabic) switchLayout();
    type(sameAsTyping.toStdU32String());
    const Codes typedLine = line();
    const std::vector<Codes> typedText = textLines();
    QVERIFY(!typedLine.empty());
    QTest::mouseClick(child<QAbstractButton>("cmdClearText"), Qt::LeftButton);
    QTest::mouseClick(child<QAbstractButton>("cmdClear"), Qt::LeftButton);

    child<QWidget>(focus.toLatin1().constData())->setFocus();
    QInputMethodEvent e;
    e.setCommitString(commit);
    QApplication::sendEvent(QApplication::focusWidget(), &e);
    type(typedAfter.toStdU32String());
    QCOMPARE(Printable(line()), Printable(typedLine));
    QCOMPARE(textLines(), typedText);
    // Every control takes input-method text, so a dead key is composed
    // wherever the focus is.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(child<QWidget>("cmdBkSp"), &query);
    QVERIFY(query.value(Qt::ImEnabled).toBool());
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
