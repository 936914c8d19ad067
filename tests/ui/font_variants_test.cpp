// The window with a VarnelNormal of each cmap kind installed: the stand-in,
// renamed, slanted and mapped in one kind only. The boxes, the key pictures
// and the clipboard must follow the kind the installed font has, with no
// fallback to the bundled stand-in.
#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QTest>
#include <memory>

#include "input/glyph_encoding.h"
#include "tables/glyph_table.h"
#include "ui/display_font.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#include "ui/key_pictures.h"
#include "window_driver.h"

using harf::GlyphCode;
using harf::GlyphEncoding;
using harf::testing::Codes;
Q_DECLARE_METATYPE(GlyphEncoding)

namespace {

QString Chars(const Codes& codes, GlyphEncoding e) {
  return QString::fromStdU32String(harf::EncodeCodes(codes, e));
}

}  // namespace

class FontVariantsTest : public QObject {
  Q_OBJECT

 private slots:
  void followsTheInstalledFont_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<GlyphEncoding>("encoding");
    QTest::addRow("symbol") << HARF_VARIANT_FONT_SYMBOL << GlyphEncoding::Symbol;
    QTest::addRow("latin1") << HARF_VARIANT_FONT_LATIN1 << GlyphEncoding::Latin1;
    QTest::addRow("windows-1252") << HARF_VARIANT_FONT_WINDOWS << GlyphEncoding::Windows1252;
  }
  void followsTheInstalledFont() {
    QFETCH(QString, path);
    QFETCH(GlyphEncoding, encoding);
    const int id = QFontDatabase::addApplicationFont(path);
    QVERIFY2(id >= 0, qPrintable(path));
    auto w = std::make_unique<harf::ui::frmMain>();
    harf::testing::WindowDriver d(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));

    QCOMPARE(w->encoding(), encoding);
    QVERIFY(!harf::ui::StandInFontInUse());
    QVERIFY(harf::ui::DisplayCoverage().missing.empty());
    QVERIFY(
        !d.child<QLabel>(QStringLiteral("Label1"))->text().contains(QStringLiteral("no glyph")));

    // The line box draws from the variant, and every code has its glyph.
    const harf::ui::GlyphFont& glyphs = d.txtT()->glyphFont();
    QCOMPARE(glyphs.font.familyName(), QStringLiteral("VarnelNormal"));
    const QRawFont standIn = QRawFont::fromFont(QFont(harf::ui::LoadStandInFont()));
    QVERIFY(standIn.familyName() != glyphs.font.familyName());
    for (const GlyphCode code : harf::IsoGlyph) {
      if (code != harf::NoGlyph)
        QVERIFY2(glyphs.glyph[code] != 0, qPrintable(QString::number(code)));
    }

    // The key pictures come from the variant, whose outlines differ from the
    // stand-in's.
    auto* ba = qobject_cast<harf::ui::FlatButton*>(d.key(2));
    QVERIFY(ba);
    harf::ui::PictureFonts fromStandIn{
        QRawFont::fromFont(d.txtT()->font()), GlyphEncoding::Symbol, {}};
    QFont standInFont = d.txtT()->font();
    standInFont.setFamily(harf::ui::LoadStandInFont());
    fromStandIn.letters = QRawFont::fromFont(standInFont);
    fromStandIn.signs = fromStandIn.letters;
    const QPixmap mine = ba->picture();
    const QPixmap other =
        harf::ui::KeyPicture(2, fromStandIn, mine.devicePixelRatio(), mine.deviceIndependentSize());
    QVERIFY(mine.toImage() != other.toImage());

    // The text area holds the kind's characters; the clipboard's STRING
    // target one byte per code, its Unicode target the kind's characters.
    d.type(U"bmb\r");
    QCOMPARE(d.txtF()->toPlainText(), Chars({107, 182, 32}, encoding));
    QCOMPARE(QFontInfo(d.txtF()->font()).family(), QStringLiteral("VarnelNormal"));
    d.type(U"l' ");
    d.release(Qt::Key_F5);
    QCOMPARE(harf::testing::ClipboardBytes(), (Codes{32, 252, 32}));
    QCOMPARE(harf::testing::ClipboardUnicode(), Chars({32, 252, 32}, encoding));

    // A selection in the text area gives what the clipboard would.
    d.txtF()->selectAll();
    std::unique_ptr<QMimeData> selection(
        static_cast<harf::ui::GlyphTextArea*>(d.txtF())->selectionMimeData());
    QCOMPARE(selection->formats(), (QStringList{"text/plain", "text/plain;charset=utf-8"}));
    for (const QString& format : selection->formats()) {
      QCOMPARE(QString::fromUtf8(selection->data(format)), Chars({107, 182, 32}, encoding));
    }

    // Glyph-code text in the kind's characters is read back into letters.
    w->PasteGlyphTextOf(Chars({32, 252, 32}, encoding));
    QCOMPARE(w->typist().line().Codes(), (Codes{32, 252, 32, 252, 32}));

    w.reset();
    QFontDatabase::removeApplicationFont(id);
  }

  // A font that covers no kind fully is read in the kind that covers most;
  // the label names the codes it lacks once, at start-up, and typing goes
  // on as usual, the copy still holding every code.
  void partialFontNamesTheCodesItLacks() {
    const int id = QFontDatabase::addApplicationFont(HARF_VARIANT_FONT_PARTIAL);
    QVERIFY(id >= 0);
    auto w = std::make_unique<harf::ui::frmMain>();
    harf::testing::WindowDriver d(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));

    QCOMPARE(w->encoding(), GlyphEncoding::Windows1252);
    QCOMPARE(harf::ui::DisplayCoverage().missing, (Codes{128, 173, 252}));
    auto* label = d.child<QLabel>(QStringLiteral("Label1"));
    QCOMPARE(label->text(),
             QStringLiteral(
                 "VarnelNormal has no glyph for codes 128, 173, 252 (read as windows-1252)."));
    d.type(U"nHn ");
    QVERIFY2(!label->text().contains(QStringLiteral("no glyph")), qPrintable(label->text()));
    d.release(Qt::Key_F5);
    QCOMPARE(harf::testing::ClipboardBytes(), (Codes{32, 229, 173, 32}));
    QCOMPARE(harf::testing::ClipboardUnicode(),
             Chars({32, 229, 173, 32}, GlyphEncoding::Windows1252));
    QVERIFY(!label->text().contains(QStringLiteral("no glyph")));

    w.reset();
    QFontDatabase::removeApplicationFont(id);
  }
};

QTEST_MAIN(FontVariantsTest)
#include "font_variants_test.moc"
