#include "ui/window_words.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <vector>

#include "input/unicode_text.h"
#include "tables/letter_names.h"
#include "ui/glyph_widgets.h"

namespace harf::ui {
namespace {

// Every sentence is written out at its call, so that lupdate finds it.
QString TypedName(char32_t c) {
  if (c == U' ') return QCoreApplication::translate("CoreWords", "the space bar");
  return QCoreApplication::translate("CoreWords", "\u201c%1\u201d").arg(QString::fromUcs4(&c, 1));
}

QString TypedNames(const std::vector<char32_t>& chars) {
  QString out;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    out = i == 0
              ? TypedName(chars[i])
              : QCoreApplication::translate("CoreWords", "%1 or %2").arg(out, TypedName(chars[i]));
  }
  return out;
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

}  // namespace

void InstallLineBoxAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(LineBoxFactory);
    return true;
  }();
  (void)installed;
}

QString SaidText(const Said& said, const QString& detail, const QString& kind) {
  const bool one = said.count == 1;
  const QString n = QString::number(said.count);
  switch (said.message) {
    case Message::None:
      return {};
    case Message::NothingPasted:
      return QCoreApplication::translate("CoreWords",
                                         "Nothing pasted: the clipboard holds no text.");
    case Message::LeftOut:
      return one ? QCoreApplication::translate(
                       "CoreWords",
                       "Pasted; 1 character was left out (no letter here, or a vowel sign the "
                       "letter before it does not take).")
                 : QCoreApplication::translate(
                       "CoreWords",
                       "Pasted; %1 characters were left out (no letter here, or a vowel sign "
                       "the letter before it does not take).")
                       .arg(n);
    case Message::GlyphTextLeftOut:
      return one ? QCoreApplication::translate(
                       "CoreWords",
                       "Pasted; 1 character was left out (a character of no glyph code, a code "
                       "no letter uses, or a sign with nothing to carry it).")
                 : QCoreApplication::translate(
                       "CoreWords",
                       "Pasted; %1 characters were left out (characters of no glyph code, "
                       "codes no letter uses, or signs with nothing to carry them).")
                       .arg(n);
    case Message::FontLacksCodes:
      return one ? QCoreApplication::translate(
                       "CoreWords", "VarnelNormal has no glyph for code %1 (read as %2).")
                       .arg(detail, kind)
                 : QCoreApplication::translate(
                       "CoreWords", "VarnelNormal has no glyph for codes %1 (read as %2).")
                       .arg(detail, kind);
  }
  return {};
}

QString KeyTooltip(const KeyHelp& help) {
  if (help.how == KeyHow::NotInUse) return QCoreApplication::translate("CoreWords", "Not in use");
  QString tip = QString::fromUtf8(LetterName(help.letter).data(),
                                  static_cast<qsizetype>(LetterName(help.letter).size()));
  const QString typed = TypedNames(help.typed);
  switch (help.how) {
    case KeyHow::NotInUse:
      break;
    case KeyHow::Typed:
      tip += u'\n' + QCoreApplication::translate("CoreWords", "type %1").arg(typed);
      break;
    case KeyHow::TypedNotClickable:
      tip += u'\n' +
             QCoreApplication::translate("CoreWords", "type %1 (the key itself cannot be clicked)")
                 .arg(typed);
      break;
    case KeyHow::ClickOnly:
      tip += u'\n' + QCoreApplication::translate("CoreWords", "click the key to enter it");
      break;
    case KeyHow::OtherLayout:
    case KeyHow::PasteUnicodeOnly:
      tip += u'\n' + QCoreApplication::translate(
                         "CoreWords",
                         "cannot be entered with this layout: the key cannot be clicked and no "
                         "typed character enters it");
      tip += u'\n';
      if (help.how == KeyHow::PasteUnicodeOnly) {
        tip += QCoreApplication::translate("CoreWords", "(Paste Unicode enters it)");
      } else if (help.other == Layout::Arabic) {
        tip += QCoreApplication::translate("CoreWords", "(type %1 with the Arabic layout shown)")
                   .arg(typed);
      } else {
        tip +=
            QCoreApplication::translate("CoreWords", "(type %1 with the Systematic layout shown)")
                .arg(typed);
      }
      break;
  }
  return tip;
}

QString KeyDescription(const QString& tooltip) {
  const qsizetype newline = tooltip.indexOf(u'\n');
  return newline < 0 ? tooltip : tooltip.mid(newline + 1).replace(u'\n', u' ');
}

}  // namespace harf::ui
