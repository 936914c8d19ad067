// The window's own words in the user's language: tooltips, menus, messages
// and accessible names. The captions of the keys, buttons and frames are the
// system's own and are never translated.
#pragma once

#include <QCoreApplication>

namespace harf::ui {

// Installs the translation of the window's words, and Qt's own where Debian
// has it, for the first of the system's UI languages Harf has (German), and
// returns that language's name ("de"); English, the words in the code, needs
// none and gives "". Call once a QCoreApplication exists, before the window is
// made.
QString InstallTranslations(QCoreApplication& app);

}  // namespace harf::ui
