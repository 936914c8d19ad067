// The window's own words in the language of the system locale. ctest starts
// this program twice: under LANGUAGE=de LANG=de_DE.UTF-8 and under an English
// locale, with HARF_TEST_LANGUAGE saying which. The translation file itself
// is the data: every word the window shows that the file translates must come
// out translated under German and in English otherwise, and the captions of
// keys, buttons and frames must be the same in both.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>

#include "input/key_faces.h"
#include "tables/key_layout.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#include "ui/translations.h"

namespace {

struct Message {
  QString context, source, translation;
  bool finished = true;
};

std::vector<Message> ReadTs(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
  std::vector<Message> out;
  QString context;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"name") {
      context = xml.readElementText();
    } else if (xml.name() == u"message") {
      Message m{context, {}, {}, true};
      while (xml.readNextStartElement()) {
        if (xml.name() == u"source") {
          m.source = xml.readElementText();
        } else if (xml.name() == u"translation") {
          m.finished = xml.attributes().value(QStringLiteral("type")).isEmpty();
          m.translation = xml.readElementText();
        } else {
          xml.skipCurrentElement();
        }
      }
      out.push_back(m);
    }
  }
  if (xml.hasError()) qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
  return out;
}

// A message with its %1 … %9 open, matched against a whole shown string.
QRegularExpression PatternOf(const QString& text) {
  // escape() writes % as \%.
  QString pattern = QRegularExpression::escape(text);
  pattern.replace(QRegularExpression(QStringLiteral("\\\\%\\d")), QStringLiteral(".+"));
  return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                            QRegularExpression::DotMatchesEverythingOption);
}

QStringList Placeholders(const QString& text) {
  QStringList out;
  auto it = QRegularExpression(QStringLiteral("%\\d")).globalMatch(text);
  while (it.hasNext()) out << it.next().captured();
  out.sort();
  return out;
}

// Everything the window says in words of its own: tooltips, accessible names
// and descriptions, menu entries, the label. Multi-line texts are also taken
// line by line, since a tooltip may join several messages.
QStringList WindowWords(QWidget& window) {
  QStringList words;
  auto take = [&words](const QString& text) {
    if (text.isEmpty()) return;
    words << text;
    if (text.contains(u'\n')) words << text.split(u'\n', Qt::SkipEmptyParts);
  };
  QList<QWidget*> widgets = window.findChildren<QWidget*>();
  widgets << &window;
  for (QWidget* w : widgets) {
    take(w->toolTip());
    take(w->statusTip());
    if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w)) {
      take(a->text(QAccessible::Name));
      take(a->text(QAccessible::Description));
    }
    if (auto* label = qobject_cast<QLabel*>(w)) take(label->text());
  }
  for (QAction* a : window.findChildren<QAction*>()) {
    take(a->text());
    take(a->toolTip());
  }
  return words;
}

QAction* ActionWithShortcut(QWidget& window, const char* keys) {
  for (QAction* a : window.findChildren<QAction*>()) {
    if (a->shortcut() == QKeySequence(QString::fromLatin1(keys))) return a;
  }
  return nullptr;
}

}  // namespace

class TranslationTest : public QObject {
  Q_OBJECT

  QString language_ = qEnvironmentVariable("HARF_TEST_LANGUAGE");
  std::vector<Message> messages_ = ReadTs(QStringLiteral(HARF_TS_DE));
  std::unique_ptr<harf::ui::frmMain> w;
  QStringList labels_;  // what the label said after each paste

  bool german() const { return language_ == u"de"; }

  // Whether `shown` is one of the file's messages in the language shown.
  bool KnownSentence(const QString& shown) const {
    for (const Message& m : messages_) {
      if (PatternOf(german() ? m.translation : m.source).match(shown).hasMatch()) return true;
    }
    return false;
  }

  void ShowLayout(bool arabic) {
    auto* keyb = w->findChild<QAbstractButton*>(QStringLiteral("cmdKeyb"));
    if (keyb->text().endsWith(u"Arabic") != arabic) keyb->click();
  }

  QString LabelText() const { return w->findChild<QLabel*>(QStringLiteral("Label1"))->text(); }

  // The window with both layouts made (the Arabic keys are made on first
  // use) and a message in the label.
  QStringList ShownWords() {
    auto* keyb = w->findChild<QAbstractButton*>(QStringLiteral("cmdKeyb"));
    QStringList words = WindowWords(*w);
    keyb->click();
    words << WindowWords(*w);
    keyb->click();
    QGuiApplication::clipboard()->clear();
    ActionWithShortcut(*w, "Ctrl+Shift+V")->trigger();
    labels_ << LabelText();
    words << WindowWords(*w);
    QGuiApplication::clipboard()->setText(QStringLiteral("abc \u0628"));
    ActionWithShortcut(*w, "Ctrl+Shift+V")->trigger();
    labels_ << LabelText();
    words << WindowWords(*w);
    QGuiApplication::clipboard()->setText(QStringLiteral("x\u0628"));
    ActionWithShortcut(*w, "Ctrl+Shift+V")->trigger();
    labels_ << LabelText();
    words << WindowWords(*w);
    words.removeDuplicates();
    return words;
  }

