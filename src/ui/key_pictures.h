// Pictures drawn at start-up, in memory: the letter or sign on each key, and
// the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include "tables/glyph_table.h"

namespace harf::ui {

inline constexpr int kPictureWidth = 30;
inline constexpr int kPictureHeight = 35;

// What a key's picture shows for `letter`, as characters of `family`: the
// letter's isolated glyph, or for a vowel sign the sign on a dotted circle
// (every sign shares one glyph code, so the code alone would draw them alike).
QString PictureText(LetterIndex letter);

// The 30 x 35 picture of `letter`, drawn in `family` at device pixel ratio
// `dpr`: dark on transparent, centred on the glyph's own outline so that tails
// below the line (jim, ya) stay inside.
QPixmap KeyPicture(LetterIndex letter, const QString& family, qreal dpr);

// The window icon at 16 and 32 pixels.
QIcon WindowIcon(const QString& family);

}  // namespace harf::ui
