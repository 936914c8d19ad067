// Copy and paste: the window's commands, Ctrl+V and Unicode in and out.
#include <QAction>
#include <QElapsedTimer>

#include "frm_main_test.h"
#include "input/unicode_text.h"
#include "tables/key_layout.h"

void FrmMainTest::copyLine_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<bool>("minimizes");
  QTest::addRow("left button") << "left" << true;
  QTest::addRow("middle button") << "middle" << true;
  QTest::addRow("right button") << "right" << false;
  QTest::addRow("F5") << "F5" << true;
  QTest::addRow("Shift+F5") << "Shift+F5" << true;
}

void FrmMainTest::copyLine() {
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

void FrmMainTest::copyLineOfAnEmptyLinePutsEmptyText() {
  QGuiApplication::clipboard()->setText(QStringLiteral("old"));
  release(Qt::Key_F5);
  QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

// Codes 128..255 leave as one Latin-1 character each, so X11's STRING target
// carries one byte per glyph code.
void FrmMainTest::copyTextSendsOneBytePerCodeAndMinimizes() {
  type(U"bmb\rjv\u00e4\r");
  QTest::mouseClick(child<QAbstractButton>("cmdCopyText"), Qt::LeftButton);
  QCOMPARE(Printable(ClipboardBytes()), QStringLiteral("107 182 32 13 10 96 193 117 32"));
  QCOMPARE(QGuiApplication::clipboard()->text().size(), 9);
  QVERIFY(w->isMinimized());
  expectLineFocused();
}

void FrmMainTest::clearCommandsLeaveTheOtherBox() {
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

// Nothing reaches the boxes but what the engine writes: no undo or cut, no
// middle-click paste, and a Ctrl chord types no letter. Ctrl+V is the
// window's own paste, into the line, never into the text area.
void FrmMainTest::boxesRefuseTextFromElsewhere() {
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
void FrmMainTest::ctrlVPastesEitherKind() {
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

void FrmMainTest::copyUnicodeByShortcut() {
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

void FrmMainTest::pasteUnicode_data() {
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
  QTest::addRow("skipped are counted") << ""
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

void FrmMainTest::pasteUnicode() {
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
void FrmMainTest::pasteOneMegabyte() {
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

void FrmMainTest::unicodeCommandsAreOnTheBoxesMenus() {
  QCOMPARE(txtT()->contextMenuPolicy(), Qt::CustomContextMenu);
  QCOMPARE(txtF()->contextMenuPolicy(), Qt::CustomContextMenu);
  QStringList shortcuts;
  for (QAction* a : w->actions()) shortcuts << a->shortcut().toString();
  QCOMPARE(shortcuts,
           (QStringList{"Ctrl+Shift+C", "Ctrl+Shift+T", "Ctrl+Shift+V", "Ctrl+Shift+L", "Ctrl+V"}));
  QVERIFY(txtT()->toolTip().contains(QStringLiteral("Ctrl+Shift+V")));
}
