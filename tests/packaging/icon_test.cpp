// The installed icons are drawn from the same glyph and colours as the icon
// the running window shows: compare the window's own icon with the generated
// PNGs pixel by pixel, allowing for the two rasterisers' antialiasing.
#include <QIcon>
#include <QImage>
#include <QTest>

#include "ui/display_font.h"
#include "ui/frm_main.h"

namespace {

// Mean absolute difference per channel (0..255) of two images of one size.
double MeanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGBA8888);
  const QImage y = b.convertToFormat(QImage::Format_RGBA8888);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    const uchar* p = x.constScanLine(row);
    const uchar* q = y.constScanLine(row);
    for (int i = 0; i < x.width() * 4; ++i) sum += std::abs(int(p[i]) - int(q[i]));
  }
  return sum / (x.width() * x.height() * 4.0);
}

}  // namespace

class IconTest : public QObject {
  Q_OBJECT

 private slots:
  void installedIconsShowTheWindowIcon_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("16") << 16;
    QTest::newRow("32") << 32;
  }

  void installedIconsShowTheWindowIcon() {
    QFETCH(int, size);
    harf::ui::frmMain window;
    if (!harf::ui::StandInFontInUse()) QSKIP("the window draws its icon from VarnelNormal");
    const QImage shown = window.windowIcon().pixmap(size, size).toImage();
    QCOMPARE(shown.size(), QSize(size, size));

    const QString path = QStringLiteral(HARF_ICON_DIR "/%1x%1/org.harf.Harf.png").arg(size);
    const QImage installed(path);
    QVERIFY2(!installed.isNull(), qPrintable(path));
    QCOMPARE(installed.size(), shown.size());

    // The rasterisers differ by about 0.45; jim, which is hha with a dot,
    // by 1.5, a mirrored icon by 14.
    const double same = MeanDifference(shown, installed);
    const double mirrored = MeanDifference(shown.mirrored(true, false), installed);
    QVERIFY2(same < 1.0, qPrintable(QStringLiteral("differs by %1").arg(same)));
    QVERIFY2(mirrored > 2 * same, qPrintable(QStringLiteral("mirror %1").arg(mirrored)));
  }
};

QTEST_MAIN(IconTest)
#include "icon_test.moc"
