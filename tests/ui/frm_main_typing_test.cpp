// Typing into the window: the shared typed-key cases, clicks on the keys, Enter,
// Backspace and Delete, an Arabic keyboard layout and input methods.
#include <QInputMethodEvent>

#include "frm_main_test.h"
#include "tables/key_layout.h"
#include "typing_cases.h"

// Every case of the shared typed-key file, typed on the window's keyboard.
void FrmMainTest::typedWords_data() {
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

void FrmMainTest::typedWords() {
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

void FrmMainTest::clicksEnterTheKeysLetter_data() {
  QTest::addColumn<bool>("arabic");
  QTest::addColumn<QList<int>>("keys");
  QTest::addColumn<Codes>("expected");
  QTest::addRow("space key") << false << QList<int>{2, 0} << CodesFromString("32 108 32");
  QTest::addRow("arabic space key") << true << QList<int>{85, 122} << CodesFromString("32 108 32");
  QTest::addRow("arabic alif is alif") << true << QList<int>{70} << CodesFromString("97 32");
  QTest::addRow("systematic alif") << false << QList<int>{1} << CodesFromString("97 32");
  QTest::addRow("lam alif space") << false << QList<int>{23, 1, 0} << CodesFromString("32 252 32");
  QTest::addRow("arabic click-only parenthesis")
      << true << QList<int>{124} << CodesFromString("72");
  QTest::addRow("disabled fatha key") << false << QList<int>{2, 40} << CodesFromString("108 32");
  QTest::addRow("disabled alif wasla key") << false << QList<int>{53} << Codes{};
  QTest::addRow("disabled arabic shadda key")
      << true << QList<int>{85, 126} << CodesFromString("108 32");
  QTest::addRow("disabled arabic 134") << true << QList<int>{134, 135} << Codes{};
}

void FrmMainTest::clicksEnterTheKeysLetter() {
  QFETCH(bool, arabic);
  QFETCH(QList<int>, keys);
  QFETCH(Codes, expected);
  if (arabic) switchLayout();
  for (int k : keys) QTest::mouseClick(key(k), Qt::LeftButton);
  QCOMPARE(Printable(line()), Printable(expected));
}

void FrmMainTest::typedCharactersPressDisabledKeys() {
  type(U"ba");  // fatha, whose key is disabled
  QCOMPARE(line(), CodesFromString("74 108 32"));
  switchLayout();
  type(U"fX");  // shadda, key 126
  QCOMPARE(line(), CodesFromString("74 107 74 105 32"));
}

void FrmMainTest::limitOf45AppliesToTypingNotToClicks() {
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

void FrmMainTest::enterKeyRunsEnterOnceWhateverHasTheFocus_data() {
  QTest::addColumn<QString>("focus");
  QTest::addRow("line") << "txtT";
  QTest::addRow("enter button") << "cmdEnter";
  QTest::addRow("backspace button") << "cmdBkSp";
  QTest::addRow("a key") << "cmdK_2";
  QTest::addRow("text area") << "txtF";
}

void FrmMainTest::enterKeyRunsEnterOnceWhateverHasTheFocus() {
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
void FrmMainTest::spaceOnAFocusedButtonTypesOneSpace() {
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

void FrmMainTest::enterEdgeCases() {
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

void FrmMainTest::backspaceAndDeleteAct_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addRow("Backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier);
  QTest::addRow("Delete") << int(Qt::Key_Delete) << int(Qt::NoModifier);
  QTest::addRow("Shift+Backspace") << int(Qt::Key_Backspace) << int(Qt::ShiftModifier);
  QTest::addRow("Ctrl+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier);
}

void FrmMainTest::backspaceAndDeleteAct() {
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

void FrmMainTest::onScreenBackspaceAndUnboundKeys() {
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

// A letter, digit or sign typed on an Arabic keyboard layout types that
// letter with either layout shown, as Paste Unicode types one character.
void FrmMainTest::arabicKeyboardTypesLetters() {
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

// Text an input method or a dead-key sequence commits types exactly as the
// same characters typed on the keyboard, whichever control has the focus.
void FrmMainTest::inputMethodCommitsAreTyped_data() {
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

void FrmMainTest::inputMethodCommitsAreTyped() {
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
