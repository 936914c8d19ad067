// What the window says about the model and the keys, in the user's language.
// The model and the key tables speak English (they are shared with the web
// page and have no Qt); the window translates what they say here, against a
// list of their sentences kept beside the code that shows them.
#pragma once

#include <QString>
#include <string_view>

class QWidget;

namespace harf::ui {

// `english`, a message or tooltip of the model or the key tables, translated
// line by line. A line matches one of the known sentences, whose %1, %2 stand
// for any text that is translated in turn ("type “b” or the space bar" is
// "type %1" around "%1 or %2" around "the space bar"); a line no sentence
// matches, such as a letter's name, stays as it is.
QString TranslateCoreText(std::string_view english);

// Whether TranslateCoreText translates at all: set when a translation of the
// window is installed, off (English) until then.
void SetCoreTextTranslated(bool on);
bool CoreTextTranslated();

// The accessible description of a key: its tooltip without the first line,
// which names the letter and is already the key's accessible name.
QString KeyDescription(const QString& tooltip);

// Lets a screen reader read the line box as a read-only text field whose
// value is the line in Unicode Arabic, not the private-use glyph codes it
// draws. Installed once, before the window is made.
void InstallLineBoxAccessibility();

}  // namespace harf::ui
