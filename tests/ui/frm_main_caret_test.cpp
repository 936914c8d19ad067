// The caret and selection in the line, and the boxes showing exactly the model.
#include <QSignalSpy>

#include "frm_main_test.h"

// The caret moves with the arrow keys, and a letter goes in where it stands.
void FrmMainTest::caretMovesAndLettersGoInAtIt() {
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

void FrmMainTest::clickIntoTheLinePutsTheCursorAt0() {
  type(U"bbbb");
  caretFromRight(3);
  QTest::mouseClick(txtT(), Qt::LeftButton, Qt::NoModifier, QPoint(txtT()->width() - 20, 10));
  QCOMPARE(txtT()->cursorPosition(), 0U);
  type(U"t");
  QCOMPARE(line(), CodesFromString("111 106 106 106 105 32"));
}

// A drag in the line selects the glyphs it passes over, each once its
// middle is crossed, and is no click: the caret stays where it was.
void FrmMainTest::dragInTheLineSelectsGlyphs() {
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

// Line breaks that make no line in the model make none in the box, so the
// box holds exactly what Copy Text copies.
void FrmMainTest::textAreaShowsWhatCopyTextCopies_data() {
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

void FrmMainTest::textAreaShowsWhatCopyTextCopies() {
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
void FrmMainTest::manyLineBreaksIntoAnEmptyTextArea() {
  w->PasteUnicodeText(QString(5'000'000, u'\n'));
  QVERIFY(model().text().empty());
  QVERIFY(txtF()->toPlainText().isEmpty());
  QCOMPARE(txtF()->document()->blockCount(), 1);
}

// A line far longer than the box: only what fits is laid out, the caret
// stays in view, and the end the caret is at is the end shown.
void FrmMainTest::longLineShowsTheCaretsEnd() {
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
