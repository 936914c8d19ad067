// Choosing the display font. Harf shapes Arabic itself and writes one glyph
// code per letter form into its text boxes, so those boxes need a font that
// shows at every glyph code the form that code stands for and never shapes:
// the legacy 8-bit font VarnelNormal, or, where that is not installed (nearly
// everywhere), the stand-in with the same code points that Harf carries as a Qt
// resource. Call these once a QGuiApplication exists.
#pragma once

#include <QRawFont>
#include <QString>
#include <vector>

#include "input/glyph_encoding.h"

namespace harf::ui {

// Family name of the legacy display font the glyph codes were made for.
inline constexpr char kLegacyDisplayFamily[] = "VarnelNormal";

// Registers the bundled stand-in font with the application, the first time it
// is called, and returns its family name; an empty string if Qt refuses it.
QString LoadStandInFont();

// The family the line and the text area are to be set in: VarnelNormal when
// the system has it, otherwise the bundled stand-in. Should the stand-in fail
// to load, VarnelNormal is returned all the same and Qt substitutes a font.
QString LoadDisplayFont();

// Whether the last call of LoadDisplayFont chose the bundled stand-in.
bool StandInFontInUse();

// How a font holds the glyph codes the tables use: the kind whose characters
// it has a glyph for at every code, or else at the most codes (the first of
// kGlyphEncodings on a tie), and the codes it lacks in that kind.
struct FontCoverage {
  GlyphEncoding encoding = GlyphEncoding::Symbol;
  std::vector<GlyphCode> missing;
};
FontCoverage CoverageOf(const QRawFont& font);

// The coverage of the font the last call of LoadDisplayFont chose.
const FontCoverage& DisplayCoverage();

}  // namespace harf::ui
