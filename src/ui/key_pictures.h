// Pictures drawn at start-up, in memory: the letter or sign on each key, and
// the window icon.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRawFont>
#include <QString>

#include "input/glyph_encoding.h"
#include "tables/glyph_table.h"

namespace harf::ui {

inline constexpr int kPictureWidth = 30;
inline constexpr int kPictureHeight = 35;
// About the size the letter is drawn at in a picture, in pixels.
inline constexpr qreal kPicturePixelSize = 26;

// What a key's picture shows for `letter`, as characters of the display font:
// the letter's isolated glyph, or for a vowel sign the sign on a dotted circle
// (every sign shares one glyph code, so the code alone would draw them alike).
QString PictureText(LetterIndex letter);

// The outlines the pictures and the icon are drawn from. Given the line's own
// font, no further font has to be loaded at start-up.
QRawFont PictureFont(const QFont& font);

// The fonts pictures are drawn from: the display font with the kind it maps
// its codes in, for the letters and the icon, and the stand-in, for the signs
// on their dotted circle (a legacy font has neither the circle nor the
// separate marks).
struct PictureFonts {
  QRawFont letters;
  GlyphEncoding encoding = GlyphEncoding::Symbol;
  QRawFont signs;
};

// The picture of `letter`, 30 x 35 pixels or, where a key has less room, the
// same drawing shrunk to `size`, at device pixel ratio `dpr`: dark on
// transparent, centred on the glyph's own outline so that tails below the
// line (jim, ya) stay inside.
QPixmap KeyPicture(LetterIndex letter, const PictureFonts& fonts, qreal dpr,
                   QSizeF size = QSizeF(kPictureWidth, kPictureHeight));

// The size a picture takes in `room`: 30 x 35, shrunk to fit.
QSize PictureSizeFor(const QSize& room);

// A right-pointing arrow filling `size`, for the backspace button: drawn, so
// that no symbol font has to be found and loaded for one character.
QPixmap ArrowPicture(const QSize& size, qreal dpr);

// The window icon at 16 and 32 pixels: hha on the line's text colour.
QIcon WindowIcon(const PictureFonts& fonts);

}  // namespace harf::ui
