#include "ui/frm_main.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <map>

#include "input/glyph_encoding.h"
#include "input/key_faces.h"
#include "input/unicode_text.h"
#include "shaping/engine.h"
#include "tables/letter_names.h"
#include "ui/display_font.h"
#include "ui/glyph_widgets.h"
#include "ui/key_pictures.h"
#include "ui/window_layout.h"
#include "ui/window_words.h"
#if HARF_X11
#include "ui/x_selection.h"
#endif

namespace harf::ui {
namespace {

const QColor kKeyGrey(224, 224, 224);
const QColor kCopyGreen(192, 255, 192);
const QColor kClearRed(255, 192, 192);
const QColor kKeybYellow(255, 255, 128);
const QColor kEnterOrange(255, 224, 192);
const QColor kGlyphText(128, 64, 64);

// The arrow on the Backspace key, in pixels.
constexpr QSize kBackspaceArrow(20, 12);

// Lines longer than this (glyphs) turn the text area's wrapping off.
constexpr std::size_t kLongestWrappedLine = 4096;

const QString kCaptionSystematic = QString::fromUtf8(KeybCaption(Layout::Systematic));
const QString kCaptionArabic = QString::fromUtf8(KeybCaption(Layout::Arabic));

QFont Arial(qreal points, bool bold = false) {
  QFont f(QStringLiteral("Arial"));
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

void SetBackground(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Button, c);
  w->setPalette(p);
}

QString BoxText(const std::vector<GlyphCode>& codes, GlyphEncoding e) {
  const std::u16string text = EncodeCodesUtf16(codes, e);
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

FlatButton* CommandButton(QWidget* parent, const char* name, const QString& caption,
                          const QRect& geometry, const QColor& background, const QFont& font) {
  auto* b = new FlatButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  b->setGeometry(geometry);
  b->setFont(font);
  b->setFocusPolicy(Qt::StrongFocus);
  SetBackground(b, background);
  return b;
}

// Unicode text read as ICU reads it: NFKC, and numbers in ICU's bidi order.
UnicodeReading IcuReading() {
  return {[](std::u32string_view line, std::u32string& out) {
            std::size_t dropped = 0;
            out += Nfkc(line, &dropped);
            return dropped;
          },
          IcuBidiOrder};
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent), typist_(Layout::Systematic, IcuReading()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Harf"));
  InstallLineBoxAccessibility();
  setFixedSize(Px(kWindowLayout.frmMain.width), Px(kWindowLayout.frmMain.height));
  Form_Load();
  BuildPanel();
  BuildSystematic();
  BuildArabic();
  BuildKeys(Layout::Systematic);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(Twips(kWindowLayout.Label1));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setFont(Arial(kCaptionPoints));
  credit_ = displayFont_.standIn
                ? tr("Harf \u2014 shaped Arabic in 8-bit glyph codes (stand-in display font)")
                : tr("Harf \u2014 shaped Arabic in 8-bit glyph codes for VarnelNormal");
  BuildUnicodeCommands();
  SetTabOrder();
  setWindowIcon(WindowIcon(pictureFonts_));
  if (const auto& missing = displayFont_.coverage.missing; !missing.empty()) {
    QStringList codes;
    for (const GlyphCode c : missing) codes << QString::number(c);
    missingCodes_ = codes.join(QStringLiteral(", "));
    typist_.Say({Message::FontLacksCodes, missing.size()});
  }
  Mirror();
  cmdBkSp->setFocus();
  qApp->installEventFilter(this);
}

frmMain::~frmMain() {
  qApp->removeEventFilter(this);
}

// Start-up: the display font for the line. The tables are constant data
// compiled into the program and need no filling.
void frmMain::Form_Load() {
  displayFont_ = ChooseDisplayFont();
  encoding_ = displayFont_.encoding();
}

void frmMain::BuildPanel() {
  fra1 = new CaptionFrame(QString(), this);
  fra1->setObjectName(QStringLiteral("fra1"));
  fra1->setGeometry(Twips(kWindowLayout.fra1));
  fra1->setAccessibleName(tr("Line and text"));

  QFont lineFont(displayFont_.family);
  lineFont.setPointSizeF(kLinePoints);
  txtT = new GlyphLineBox(fra1);
  txtT->setObjectName(QStringLiteral("txtT"));
  txtT->setGeometry(Twips(kWindowLayout.txtT));
  txtT->setAccessibleName(tr("Line"));
  txtT->setFont(lineFont);
  // The boxes hold code c as U+F000+c, where the display font has its glyph.
  std::array<char32_t, 256> charOf{};
  for (std::size_t c = 0; c < charOf.size(); ++c) {
    charOf[c] = CharOfCode(static_cast<GlyphCode>(c), encoding_);
  }
  txtT->setGlyphFont(GlyphFont::Make(QRawFont::fromFont(lineFont), charOf));

  txtF = new GlyphTextArea(fra1);
  txtF->setEncoding(encoding_);
#if HARF_X11
  xSelection_ = XSelection::ForApplication();
  if (xSelection_) {
    connect(txtF, &GlyphTextArea::selectionMade, this,
            [this] { Offer(QClipboard::Selection, txtF->selectedCodes()); });
  }
#endif
  txtF->setObjectName(QStringLiteral("txtF"));
  txtF->setGeometry(Twips(kWindowLayout.txtF));
  txtF->setAccessibleName(tr("Text area"));
  QFont textFont(displayFont_.family);
  textFont.setPointSizeF(kTextPoints);
  txtF->setFont(textFont);
  txtF->setReadOnly(true);
  txtF->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  txtF->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QTextOption right = txtF->document()->defaultTextOption();
  right.setAlignment(Qt::AlignRight);
  right.setTextDirection(Qt::LeftToRight);
  txtF->document()->setDefaultTextOption(right);

  for (QWidget* box : {static_cast<QWidget*>(txtT), static_cast<QWidget*>(txtF)}) {
    QPalette p = box->palette();
    p.setColor(QPalette::Text, kGlyphText);
    box->setPalette(p);
    box->setLayoutDirection(Qt::LeftToRight);
  }

  cmdCopyClose = new MouseUpButton(QStringLiteral("F5 COPY Line"), fra1);
  cmdCopyClose->setObjectName(QStringLiteral("cmdCopyClose"));
  cmdCopyClose->setGeometry(Twips(kWindowLayout.cmdCopyClose));
  cmdCopyClose->setFont(Arial(kCaptionPoints, true));
  cmdCopyClose->setFocusPolicy(Qt::StrongFocus);
  SetBackground(cmdCopyClose, kCopyGreen);
  cmdClear = CommandButton(fra1, "cmdClear", QStringLiteral("F7 Clear Line"),
                           Twips(kWindowLayout.cmdClear), kClearRed, Arial(kCaptionPoints));
  cmdCopyText =
      CommandButton(fra1, "cmdCopyText", QStringLiteral("Copy Text"),
                    Twips(kWindowLayout.cmdCopyText), kCopyGreen, Arial(kCaptionPoints, true));
  cmdClearText = CommandButton(fra1, "cmdClearText", QStringLiteral("Clear Text"),
                               Twips(kWindowLayout.cmdClearText), kClearRed, Arial(kCaptionPoints));
  cmdKeyb = CommandButton(fra1, "cmdKeyb", kCaptionSystematic, Twips(kWindowLayout.cmdKeyb),
                          kKeybYellow, Arial(kCaptionPoints));

  connect(txtT, &GlyphLineBox::clicked, this, &frmMain::txtT_Click);
  connect(txtT, &GlyphLineBox::selected, this,
          [this] { Offer(QClipboard::Selection, txtT->selectedCodes()); });
  connect(txtT, &GlyphLineBox::cursorKey, this, [this](CursorMove move) {
    typist_.MoveCursor(move);
    Mirror();
  });
  connect(cmdCopyClose, &MouseUpButton::mouseUp, this, &frmMain::cmdCopyClose_MouseUp);
  connect(cmdClear, &FlatButton::clicked, this, &frmMain::cmdClear_Click);
  connect(cmdCopyText, &FlatButton::clicked, this, &frmMain::cmdCopyText_Click);
  connect(cmdClearText, &FlatButton::clicked, this, &frmMain::cmdClearText_Click);
  connect(cmdKeyb, &FlatButton::clicked, this, &frmMain::cmdKeyb_Click);
}

void frmMain::BuildSystematic() {
  frmSyst = new CaptionFrame(QStringLiteral("Systematic"), this);
  frmSyst->setObjectName(QStringLiteral("frmSyst"));
  frmSyst->setAccessibleName(frmSyst->caption());
  frmSyst->setFont(Arial(kCaptionPoints));
  frmSyst->setGeometry(Twips(kLayoutFrame));
  cmdEnter = CommandButton(frmSyst, "cmdEnter", QStringLiteral("Enter"), Twips(kEnterButton),
                           kEnterOrange, Arial(kCaptionPoints));
  cmdBkSp = CommandButton(frmSyst, "cmdBkSp", QString(), Twips(kBackspaceButton), kEnterOrange,
                          Arial(kCaptionPoints));
  cmdBkSp->setPicture(ArrowPicture(kBackspaceArrow, qApp->devicePixelRatio()));
  cmdBkSp->setToolTip(tr("Delete the last letter (Backspace or Delete)"));
  cmdBkSp->setAccessibleName(tr("Backspace"));
  connect(cmdEnter, &FlatButton::clicked, this, &frmMain::cmdEnter_Click);
  connect(cmdBkSp, &FlatButton::clicked, this, &frmMain::cmdBkSp_Click);
}

void frmMain::BuildArabic() {
  frmArabic = new CaptionFrame(QStringLiteral("Arabic"), this);
  frmArabic->setObjectName(QStringLiteral("frmArabic"));
  frmArabic->setAccessibleName(frmArabic->caption());
  frmArabic->setFont(Arial(kCaptionPoints));
  frmArabic->setGeometry(Twips(kLayoutFrame));
}

void frmMain::BuildKeys(Layout layout) {
  if (pictureFonts_.letters.pixelSize() <= 0) {
    // Letters come from the display font; the signs on their dotted circle
    // need the stand-in, which with the stand-in as display font is the same.
    pictureFonts_.letters = txtT->glyphFont().font;
    pictureFonts_.encoding = encoding_;
    pictureFonts_.signs = pictureFonts_.letters;
    const QString standIn = LoadStandInFont();
    if (!standIn.isEmpty() && standIn != displayFont_.family) {
      QFont pictureFont = txtT->font();
      pictureFont.setFamily(standIn);
      pictureFonts_.signs = PictureFont(pictureFont);
    }
  }
  CaptionFrame* frame = layout == Layout::Systematic ? frmSyst : frmArabic;
  for (const KeyDef& k : Keys()) {
    if (k.frame != layout) continue;
    auto* b = new FlatButton(frame);
    b->setObjectName(QStringLiteral("cmdK_%1").arg(k.index));
    b->setGeometry(Twips({k.left, k.top, k.width, k.height}));
    b->setText(QString::fromUtf8(k.caption.data(), static_cast<qsizetype>(k.caption.size())));
    b->setFont(Arial(k.font.points, k.font.bold));
    b->setEnabled(k.enabled);
    // A reader says the letter, then how to type it; the caption ("F" for
    // ba on the Arabic keys) would tell a blind user nothing.
    const QString tip = KeyTooltip(HelpOfKey(k.index));
    b->setToolTip(tip);
    b->setAccessibleName(tip.section(u'\n', 0, 0));
    b->setAccessibleDescription(KeyDescription(tip));
    SetBackground(b, kKeyGrey);
    if (k.picture != kNoPicture) b->setPicture(PictureFor(k.picture, b->pictureRoom()));
    connect(b, &QAbstractButton::clicked, this, [this, i = k.index] { cmdK_Click(i); });
    b->show();
    cmdK[static_cast<std::size_t>(k.index)] = b;
  }
}

// Pictures are drawn once per letter and size, and shared by the keys of both
// layouts.
QPixmap frmMain::PictureFor(LetterIndex letter, const QSize& room) {
  const QSize size = PictureSizeFor(room);
  const auto key = std::make_pair(letter, std::make_pair(size.width(), size.height()));
  auto it = pictures_.find(key);
  if (it == pictures_.end()) {
    it = pictures_.emplace(key, KeyPicture(letter, pictureFonts_, qApp->devicePixelRatio(), size))
             .first;
  }
  return it->second;
}

void frmMain::SetTabOrder() {
  std::vector<QWidget*> order = {cmdBkSp};
  for (int k = 0; k <= kLastKeyBeforeEnter; ++k) order.push_back(cmdK[static_cast<std::size_t>(k)]);
  order.push_back(cmdEnter);
  for (int k = kFirstKeyAfterEnter; k <= kLastSystematicKey; ++k) {
    order.push_back(cmdK[static_cast<std::size_t>(k)]);
  }
  order.insert(order.end(),
               {cmdCopyClose, cmdKeyb, txtT, cmdClear, txtF, cmdClearText, cmdCopyText});
  for (int k = kFirstArabicKey; k < kKeyCount; ++k) {
    if (QWidget* key = cmdK[static_cast<std::size_t>(k)]) order.push_back(key);
  }
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

// After every event the widgets show the model again. Each part costs what
// changed, not what the model holds: the line box lays out only what fits, the
// text area gains only the lines it lacks.
void frmMain::Mirror() {
  txtT->ShowLine(typist_.line());
  MirrorText();
  const bool arabic = typist_.shown() == Layout::Arabic;
  if (arabic && cmdK[kFirstArabicKey] == nullptr) {
    BuildKeys(Layout::Arabic);
    SetTabOrder();
  }
  frmSyst->setVisible(!arabic);
  frmArabic->setVisible(arabic);
  cmdKeyb->setText(arabic ? kCaptionArabic : kCaptionSystematic);
  const QString label =
      typist_.said().message == Message::None
          ? credit_
          : SaidText(typist_.said(), missingCodes_, QString::fromUtf8(EncodingName(encoding_)));
  if (Label1->text() != label) Label1->setText(label);
}

void frmMain::MirrorText() {
  const TextArea& text = typist_.text();
  if (text.clears() != textClears_ || text.lines().size() < textShown_) {
    txtF->clear();
    txtF->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textShown_ = 0;
    textClears_ = text.clears();
  }
  if (text.lines().size() == textShown_) return;
  QStringList added;
  for (std::size_t i = textShown_; i < text.lines().size(); ++i) {
    const Line& l = text.lines()[i];
    // Wrapping a very long line takes Qt time that grows with the square of
    // its length (a megabyte pasted as one line would freeze the window for
    // minutes); such a line scrolls sideways instead.
    if (l.size() > kLongestWrappedLine) txtF->setLineWrapMode(QPlainTextEdit::NoWrap);
    added << BoxText(l.Codes(), encoding_);
  }
  if (textShown_ == 0) {
    txtF->setPlainText(added.join(u'\n'));
  } else {
    txtF->appendPlainText(added.join(u'\n'));
  }
  textShown_ = text.lines().size();
}

}  // namespace harf::ui
