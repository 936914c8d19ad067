#include "ui/display_font.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <array>

#include "tables/glyph_table.h"
#include "tables/ligature_table.h"

// The resource is compiled into the static library harf_font; nothing refers
// to its registration code, so the linker would drop it without this call.
static void InitFontResource() {
  Q_INIT_RESOURCE(harf_font);
}

namespace harf::ui {
namespace {

// The font travels inside the program: Harf reads no files at run time.
constexpr char kStandInResource[] = ":/harf/fonts/HarfStandIn.ttf";

// The last choice, for StandInFontInUse and DisplayCoverage only; the window
// keeps its own DisplayFont.
DisplayFont last_choice;

// Every glyph code the glyph and ligature tables write.
std::vector<GlyphCode> TableCodes() {
  std::array<bool, 256> used{};
  for (const auto* column : {&IsoGlyph, &IniGlyph, &MedGlyph, &FinGlyph}) {
    for (const GlyphCode code : *column) {
      if (code != NoGlyph) used[code] = true;
    }
  }
  for (const Ligature& l : kLigatures) used[l.code] = true;
  std::vector<GlyphCode> codes;
  for (std::size_t c = 0; c < used.size(); ++c) {
    if (used[c]) codes.push_back(static_cast<GlyphCode>(c));
  }
  return codes;
}

// The family as the system has it, looked up directly: a font of that family
// with fallback to other fonts off, whose own name is then compared. Listing
// every family of the system cost more than a quarter of the start-up.
QRawFont InstalledFont(const QString& family) {
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);
  font.setPixelSize(32);
  QRawFont raw = QRawFont::fromFont(font);
  if (!raw.isValid() || raw.familyName().compare(family, Qt::CaseInsensitive) != 0) return {};
  return raw;
}

}  // namespace

QString LoadStandInFont() {
  static QString family;  // registered once; a failure is retried on the next call
  if (!family.isEmpty()) return family;
  InitFontResource();
  QFile file(QString::fromLatin1(kStandInResource));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
  if (id < 0) return QString();
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  if (!families.isEmpty()) family = families.first();
  return family;
}

DisplayFont ChooseDisplayFont() {
  DisplayFont chosen;
  chosen.family = QLatin1String(kLegacyDisplayFamily);
  if (const QRawFont installed = InstalledFont(chosen.family); installed.isValid()) {
    chosen.coverage = CoverageOf(installed);
  } else if (const QString stand_in = LoadStandInFont(); !stand_in.isEmpty()) {
    chosen.family = stand_in;
    chosen.standIn = true;
  }
  last_choice = chosen;
  return chosen;
}

QString LoadDisplayFont() {
  return ChooseDisplayFont().family;
}

bool StandInFontInUse() {
  return last_choice.standIn;
}

FontCoverage CoverageOf(const QRawFont& font) {
  static const std::vector<GlyphCode> codes = TableCodes();
  FontCoverage best;
  bool first = true;
  for (const GlyphEncoding e : kGlyphEncodings) {
    FontCoverage c{e, {}};
    for (const GlyphCode code : codes) {
      if (!font.supportsCharacter(static_cast<uint>(CharOfCode(code, e))))
        c.missing.push_back(code);
    }
    if (first || c.missing.size() < best.missing.size()) best = std::move(c);
    first = false;
  }
  return best;
}

const FontCoverage& DisplayCoverage() {
  return last_choice.coverage;
}

}  // namespace harf::ui
