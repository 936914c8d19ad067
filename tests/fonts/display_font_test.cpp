// The display font: the bundled stand-in must show, at every glyph code the
// glyph and ligature tables write, a drawn glyph of the right kind, at
// U+F000+code (what the text boxes hold), at the Latin-1 code point and at the
// Windows-1252 character (what documents hold); and the start-up choice must
// prefer an installed VarnelNormal to it.
#include "ui/display_font.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QList>
#include <QPainterPath>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QTextLayout>
#include <QTextOption>
#include <map>
#include <set>
#include <string>

#include "input/glyph_encoding.h"
#include "tables/glyph_table.h"
#include "tables/ligature_table.h"

namespace harf {
namespace {

constexpr char16_t kBoxBase = 0xF000;  // the text boxes hold U+F000 + glyph code

std::set<int> LetterCodes() {
  std::set<int> codes;
  for (const auto* column : {&IsoGlyph, &IniGlyph, &MedGlyph, &FinGlyph}) {
    for (GlyphCode code : *column) {
      if (code != NoGlyph) codes.insert(code);
    }
  }
  return codes;
}

std::set<int> TableCodes() {
  std::set<int> codes = LetterCodes();
  for (const Ligature& l : kLigatures) codes.insert(l.code);
  return codes;
}

std::string Hex(int cp) {
  return QString::number(cp, 16).toUpper().toStdString();
}

// The stand-in at 1000 pixels to the em, which is its design grid, unhinted
// and without fallback fonts: with font merging Qt would report a glyph that
// the font lacks as present, drawn from some other font.
QFont StandInFont() {
  QFont font(ui::LoadStandInFont());
  font.setPixelSize(1000);
  font.setStyleStrategy(QFont::NoFontMerging);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

QRawFont StandIn() {
  return QRawFont::fromFont(StandInFont());
}

// Glyph index of one character; 0 (.notdef) when the font does not map it.
quint32 GlyphOf(const QRawFont& font, char16_t ch) {
  const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(ch)));
  return glyphs.size() == 1 ? glyphs.front() : 0;
}

qreal Advance(const QRawFont& font, quint32 glyph) {
  return font.advancesForGlyphIndexes({glyph}, QRawFont::UseDesignMetrics).front().x();
}

// Ink of a glyph; y grows downwards, the origin is on the baseline.
QRectF Ink(const QRawFont& font, quint32 glyph) {
  return font.pathForGlyph(glyph).boundingRect();
}

TEST(StandInFont, LoadsFromTheResourceUnderItsOwnFamily) {
  const QString family = ui::LoadStandInFont();
  ASSERT_FALSE(family.isEmpty());
  EXPECT_NE(family, QLatin1String(ui::kLegacyDisplayFamily));
  EXPECT_EQ(ui::LoadStandInFont(), family);
  EXPECT_EQ(StandIn().familyName(), family) << "Qt substituted another font";
}

TEST(StandInFont, DrawsEveryTableCodeInEveryEncoding) {
  const QRawFont font = StandIn();
  for (int code : TableCodes()) {
    if (code == kSpaceCode) continue;
    SCOPED_TRACE("glyph code " + std::to_string(code));
    const quint32 boxed = GlyphOf(font, kBoxBase + code);
    ASSERT_NE(boxed, 0u) << "U+" << Hex(kBoxBase + code) << " is not mapped";
    EXPECT_FALSE(font.pathForGlyph(boxed).isEmpty());
    for (const GlyphEncoding e : kGlyphEncodings) {
      const char32_t ch = CharOfCode(static_cast<GlyphCode>(code), e);
      EXPECT_EQ(GlyphOf(font, static_cast<char16_t>(ch)), boxed)
          << "U+" << Hex(static_cast<int>(ch)) << " (" << EncodingName(e) << ") differs";
    }
  }
}

// How far the middle third of a glyph's ink lies right of its top third: ")"
// and ">>" bulge or point to the right (positive), "(" and "<<" to the left.
qreal Bulge(const QRawFont& font, GlyphCode code) {
  const QPainterPath ink = font.pathForGlyph(GlyphOf(font, kBoxBase + code));
  const QRectF box = ink.boundingRect();
  auto centre = [&](qreal from, qreal to) {
    QPainterPath band;
    band.addRect(QRectF(box.left() - 1, box.top() + box.height() * from, box.width() + 2,
                        box.height() * (to - from)));
    return ink.intersected(band).boundingRect().center().x();
  };
  return centre(1.0 / 3, 2.0 / 3) - centre(0, 1.0 / 3);
}

// The line runs right to left and holds private-use characters, which no bidi
// pass mirrors: the opening mark, typed first, stands at the right end of what
// it encloses and must face left, like ")" and ">>"; typed "(ktb) <qlm>" reads
// (ktb) <<qlm>> on the screen.
TEST(StandInFont, BracketsAndGuillemetsFaceTheTextTheyEnclose) {
  const QRawFont font = StandIn();
  for (const LetterIndex opening : {kLeftParenthesis, kOpeningQuote}) {
    SCOPED_TRACE(std::to_string(opening));
    EXPECT_GT(Bulge(font, IsoGlyph[opening]), 0);
  }
  for (const LetterIndex closing : {kRightParenthesis, kClosingQuote}) {
    SCOPED_TRACE(std::to_string(closing));
    EXPECT_LT(Bulge(font, IsoGlyph[closing]), 0);
  }
}

TEST(StandInFont, SpaceIsBlankInBothRanges) {
  const QRawFont font = StandIn();
  const quint32 space = GlyphOf(font, kSpaceCode);
  ASSERT_NE(space, 0u);
  EXPECT_EQ(GlyphOf(font, kBoxBase + kSpaceCode), space);
  EXPECT_TRUE(font.pathForGlyph(space).isEmpty());
  EXPECT_GT(Advance(font, space), 0);
}

TEST(StandInFont, LeavesControlCharactersUnmapped) {
  const QRawFont font = StandIn();
  for (char16_t c = 0; c < kSpaceCode; ++c) {
    if (c == u'\t') continue;  // Qt draws a tab with the space glyph whatever the font maps
    EXPECT_FALSE(font.supportsCharacter(c)) << "U+" << Hex(c);
  }
}

TEST(StandInFont, DistinctCodesShowDistinctGlyphs) {
  const QRawFont font = StandIn();
  std::map<quint32, int> code_of_glyph;
  for (int code : TableCodes()) {
    const auto [it, fresh] = code_of_glyph.emplace(GlyphOf(font, kBoxBase + code), code);
    EXPECT_TRUE(fresh) << "codes " << it->second << " and " << code << " share a glyph";
  }
}

// Which sides of a glyph must connect to the glyph beside it: a form that joins
// the letter after it (initial, medial) reaches out past its left edge, one
// that joins the letter before it (medial, final) past its right edge.
struct Joins {
  bool left = false;
  bool right = false;
};

std::map<int, Joins> RequiredJoins() {
  std::map<int, Joins> joins;
  for (int i = 0; i < kLetterCount; ++i) {
    if (MedGlyph[i] == NoGlyph) continue;  // spaces, digits, signs, punctuation
    if (FinGlyph[i] == MedGlyph[i]) {      // two-glyph letter: its joined glyph
      joins[FinGlyph[i]].right = true;
      continue;
    }
    joins[IniGlyph[i]].left = true;
    joins[MedGlyph[i]].left = true;
    joins[MedGlyph[i]].right = true;
    joins[FinGlyph[i]].right = true;
  }
  for (const Ligature& l : kLigatures) {
    joins[l.code].right = FormOf[l.M] == kMedial;
    joins[l.code].left = FormOf[l.N] == kMedial;
  }
  return joins;
}

TEST(StandInFont, JoiningFormsReachTheirNeighbours) {
  const QRawFont font = StandIn();
  for (const auto& [code, joins] : RequiredJoins()) {
    SCOPED_TRACE("glyph code " + std::to_string(code));
    const quint32 glyph = GlyphOf(font, kBoxBase + code);
    const QRectF ink = Ink(font, glyph);
    if (joins.left) {
      EXPECT_LT(ink.left(), 0) << "does not join the glyph to its left";
    }
    if (joins.right) {
      EXPECT_GT(ink.right(), Advance(font, glyph)) << "does not join the glyph to its right";
    }
  }
}

TEST(StandInFont, FreeFormsStandClearOfTheLetterAfterThem) {
  const QRawFont font = StandIn();
  for (int i = 0; i < kLetterCount; ++i) {
    if (MedGlyph[i] == NoGlyph || FinGlyph[i] == MedGlyph[i]) continue;  // four-form letters
    for (GlyphCode code : {IsoGlyph[i], FinGlyph[i]}) {
      SCOPED_TRACE("letter " + std::to_string(i) + ", glyph code " + std::to_string(code));
      EXPECT_GT(Ink(font, GlyphOf(font, kBoxBase + code)).left(), 0);
    }
  }
}

// A sign is stored directly left of the letter that carries it and draws over
// that letter without moving the pen.
TEST(StandInFont, SignsAreZeroWidthMarksOverTheLetterToTheirRight) {
  const QRawFont font = StandIn();
  std::set<int> signs;
  for (int code = 0; code < kGlyphCount; ++code) {
    if (FormOf[code] == kSign) signs.insert(code);
  }
  ASSERT_FALSE(signs.empty());
  for (int sign : signs) {
    SCOPED_TRACE("sign glyph code " + std::to_string(sign));
    const quint32 glyph = GlyphOf(font, kBoxBase + sign);
    ASSERT_NE(glyph, 0u);
    EXPECT_EQ(Advance(font, glyph), 0);
    const QPainterPath mark = font.pathForGlyph(glyph);
    EXPECT_GE(mark.boundingRect().left(), 0);
    EXPECT_LT(mark.boundingRect().bottom(), 0) << "not above the baseline";
    for (int carrier = 0; carrier < kGlyphCount; ++carrier) {
      const LetterIndex letter = LetterOf[carrier];
      if (!(letter >= kAlif && letter <= kTaMarbuta) && letter != kHamza) continue;
      const QPainterPath body = font.pathForGlyph(GlyphOf(font, kBoxBase + carrier));
      EXPECT_FALSE(mark.intersects(body)) << "touches carrier glyph " << carrier;
    }
  }
}

// What a text box does with its text: Qt's text engine must draw every code's
// own glyph, in stored order, each advancing by its own width, with nothing
// substituted, reordered, kerned or positioned by the font's layout tables.
TEST(StandInFont, TextEngineDrawsBoxTextAsStored) {
  const QRawFont font = StandIn();
  QString text;
  QList<quint32> glyphs;
  QList<qreal> positions;
  qreal x = 0;
  for (int code : TableCodes()) {
    text += QChar(kBoxBase + code);
    glyphs.append(GlyphOf(font, kBoxBase + code));
    positions.append(x);
    x += Advance(font, glyphs.back());
  }
  QTextLayout layout(text, StandInFont());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  layout.createLine().setLineWidth(2 * x);
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  ASSERT_EQ(runs.size(), 1);
  EXPECT_EQ(runs.front().glyphIndexes(), glyphs);
  const QList<QPointF> drawn = runs.front().positions();
  ASSERT_EQ(drawn.size(), positions.size());
  for (qsizetype i = 0; i < drawn.size(); ++i) {
    ASSERT_NEAR(drawn[i].x(), positions[i], 0.5)
        << "glyph code " << text[i].unicode() - kBoxBase << " is out of place";
  }
}

// The key pictures draw each vowel sign as a dotted circle followed by the
// sign's own code point; the mark must land on the circle, clear of it.
TEST(StandInFont, KeyPictureMarksSitOnTheDottedCircle) {
  constexpr char16_t kDottedCircle = 0x25CC;
  for (char16_t mark : {0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x0651, 0x0652, 0x0670}) {
    SCOPED_TRACE("U+" + Hex(mark));
    QTextLayout layout(QString(QChar(kDottedCircle)) + QChar(mark), StandInFont());
    layout.beginLayout();
    layout.createLine().setLineWidth(10000);
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    ASSERT_EQ(runs.size(), 1);
    const QGlyphRun& run = runs.front();
    ASSERT_EQ(run.glyphIndexes().size(), 2);
    QRectF ink[2];
    for (int i = 0; i < 2; ++i) {
      ASSERT_NE(run.glyphIndexes()[i], 0u) << "glyph " << i << " missing";
      ink[i] = Ink(run.rawFont(), run.glyphIndexes()[i]).translated(run.positions()[i]);
    }
    const auto& [circle, sign] = ink;
    EXPECT_GT(sign.center().x(), circle.left());
    EXPECT_LT(sign.center().x(), circle.right());
    EXPECT_TRUE(sign.bottom() < circle.top() || sign.top() > circle.bottom())
        << "overlaps the circle";
  }
}

TEST(StandInFont, LineHeightHoldsEveryGlyphWithinTwoEms) {
  const QRawFont font = StandIn();
  EXPECT_LT(font.ascent() + font.descent(), 2 * font.pixelSize());
  for (int code : TableCodes()) {
    const QRectF ink = Ink(font, GlyphOf(font, kBoxBase + code));
    EXPECT_GE(ink.top(), -font.ascent() - 0.5) << "glyph code " << code;
    EXPECT_LE(ink.bottom(), font.descent() + 0.5) << "glyph code " << code;
  }
}

bool HasFamily(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

TEST(DisplayFont, PrefersAnInstalledLegacyFontToTheStandIn) {
  const QString legacy = QLatin1String(ui::kLegacyDisplayFamily);
  if (HasFamily(legacy)) GTEST_SKIP() << "VarnelNormal is installed here";

  EXPECT_EQ(ui::LoadDisplayFont(), ui::LoadStandInFont());
  EXPECT_TRUE(ui::StandInFontInUse());

  // A renamed copy of the stand-in plays the installed legacy font.
  QFile fake(QStringLiteral(HARF_FAKE_LEGACY_FONT));
  ASSERT_TRUE(fake.open(QIODevice::ReadOnly)) << HARF_FAKE_LEGACY_FONT;
  const int id = QFontDatabase::addApplicationFontFromData(fake.readAll());
  ASSERT_GE(id, 0);
  ASSERT_TRUE(HasFamily(legacy));
  EXPECT_EQ(ui::LoadDisplayFont(), legacy);
  EXPECT_FALSE(ui::StandInFontInUse());

  QFontDatabase::removeApplicationFont(id);
  EXPECT_EQ(ui::LoadDisplayFont(), ui::LoadStandInFont());
  EXPECT_TRUE(ui::StandInFontInUse());
}

}  // namespace
}  // namespace harf

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
