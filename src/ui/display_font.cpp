#include "ui/display_font.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QStringList>

// The resource is compiled into the static library harf_font; nothing refers
// to its registration code, so the linker would drop it without this call.
static void InitFontResource() {
  Q_INIT_RESOURCE(harf_font);
}

namespace harf::ui {
namespace {

// The font travels inside the program: Harf reads no files at run time.
constexpr char kStandInResource[] = ":/harf/fonts/HarfStandIn.ttf";

bool stand_in_in_use = false;

// One direct lookup of the family: listing every family (families()) makes
// fontconfig describe every font on the system, a quarter of the start-up.
bool SystemHasFamily(const QString& family) {
  return QFontDatabase::hasFamily(family);
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

QString LoadDisplayFont() {
  const QString legacy = QLatin1String(kLegacyDisplayFamily);
  stand_in_in_use = false;
  if (SystemHasFamily(legacy)) return legacy;
  const QString stand_in = LoadStandInFont();
  if (stand_in.isEmpty()) return legacy;
  stand_in_in_use = true;
  return stand_in;
}

bool StandInFontInUse() {
  return stand_in_in_use;
}

}  // namespace harf::ui
