#include "ui/translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace harf::ui {

QString InstallTranslations(QCoreApplication& app) {
  // The system's UI languages in the user's order of preference (LANGUAGE,
  // then LC_ALL, LC_MESSAGES, LANG). The first that is English or that Harf
  // has wins: LANGUAGE=en:de means English although German is there.
  for (const QString& name : QLocale().uiLanguages()) {
    const QLocale language(name);
    if (language.language() == QLocale::English || language.language() == QLocale::C) return {};
    QString code = QLocale::languageToCode(language.language());
    auto* own = new QTranslator(&app);
    // harf_de.qm and the like are compiled in as resources under :/i18n.
    if (!own->load(QStringLiteral(":/i18n/harf_") + code)) {
      delete own;
      continue;
    }
    QCoreApplication::installTranslator(own);
    // Qt's words in standard menus (Copy, Select All), where Debian's
    // qt6-translations-l10n is installed.
    auto* qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_") + code,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(qt);
    } else {
      delete qt;
    }
    return code;
  }
  return {};
}

}  // namespace harf::ui
