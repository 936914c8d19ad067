// The window at start-up, its layouts, its keys' pictures and tooltips, and
// its label; the whole window test runs from here.
#include "frm_main_test.h"

#include "tables/key_layout.h"

void FrmMainTest::init() {
  QGuiApplication::clipboard()->clear();
  w = std::make_unique<frmMain>();
  d = std::make_unique<harf::testing::WindowDriver>(*w);
  w->show();
  QVERIFY(QTest::qWaitForWindowActive(w.get()));
}

void FrmMainTest::cleanup() {
  d.reset();
  w.reset();
}

void FrmMainTest::startUpState() {
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

void FrmMainTest::layoutSwitchesBothWays() {
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

void FrmMainTest::keysShowPicturesAndTooltips() {
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
    QVERIFY(size.width() <= b->pictureRoom().width() && size.height() <= b->pictureRoom().height());
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

// A message in the label lasts until the next key, click or command.
void FrmMainTest::labelReturnsToItsCreditLine() {
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

QTEST_MAIN(FrmMainTest)