 private slots:
  void initTestCase() {
    QVERIFY2(language_ == u"de" || language_ == u"en", "set HARF_TEST_LANGUAGE to de or en");
    QCOMPARE(harf::ui::InstallTranslations(*qApp), language_ == u"de" ? u"de"_qs : QString());
    w = std::make_unique<harf::ui::frmMain>();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }

  // Every message is translated, keeps its placeholders and is not left as
  // the English text (a few words such as "Unicode" may be both).
  void translationFileIsComplete() {
    QVERIFY(messages_.size() >= 10);
    for (const Message& m : messages_) {
      QVERIFY2(m.finished && !m.translation.isEmpty(), qPrintable(m.source));
      QCOMPARE(Placeholders(m.translation), Placeholders(m.source));
    }
  }

  // Under German every English text the file knows is gone from the window
  // and German ones are there; under English the reverse.
  void windowSpeaksTheLocalesLanguage() {
    const QStringList words = ShownWords();
    const bool german = this->german();
    int inLanguage = 0;
    for (const Message& m : messages_) {
      if (m.source == m.translation) continue;
      const QRegularExpression wrong = PatternOf(german ? m.source : m.translation);
      const QRegularExpression right = PatternOf(german ? m.translation : m.source);
      for (const QString& word : words) {
        QVERIFY2(!wrong.match(word).hasMatch(),
                 qPrintable(QStringLiteral("shown in the wrong language: ") + word));
        if (right.match(word).hasMatch()) ++inLanguage;
      }
    }
    // The menu, the label's two messages, the boxes' and keys' tooltips.
    QVERIFY2(inLanguage >= 8, qPrintable(QString::number(inLanguage)));
    // Nor half translated: no English phrase of eight letters or more is left
    // inside a German text ("tippen Sie „b“ (the key itself …)").
    if (german) {
      for (const Message& m : messages_) {
        for (const QString& part : m.source.split(QRegularExpression(QStringLiteral("%\\d")))) {
          if (part.trimmed().size() < 8 || m.translation.contains(part)) continue;
          for (const QString& word : words) {
            QVERIFY2(!word.contains(part), qPrintable(QStringLiteral("English left: ") + word));
          }
        }
      }
    }
    // The model's messages: nothing pasted, three left out, one left out.
    QCOMPARE(labels_.size(), 3);
    for (const QString& label : labels_) QVERIFY2(KnownSentence(label), qPrintable(label));
    QCOMPARE(labels_.removeDuplicates(), 0);
    const QAction* paste = ActionWithShortcut(*w, "Ctrl+Shift+V");
    QCOMPARE(paste->text(), german ? u"Unicode einfügen"_qs : u"Paste Unicode"_qs);
  }

  // Every line of every key's tooltip after the letter's name is one of the
  // file's sentences in the language shown: a new sentence in the key tables
  // that nobody translated fails here. In English the tables' own text shows.
  void everyKeyTooltipIsKnown() {
    ShowLayout(true);  // makes the Arabic keys
    for (const harf::KeyDef& k : harf::Keys()) {
      const QString tip =
          w->findChild<QAbstractButton*>(QStringLiteral("cmdK_%1").arg(k.index))->toolTip();
      QStringList lines = tip.split(u'\n');
      if (harf::LetterOfKey(k.index) != harf::kNoLetter) lines.removeFirst();
      for (const QString& line : lines) {
        QVERIFY2(KnownSentence(line),
                 qPrintable(QStringLiteral("key %1: %2").arg(k.index).arg(line)));
      }
      // Every character that types the letter is named, in either language.
      for (const char32_t c : harf::HelpOfKey(k.index).typed) {
        if (c != U' ') QVERIFY2(tip.contains(QString::fromUcs4(&c, 1)), qPrintable(tip));
      }
    }
  }

  // The keys, buttons and frames keep the captions they have always had.
  void captionsStayAsTheyAre() {
    ShowLayout(true);  // makes the Arabic keys
    for (const harf::KeyDef& k : harf::Keys()) {
      auto* key = w->findChild<QAbstractButton*>(QStringLiteral("cmdK_%1").arg(k.index));
      QVERIFY2(key, qPrintable(QString::number(k.index)));
      QCOMPARE(key->text(),
               QString::fromUtf8(k.caption.data(), static_cast<qsizetype>(k.caption.size())));
    }
    ShowLayout(false);
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdCopyClose", "F5 COPY Line"},    {"cmdClear", "F7 Clear Line"},
        {"cmdCopyText", "Copy Text"},        {"cmdClearText", "Clear Text"},
        {"cmdKeyb", "Keyboard: Systematic"}, {"cmdEnter", "Enter"}};
    for (const auto& [name, caption] : buttons) {
      auto* b = w->findChild<QAbstractButton*>(QLatin1String(name));
      QVERIFY2(b, name);
      QCOMPARE(b->text(), QLatin1String(caption));
    }
    QCOMPARE(w->findChild<harf::ui::CaptionFrame*>(QStringLiteral("frmSyst"))->caption(),
             u"Systematic"_qs);
    QCOMPARE(w->findChild<harf::ui::CaptionFrame*>(QStringLiteral("frmArabic"))->caption(),
             u"Arabic"_qs);
  }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
