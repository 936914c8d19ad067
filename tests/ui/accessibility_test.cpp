// What a screen reader finds in the window, read through QAccessible: every
// key names its letter and says which character types it, and what it says
// is true (typing that character enters the key's letter); the boxes,
// buttons, frames and label all have names.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <memory>

#include "input/typed_keys.h"
#include "tables/key_layout.h"
#include "tables/letter_names.h"
#include "ui/frm_main.h"
#include "window_driver.h"

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString AccessibleText(QWidget* w, QAccessible::Text t) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(t) : QString();
}

// The characters a description names, between the quotation marks the
// window puts around a typed character.
QList<char32_t> QuotedChars(const QString& description) {
  QList<char32_t> out;
  for (qsizetype open = description.indexOf(u'\u201c'); open >= 0;
       open = description.indexOf(u'\u201c', open + 1)) {
    const qsizetype close = description.indexOf(u'\u201d', open + 1);
    if (close < 0) break;
    const QList<uint> chars = description.mid(open + 1, close - open - 1).toUcs4();
    if (chars.size() == 1) out << static_cast<char32_t>(chars[0]);
  }
  return out;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

  std::unique_ptr<harf::ui::frmMain> w;
  std::unique_ptr<harf::testing::WindowDriver> d;

  QAbstractButton* button(const QString& name) { return w->findChild<QAbstractButton*>(name); }
  QAbstractButton* key(int index) { return button(QStringLiteral("cmdK_%1").arg(index)); }
  void showLayout(harf::Layout layout) {
    const bool arabicShown = button(QStringLiteral("cmdKeyb"))->text().endsWith(u"Arabic");
    if (arabicShown != (layout == harf::Layout::Arabic)) button(QStringLiteral("cmdKeyb"))->click();
  }
  void clearLine() { button(QStringLiteral("cmdClear"))->click(); }
  QString lineValue() {
    return AccessibleText(w->findChild<QWidget*>(QStringLiteral("txtT")), QAccessible::Value);
  }

 private slots:
  void initTestCase() {
    w = std::make_unique<harf::ui::frmMain>();
    d = std::make_unique<harf::testing::WindowDriver>(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }

  // Each key is a button named after its letter; its description names the
  // character that types it, or says that none does.
  void everyKeyNamesItsLetter() {
    for (const harf::Layout layout : {harf::Layout::Systematic, harf::Layout::Arabic}) {
      showLayout(layout);
      for (const harf::KeyDef& k : harf::Keys()) {
        if (k.frame != layout) continue;
        QAbstractButton* b = key(k.index);
        QVERIFY2(b, qPrintable(QString::number(k.index)));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        const QString name = a->text(QAccessible::Name);
        const QString description = a->text(QAccessible::Description);
        const harf::LetterIndex letter = harf::LetterOfKey(k.index);
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(k.index)));
        QVERIFY2(letter == harf::kNoLetter || !description.isEmpty(),
                 qPrintable(QString::number(k.index)));
        if (letter != harf::kNoLetter) QCOMPARE(name, FromView(harf::LetterName(letter)));
        // The name is not the caption: a reader would say "F" for ba.
        if (!k.caption.empty() && letter != harf::kNoLetter) {
          QVERIFY(name != FromView(k.caption) || FromView(k.caption).size() > 1);
        }
        const std::vector<char32_t> typed = harf::TypedCharsOf(k.index);
        const QList<char32_t> said = QuotedChars(description);
        for (const char32_t c : typed) {
          if (c == U' ') continue;  // the space bar is named, not quoted
          QVERIFY2(said.contains(c), qPrintable(description));
        }
      }
    }
  }

  // What a description says is so: with the key's layout shown, typing the
  // character it names into an empty line gives what clicking the key gives.
  void descriptionsTellTheTruth() {
    int checked = 0;
    for (const harf::Layout layout : {harf::Layout::Systematic, harf::Layout::Arabic}) {
      showLayout(layout);
      for (const harf::KeyDef& k : harf::Keys()) {
        if (k.frame != layout || !k.enabled) continue;
        const QString description = AccessibleText(key(k.index), QAccessible::Description);
        for (const char32_t c : QuotedChars(description)) {
          clearLine();
          key(k.index)->click();
          const QString clicked = lineValue();
          clearLine();
          d->typeChar(c);
          const QString typed = lineValue();
          QVERIFY2(!clicked.isEmpty(), qPrintable(QString::number(k.index)));
          QVERIFY2(typed == clicked,
                   qPrintable(QStringLiteral("key %1, %2").arg(k.index).arg(description)));
          ++checked;
        }
      }
    }
    QVERIFY(checked > 100);
    clearLine();
  }

  // The line box reads as read-only text holding the line in Unicode Arabic
  // (not the private-use glyph codes it draws), and follows the line.
  void lineBoxReadsAsUnicode() {
    QAccessibleInterface* box =
        QAccessible::queryAccessibleInterface(w->findChild<QWidget*>(QStringLiteral("txtT")));
    QVERIFY(box);
    QCOMPARE(box->role(), QAccessible::EditableText);
    QVERIFY(box->state().readOnly);
    showLayout(harf::Layout::Systematic);
    clearLine();
    QCOMPARE(box->text(QAccessible::Value), QString());
    d->type(U"l' ktb");
    QCOMPARE(box->text(QAccessible::Value), u"\u0644\u0627 \u0643\u062A\u0628"_qs);
    d->typeChar(U'\b');
    QCOMPARE(box->text(QAccessible::Value), u"\u0644\u0627 \u0643\u062A"_qs);
    clearLine();
  }

  // Everything a reader can land on has a name: the boxes, the buttons
  // (the backspace button shows only an arrow), the frames and the label.
  void boxesButtonsAndFramesAreNamed() {
    const char* named[] = {"txtT",         "txtF",     "fra1",        "frmSyst",      "frmArabic",
                           "cmdCopyClose", "cmdClear", "cmdCopyText", "cmdClearText", "cmdKeyb",
                           "cmdEnter",     "cmdBkSp",  "Label1"};
    showLayout(harf::Layout::Systematic);
    for (const char* objectName : named) {
      QWidget* widget = w->findChild<QWidget*>(QLatin1String(objectName));
      QVERIFY2(widget, objectName);
      QVERIFY2(!AccessibleText(widget, QAccessible::Name).isEmpty(), objectName);
    }
    QCOMPARE(AccessibleText(w->findChild<QWidget*>(QStringLiteral("frmSyst")), QAccessible::Name),
             u"Systematic"_qs);
    QCOMPARE(AccessibleText(w->findChild<QWidget*>(QStringLiteral("frmArabic")), QAccessible::Name),
             u"Arabic"_qs);
    QCOMPARE(AccessibleText(button(QStringLiteral("cmdKeyb")), QAccessible::Name),
             u"Keyboard: Systematic"_qs);
  }

  // A reader walks the tree from the window: the keys hang under their
  // frames, not loose.
  void keysSitInTheirFrames() {
    showLayout(harf::Layout::Systematic);
    QAccessibleInterface* frame =
        QAccessible::queryAccessibleInterface(w->findChild<QWidget*>(QStringLiteral("frmSyst")));
    QVERIFY(frame);
    QAccessibleInterface* k = QAccessible::queryAccessibleInterface(key(2));
    QVERIFY(k && k->parent());
    QCOMPARE(k->parent()->object(), frame->object());
    QVERIFY(frame->indexOfChild(k) >= 0);
  }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
