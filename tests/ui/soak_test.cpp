// Soak test: a long run of random events against the real window, with the
// core alone beside it predicting what the line, the text area and the
// clipboard must hold. The two must agree at every checkpoint and at the end.
//
// HARF_SOAK_EVENTS (default 100000) and HARF_SOAK_SEED (default fixed) change
// the run; a failure names the seed and the last events.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <deque>
#include <memory>
#include <random>

#include "input/typist.h"
#include "input/unicode_text.h"
#include "tables/key_layout.h"
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
  harf::Typist model;  // the core alone: line, text area, layout
  QString clipboard;   // what the model says the clipboard holds
  std::mt19937 rng;
  std::deque<QString> recent;  // the last events, for a failure message

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
    d->typeChar(c, d->txtT());
    model.Type(c);
  }

  void ClickRandomKey() {
    // Only keys of the layout shown can be clicked; disabled keys raise nothing.
    const int first = model.shown() == harf::Layout::Systematic ? 0 : harf::kFirstArabicKey;
    const int k = first + Pick(68);
    Note(QStringLiteral("click key %1").arg(k));
    d->click(d->key(k));
    if (harf::Keys()[static_cast<std::size_t>(k)].enabled)
      model.Press(static_cast<harf::KeyIndex>(k));
  }

  void MoveCaret() {
    harf::Line& line = model.line();
    switch (Pick(4)) {
      case 0:
        Note(QStringLiteral("End"));
        QTest::keyClick(d->txtT(), Qt::Key_End);
        line.SetCursor(line.size());
        break;
      case 1:
        Note(QStringLiteral("Home"));
        QTest::keyClick(d->txtT(), Qt::Key_Home);
        line.SetCursor(0);
        break;
      case 2:
        Note(QStringLiteral("Left"));
        QTest::keyClick(d->txtT(), Qt::Key_Left);
        line.SetCursor(line.cursor() > 0 ? line.cursor() - 1 : 0);
        break;
      default:  // the press moves right, the release puts the cursor at 0
        Note(QStringLiteral("Right"));
        QTest::keyClick(d->txtT(), Qt::Key_Right);
        line.SetCursor(0);
        break;
    }
  }

  void Copy(int how) {
    switch (how) {
      case 0:
        Note(QStringLiteral("F5"));
        d->release(Qt::Key_F5);
        clipboard = GlyphText(model.line().Codes());
        break;
      case 1:
        Note(QStringLiteral("copy line, right button"));
        d->click(d->button("cmdCopyClose"), Qt::RightButton);
        clipboard = GlyphText(model.line().Codes());
        break;
      case 2:
        Note(QStringLiteral("copy text"));
        d->click(d->button("cmdCopyText"));
        clipboard = GlyphText(model.text().Codes());
        break;
      case 3:
        Note(QStringLiteral("copy line as Unicode"));
        w->CopyLineUnicode();
        clipboard = QString::fromStdU32String(harf::ToUnicode(model.line()));
        break;
      default:
        Note(QStringLiteral("copy text as Unicode"));
        w->CopyTextUnicode();
        clipboard = QString::fromStdU32String(harf::ToUnicode(model.text()));
        break;
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
  }

  static QString GlyphText(const Codes& codes) {
    return QString::fromLatin1(reinterpret_cast<const char*>(codes.data()),
                               static_cast<qsizetype>(codes.size()));
  }

  // Pastes either fresh random Unicode or whatever the last copy left.
  void Paste() {
    if (Pick(3) > 0) {
      std::u32string text;
      for (int n = Pick(12); n > 0; --n)
        text.push_back(
            kPastePool[static_cast<std::size_t>(Pick(static_cast<int>(kPastePool.size())))]);
      clipboard = QString::fromStdU32String(text);
      QGuiApplication::clipboard()->setText(clipboard);
    }
    Note(QStringLiteral("paste \"%1\"").arg(clipboard.left(20)));
    QTest::keyClick(d->txtT(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    if (clipboard.isEmpty()) return;
    harf::UnicodeLines pasted = harf::FromUnicode(clipboard.toStdU32String(), model.line());
    model.line() = std::move(pasted.lines.back());
    pasted.lines.pop_back();
    for (const harf::Line& l : pasted.lines) model.text().Append(l);
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
      model.SwitchLayout();
    } else if (r < 690) {
      const bool del = Pick(2) == 0;
      Note(del ? QStringLiteral("Delete") : QStringLiteral("Backspace"));
      QTest::keyClick(d->txtT(), del ? Qt::Key_Delete : Qt::Key_Backspace);
      model.Release(static_cast<int>(harf::VirtualKey::Backspace));
    } else if (r < 780) {
      MoveCaret();
    } else if (r < 810) {
      Note(QStringLiteral("click into the line"));
      QTest::mouseClick(d->txtT(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(1 + Pick(d->txtT()->width() - 2), d->txtT()->height() / 2));
      model.line().SetCursor(0);
    } else if (r < 840) {
      Note(QStringLiteral("F7"));
      d->release(Qt::Key_F7, Pick(2) ? Qt::ShiftModifier : Qt::NoModifier);
      model.Release(static_cast<int>(harf::VirtualKey::F7));
    } else if (r < 850) {
      Note(QStringLiteral("clear text"));
      d->click(d->button("cmdClearText"));
      model.text().Clear();
    } else if (r < 870) {
      Note(QStringLiteral("Enter button"));
      d->click(d->button("cmdEnter"));
      model.Enter();
    } else if (r < 960) {
      Copy(Pick(5));
    } else {
      Paste();
    }
  }

  void ExpectAgreement(int event) {
    const QString where =
        QStringLiteral("after event %1 (seed %2): %3").arg(event).arg(seed_).arg(Recent());
    QVERIFY2(d->line() == model.line().Codes(),
             qPrintable(QStringLiteral("line differs ") + where));
    QVERIFY2(static_cast<std::size_t>(d->txtT()->cursorPosition()) == model.line().cursor(),
             qPrintable(QStringLiteral("cursor differs ") + where));
    std::vector<Codes> expected;
    if (!model.text().empty()) {
      for (const harf::Line& l : model.text().lines()) expected.push_back(l.Codes());
    }
    QVERIFY2(d->textLines() == expected, qPrintable(QStringLiteral("text area differs ") + where));
    QVERIFY2(w->line().Reading() == model.line().Reading(),
             qPrintable(QStringLiteral("letters differ ") + where));
  }

  std::u32string pool_ = TypedPool();
  unsigned seed_ = 0;

 private slots:
  void randomEventsAgreeWithTheCore() {
    seed_ = static_cast<unsigned>(EnvInt("HARF_SOAK_SEED", 20261208));
    const int events = EnvInt("HARF_SOAK_EVENTS", 100000);
    rng.seed(seed_);
    QGuiApplication::clipboard()->clear();
    w = std::make_unique<harf::ui::frmMain>();
    d = std::make_unique<harf::testing::WindowDriver>(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    for (int i = 1; i <= events; ++i) {
      Step();
      if (QTest::currentTestFailed())
        QFAIL(qPrintable(QStringLiteral("seed %1: %2").arg(seed_).arg(Recent())));
      if (i % 1000 == 0 || i == events) {
        ExpectAgreement(i);
        if (QTest::currentTestFailed()) return;
      }
    }
    qInfo("%d events, seed %u: window and core agree", events, seed_);
  }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
