// What the window says about the model and the keys, in the user's language.
// The model and the key tables say what happened and what a key does in
// values (input/messages.h); the window words them here through Qt Linguist
// (context "CoreWords"), as the web page does through its own tables.
#pragma once

#include <QString>

#include "input/key_faces.h"
#include "input/messages.h"

class QWidget;

namespace harf::ui {

// The label's words for what the model said; `detail` fills in what only the
// window knows (the codes a font lacks, and the kind they were read as).
QString SaidText(const Said& said, const QString& detail = {}, const QString& kind = {});

// A key's tooltip: its letter's name, then how it is entered.
QString KeyTooltip(const KeyHelp& help);

// The accessible description of a key: its tooltip without the first line,
// which names the letter and is already the key's accessible name.
QString KeyDescription(const QString& tooltip);

// Lets a screen reader read the line box as a read-only text field whose
// value is the line in Unicode Arabic, not the private-use glyph codes it
// draws. Installed once, before the window is made.
void InstallLineBoxAccessibility();

}  // namespace harf::ui
