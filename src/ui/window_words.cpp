#include "ui/window_words.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include "input/unicode_text.h"
#include "ui/glyph_widgets.h"

namespace harf::ui {
namespace {

// Every sentence the model and the key tables say, as they say it. A change
// there shows up here as an untranslated line in the German window test.
constexpr const char* kCoreSentences[] = {
    // Key tooltips.
    QT_TRANSLATE_NOOP("CoreWords", "Not in use"),
    QT_TRANSLATE_NOOP("CoreWords", "the space bar"),
    QT_TRANSLATE_NOOP("CoreWords", "%1 or %2"),
    QT_TRANSLATE_NOOP("CoreWords", "\u201c%1\u201d"),
    QT_TRANSLATE_NOOP("CoreWords", "type %1"),
    QT_TRANSLATE_NOOP("CoreWords", "type %1 (the key itself cannot be clicked)"),
    QT_TRANSLATE_NOOP("CoreWords", "click the key to enter it"),
    QT_TRANSLATE_NOOP("CoreWords",
                      "cannot be entered with this layout: the key cannot be clicked and no "
                      "typed character enters it"),
    QT_TRANSLATE_NOOP("CoreWords", "(Paste Unicode enters it)"),
    QT_TRANSLATE_NOOP("CoreWords", "(type %1 with the Arabic layout shown)"),
    QT_TRANSLATE_NOOP("CoreWords", "(type %1 with the Systematic layout shown)"),
    // The label's messages.
    QT_TRANSLATE_NOOP("CoreWords", "Nothing pasted: the clipboard holds no text."),
    QT_TRANSLATE_NOOP("CoreWords",
                      "Pasted; 1 character was left out (no letter here, or a vowel sign the "
                      "letter before it does not take)."),
    QT_TRANSLATE_NOOP("CoreWords",
                      "Pasted; %1 characters were left out (no letter here, or a vowel sign the "
                      "letter before it does not take)."),
};

struct Sentence {
  const char* english;
  QRegularExpression pattern;  // the English with each %n open
  qsizetype fixed;             // its characters outside the placeholders
};

// Tried most specific first: "type %1 (the key itself …)" before "type %1".
const std::vector<Sentence>& Sentences() {
  static const std::vector<Sentence> sentences = [] {
    std::vector<Sentence> out;
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (const char* english : kCoreSentences) {
      const QString text = QString::fromUtf8(english);
      QString pattern;
      qsizetype fixed = 0;
      qsizetype at = 0;
      for (auto it = placeholder.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pattern += QRegularExpression::escape(text.mid(at, m.capturedStart() - at));
        pattern += QStringLiteral("(.+?)");
        fixed += m.capturedStart() - at;
        at = m.capturedEnd();
      }
      pattern += QRegularExpression::escape(text.mid(at));
      fixed += text.size() - at;
      out.push_back({english,
                     QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                        QRegularExpression::DotMatchesEverythingOption),
                     fixed});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Sentence& a, const Sentence& b) { return a.fixed > b.fixed; });
    return out;
  }();
  return sentences;
}

QString TranslateLine(const QString& line) {
  for (const Sentence& s : Sentences()) {
    const QRegularExpressionMatch m = s.pattern.match(line);
    if (!m.hasMatch()) continue;
    QString out = QCoreApplication::translate("CoreWords", s.english);
    // Replaced all in one pass, so that a % in a filled-in part stays as it is.
    switch (m.lastCapturedIndex()) {
      case 0:
        return out;
      case 1:
        return out.arg(TranslateLine(m.captured(1)));
      default:
        return out.arg(TranslateLine(m.captured(1)), TranslateLine(m.captured(2)));
    }
  }
  return line;
}

// The line box as a read-only text field. Its value is computed only when a
// reader asks: the box itself never turns the line into text, so that a
// keystroke costs the same on any length of line.
class LineBoxAccessible : public QAccessibleWidget {
 public:
  explicit LineBoxAccessible(GlyphLineBox* box)
      : QAccessibleWidget(box, QAccessible::EditableText) {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Value) return QAccessibleWidget::text(t);
    const Line* line = static_cast<const GlyphLineBox*>(widget())->line();
    return line ? QString::fromStdU32String(ToUnicode(*line)) : QString();
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;  // letters come from the keys, never from typing into the box
    return s;
  }
};

QAccessibleInterface* LineBoxFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(GlyphLineBox::staticMetaObject.className())) return nullptr;
  auto* box = qobject_cast<GlyphLineBox*>(object);
  return box ? new LineBoxAccessible(box) : nullptr;
}

bool& Translating() {
  static bool translating = false;
  return translating;
}

}  // namespace

void SetCoreTextTranslated(bool on) {
  Translating() = on;
}

bool CoreTextTranslated() {
  return Translating();
}

void InstallLineBoxAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(LineBoxFactory);
    return true;
  }();
  (void)installed;
}

QString TranslateCoreText(std::string_view english) {
  const QString text = QString::fromUtf8(english.data(), static_cast<qsizetype>(english.size()));
  // In English there is nothing to match: the window's start-up makes 136
  // tooltips and should not pay for it.
  if (!CoreTextTranslated()) return text;
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) line = TranslateLine(line);
  return lines.join(u'\n');
}

QString KeyDescription(const QString& tooltip) {
  const qsizetype newline = tooltip.indexOf(u'\n');
  return newline < 0 ? tooltip : tooltip.mid(newline + 1).replace(u'\n', u' ');
}

}  // namespace harf::ui
