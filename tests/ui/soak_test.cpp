// Soak test: a long run of random events against the real window, checking
// after each one that the widgets show the window's keyboard model: the line
// box draws its line with the caret at its cursor, the text area holds its
// lines, the layout frame, the switch's caption and the label match it, and
// every copy puts the model's text on the clipboard.
//
// HARF_SOAK_EVENTS (default 100000) and HARF_SOAK_SEED (default fixed) change
// the run; a failure names the seed and the last events.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTest>
#include <deque>
#include <memory>
#include <random>

#include "input/typist.h"
#include "input/unicode_text.h"
#include "tables/key_layout.h"
#include "ui/window_words.h"
#include "window_driver.h"

using harf::testing::Codes;

namespace {

int EnvInt(const char* name, int fallback) {
  const QByteArray v = qgetenv(name);
  return v.isEmpty() ? fallback : v.toInt();
}

// What a user may type: every character of both layouts' lists, the space,
// Enter, and some characters that press nothing.
std::u32string TypedPool() {
  std::u32string pool = U" \r\rx\u00df\t\u20ac^_QB";
  for (const auto& e : harf::SystKeyOf()) pool.push_back(e.typed);
  for (const auto& e : harf::ArabicKeyOf()) pool.push_back(e.typed);
  return pool;
}

// Unicode text a user may paste: Arabic letters and marks, presentation
// forms, digits, spaces, line breaks and characters with no letter here.
const std::u32string kPastePool =
    U"\u0627\u0628\u062A\u062C\u062D\u062F\u0631\u0633\u0639\u0641\u0642\u0643\u0644\u0645"
    U"\u0646\u0647\u0648\u064A\u0629\u0621\u0623\u0671\u064E\u0650\u0651\u0652\u060C\u061F"
    U"\uFEFB\uFE91\u0661\u0662 3 \n\r\nabc\U0001F600\u0001";

}  // namespace

class SoakTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<harf::ui::frmMain> w;
  std::unique_ptr<harf::testing::WindowDriver> d;
  QString credit;  // the label's text while the model has no message
  std::mt19937 rng;
  std::deque<QString> recent;  // the last events, for a failure message

  const harf::Typist& model() const { return w->typist(); }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  void Note(const QString& event) {
    recent.push_back(event);
    if (recent.size() > 25) recent.pop_front();
  }
  QString Recent() const {
    QStringList l(recent.begin(), recent.end());
    return l.join(QStringLiteral(" | "));
  }

  void TypeRandom(const std::u32string& pool) {
    const char32_t c = pool[static_cast<std::size_t>(Pick(static_cast<int>(pool.size())))];
    Note(QStringLiteral("type U+%1").arg(static_cast<int>(c), 4, 16, QLatin1Char('0')));
    if (Pick(10) == 0) {  // as an input method commits it
      QInputMethodEvent e;
      e.setCommitString(QString::fromUcs4(&c, 1));
      QApplication::sendEvent(d->target(), &e);
    } else {
      d->typeChar(c, Pick(4) == 0 ? d->target() : d->txtT());
    }
  }

  void ClickRandomKey() {
    const int first = model().shown() == harf::Layout::Systematic ? 0 : harf::kFirstArabicKey;
    const int k = first + Pick(68);
    Note(QStringLiteral("click key %1").arg(k));
    d->click(d->key(k));
  }

  void MoveCaret() {
    static const Qt::Key keys[] = {Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Right};
    const Qt::Key k = keys[Pick(4)];
    Note(QStringLiteral("caret key %1").arg(k, 0, 16));
    QTest::keyClick(d->txtT(), k);
  }

  static QString GlyphText(const Codes& codes) {
    return QString::fromLatin1(reinterpret_cast<const char*>(codes.data()),
                               static_cast<qsizetype>(codes.size()));
  }

  void Copy(int how) {
    QString expected;
    bool glyphs = false;  // glyph codes, read back as X11's STRING target would
    switch (how) {
      case 0:
        Note(QStringLiteral("F5"));
        d->release(Qt::Key_F5);
        expected = GlyphText(model().line().Codes());
        glyphs = true;
        break;
      case 1:
        Note(QStringLiteral("copy line, right button"));
        d->click(d->button("cmdCopyClose"), Qt::RightButton);
        expected = GlyphText(model().line().Codes());
        glyphs = true;
        break;
      case 2:
        Note(QStringLiteral("copy text"));
        d->click(d->button("cmdCopyText"));
        expected = GlyphText(model().text().Codes());
        glyphs = true;
        break;
      case 3:
        Note(QStringLiteral("copy line as Unicode"));
        QTest::keyClick(d->target(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        expected = QString::fromStdU32String(harf::ToUnicode(model().line()));
        break;
      default:
        Note(QStringLiteral("copy text as Unicode"));
        QTest::keyClick(d->target(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        expected = QString::fromStdU32String(harf::ToUnicode(model().text()));
        break;
    }
    const Codes bytes = harf::testing::ClipboardBytes();
    QCOMPARE(glyphs ? GlyphText(bytes) : QGuiApplication::clipboard()->text(), expected);
    if (w->isMinimized()) w->showNormal();
  }

  // Pastes either fresh random Unicode or whatever the last copy left.
  void Paste() {
    if (Pick(3) > 0) {
      std::u32string text;
      for (int n = Pick(12); n > 0; --n)
        text.push_back(
            kPastePool[static_cast<std::size_t>(Pick(static_cast<int>(kPastePool.size())))]);
      QGuiApplication::clipboard()->setText(QString::fromStdU32String(text));
    }
    Note(QStringLiteral("paste \"%1\"").arg(QGuiApplication::clipboard()->text().left(20)));
    QTest::keyClick(d->target(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
  }

  void Step() {
    const int r = Pick(1000);
    if (r < 380) {
      TypeRandom(pool_);
    } else if (r < 580) {
      ClickRandomKey();
    } else if (r < 600) {
      Note(QStringLiteral("switch layout"));
      d->click(d->button("cmdKeyb"));
    } else if (r < 690) {
      const bool del = Pick(2) == 0;
      Note(del ? QStringLiteral("Delete") : QStringLiteral("Backspace"));
      QTest::keyClick(d->target(), del ? Qt::Key_Delete : Qt::Key_Backspace);
    } else if (r < 780) {
      MoveCaret();
    } else if (r < 810) {
      Note(QStringLiteral("click into the line"));
      QTest::mouseClick(d->txtT(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(1 + Pick(d->txtT()->width() - 2), d->txtT()->height() / 2));
    } else if (r < 840) {
      Note(QStringLiteral("F7"));
      d->release(Qt::Key_F7, Pick(2) ? Qt::ShiftModifier : Qt::NoModifier);
    } else if (r < 850) {
      Note(QStringLiteral("clear text"));
      d->click(d->button("cmdClearText"));
    } else if (r < 870) {
      Note(QStringLiteral("Enter button"));
      d->click(d->button("cmdEnter"));
    } else if (r < 960) {
      Copy(Pick(5));
    } else {
      Paste();
    }
  }

  // The cheap checks, after every event.
  void ExpectShown(int event) {
    const QString where =
        QStringLiteral(" after event %1 (seed %2): %3").arg(event).arg(seed_).arg(Recent());
    const QString line = d->lineBoxDiffers();
    QVERIFY2(line.isEmpty(), qPrintable(QStringLiteral("line box: ") + line + where));
    const bool arabic = model().shown() == harf::Layout::Arabic;
    QVERIFY2(d->child<QWidget>(QStringLiteral("frmArabic"))->isVisible() == arabic &&
                 d->child<QWidget>(QStringLiteral("frmSyst"))->isVisible() == !arabic,
             qPrintable(QStringLiteral("layout frame differs") + where));
    QVERIFY2(d->button("cmdKeyb")->text() == (arabic ? QStringLiteral("Keyboard: Arabic")
                                                     : QStringLiteral("Keyboard: Systematic")),
             qPrintable(QStringLiteral("layout caption differs") + where));
    const QString label = d->child<QLabel>(QStringLiteral("Label1"))->text();
    QVERIFY2(model().said().message == harf::Message::None
                 ? label == credit
                 : label == harf::ui::SaidText(model().said()),
             qPrintable(QStringLiteral("label differs") + where));
  }

  // The text area is read back whole, so now and then.
  void ExpectTextShown(int event) {
    std::vector<Codes> expected;
    for (const harf::Line& l : model().text().lines()) expected.push_back(l.Codes());
    QVERIFY2(d->textLines() == expected,
             qPrintable(QStringLiteral("text area differs after event %1 (seed %2): %3")
                            .arg(event)
                            .arg(seed_)
                            .arg(Recent())));
  }

  std::u32string pool_ = TypedPool();
  unsigned seed_ = 0;

 private slots:
  void widgetsAlwaysShowTheModel() {
    seed_ = static_cast<unsigned>(EnvInt("HARF_SOAK_SEED", 20261208));
    const int events = EnvInt("HARF_SOAK_EVENTS", 100000);
    rng.seed(seed_);
    QGuiApplication::clipboard()->clear();
    w = std::make_unique<harf::ui::frmMain>();
    d = std::make_unique<harf::testing::WindowDriver>(*w);
    credit = d->child<QLabel>(QStringLiteral("Label1"))->text();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    for (int i = 1; i <= events; ++i) {
      Step();
      if (QTest::currentTestFailed())
        QFAIL(qPrintable(QStringLiteral("seed %1: %2").arg(seed_).arg(Recent())));
      ExpectShown(i);
      if (i % 500 == 0 || i == events) ExpectTextShown(i);
      if (QTest::currentTestFailed()) return;
    }
    qInfo("%d events, seed %u: the widgets showed the model throughout", events, seed_);
  }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
