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

// How a font holds the glyph codes the tables use: the kind whose characters
// it has a glyph for at every code, or else at the most codes (the first of
// kGlyphEncodings on a tie), and the codes it lacks in that kind.
struct FontCoverage {
  GlyphEncoding encoding = GlyphEncoding::Symbol;
  std::vector<GlyphCode> missing;
};
FontCoverage CoverageOf(const QRawFont& font);

// The font the line and the text area are set in, as the window keeps it.
struct DisplayFont {
  QString family;
  bool standIn = false;   // the bundled stand-in, not an installed VarnelNormal
  FontCoverage coverage;  // of an installed VarnelNormal; empty for the stand-in
  // The kind of characters the boxes hold the codes as.
  GlyphEncoding encoding() const { return standIn ? GlyphEncoding::Symbol : coverage.encoding; }
};

// VarnelNormal when the system has it, otherwise the bundled stand-in. Should
// the stand-in fail to load, VarnelNormal is chosen all the same and Qt
// substitutes a font.
DisplayFont ChooseDisplayFont();

// The same, the family alone. ChooseDisplayFont and LoadDisplayFont also keep
// their choice for the two calls below, for those that ask after a window has
// been made.
QString LoadDisplayFont();

// Whether the last choice was the bundled stand-in.
bool StandInFontInUse();

// The coverage of the last font chosen.
const FontCoverage& DisplayCoverage();

}  // namespace harf::ui
