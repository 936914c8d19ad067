#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
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
#include "ui/window_words.h"
#include "ui/x_selection.h"

namespace harf::ui {
namespace {

// The window is laid out in twips; at 96 dots per inch a pixel is 15 twips, and
// Qt's high-DPI scaling takes it from there.
constexpr int kTwipsPerPixel = 15;

int Px(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
QRect Twips(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}
QRect Twips(const TwipsRect& r) {
  return Twips(r.left, r.top, r.width, r.height);
}

const QColor kKeyGrey(224, 224, 224);
const QColor kCopyGreen(192, 255, 192);
const QColor kClearRed(255, 192, 192);
const QColor kKeybYellow(255, 255, 128);
const QColor kEnterOrange(255, 224, 192);
const QColor kGlyphText(128, 64, 64);

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

// The common virtual key code of a Qt key, for the keys the window binds.
int VirtualKeyOf(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Delete:
      return 46;
    default:
      if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 112 + (key - Qt::Key_F1);
      return 0;
  }
}

int ShiftState(Qt::KeyboardModifiers m) {
  return (m.testFlag(Qt::ShiftModifier) ? 1 : 0) | (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
         (m.testFlag(Qt::AltModifier) ? 4 : 0);
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
  setFixedSize(Px(10155), Px(9315));
  Form_Load();
  BuildPanel();
  BuildSystematic();
  BuildArabic();
  BuildKeys(Layout::Systematic);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(Twips(120, 9075, 9855, 255));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setFont(Arial(8.25));
  credit_ = StandInFontInUse()
                ? tr("Harf \u2014 shaped Arabic in 8-bit glyph codes (stand-in display font)")
                : tr("Harf \u2014 shaped Arabic in 8-bit glyph codes for VarnelNormal");
  BuildUnicodeCommands();
  SetTabOrder();
  setWindowIcon(WindowIcon(pictureFonts_));
  if (const auto& missing = DisplayCoverage().missing; !missing.empty()) {
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
  displayFamily_ = LoadDisplayFont();
  encoding_ = StandInFontInUse() ? GlyphEncoding::Symbol : DisplayCoverage().encoding;
}

void frmMain::BuildPanel() {
  fra1 = new CaptionFrame(QString(), this);
  fra1->setObjectName(QStringLiteral("fra1"));
  fra1->setGeometry(Twips(120, 120, 9855, 4575));
  fra1->setAccessibleName(tr("Line and text"));

  QFont lineFont(displayFamily_);
  lineFont.setPointSizeF(24);
  txtT = new GlyphLineBox(fra1);
  txtT->setObjectName(QStringLiteral("txtT"));
  txtT->setGeometry(Twips(240, 360, 9405, 1155));
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
  xSelection_ = XSelection::ForApplication();
  if (xSelection_) {
    connect(txtF, &GlyphTextArea::selectionMade, this,
            [this] { Offer(QClipboard::Selection, txtF->selectedCodes()); });
  }
  txtF->setObjectName(QStringLiteral("txtF"));
  txtF->setGeometry(Twips(240, 1560, 9405, 2445));
  txtF->setAccessibleName(tr("Text area"));
  QFont textFont(displayFamily_);
  textFont.setPointSizeF(15.75);
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
  cmdCopyClose->setGeometry(Twips(240, 4080, 1725, 285));
  cmdCopyClose->setFont(Arial(8.25, true));
  cmdCopyClose->setFocusPolicy(Qt::StrongFocus);
  SetBackground(cmdCopyClose, kCopyGreen);
  cmdClear = CommandButton(fra1, "cmdClear", QStringLiteral("F7 Clear Line"),
                           Twips(2040, 4080, 1725, 285), kClearRed, Arial(8.25));
  cmdCopyText = CommandButton(fra1, "cmdCopyText", QStringLiteral("Copy Text"),
                              Twips(3840, 4080, 1725, 285), kCopyGreen, Arial(8.25, true));
  cmdClearText = CommandButton(fra1, "cmdClearText", QStringLiteral("Clear Text"),
                               Twips(5640, 4080, 1725, 285), kClearRed, Arial(8.25));
  cmdKeyb = CommandButton(fra1, "cmdKeyb", kCaptionSystematic, Twips(7800, 4080, 1845, 285),
                          kKeybYellow, Arial(8.25));

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
  frmSyst->setFont(Arial(8.25));
  frmSyst->setGeometry(Twips(kLayoutFrame));
  cmdEnter = CommandButton(frmSyst, "cmdEnter", QStringLiteral("Enter"), Twips(kEnterButton),
                           kEnterOrange, Arial(8.25));
  cmdBkSp = CommandButton(frmSyst, "cmdBkSp", QString(), Twips(kBackspaceButton), kEnterOrange,
                          Arial(8.25));
  cmdBkSp->setPicture(ArrowPicture(QSize(20, 12), qApp->devicePixelRatio()));
  cmdBkSp->setToolTip(tr("Delete the last letter (Backspace or Delete)"));
  cmdBkSp->setAccessibleName(tr("Backspace"));
  connect(cmdEnter, &FlatButton::clicked, this, &frmMain::cmdEnter_Click);
  connect(cmdBkSp, &FlatButton::clicked, this, &frmMain::cmdBkSp_Click);
}

void frmMain::BuildArabic() {
  frmArabic = new CaptionFrame(QStringLiteral("Arabic"), this);
  frmArabic->setObjectName(QStringLiteral("frmArabic"));
  frmArabic->setAccessibleName(frmArabic->caption());
  frmArabic->setFont(Arial(8.25));
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
    if (!standIn.isEmpty() && standIn != displayFamily_) {
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
    b->setGeometry(Twips(k.left, k.top, k.width, k.height));
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
  for (int k = 0; k <= 42; ++k) order.push_back(cmdK[static_cast<std::size_t>(k)]);
  order.push_back(cmdEnter);
  for (int k = 43; k <= 67; ++k) order.push_back(cmdK[static_cast<std::size_t>(k)]);
  order.insert(order.end(),
               {cmdCopyClose, cmdKeyb, txtT, cmdClear, txtF, cmdClearText, cmdCopyText});
  for (int k = 68; k < kKeyCount; ++k) {
    if (QWidget* key = cmdK[static_cast<std::size_t>(k)]) order.push_back(key);
  }
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

// --- Key preview -------------------------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::InputMethod &&
      type != QEvent::InputMethodQuery) {
    return false;
  }
  auto* w = qobject_cast<QWidget*>(watched);
  if (w == nullptr || w->window() != this) return false;
  switch (type) {
    case QEvent::KeyPress:
      return PreviewKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
      return PreviewKeyRelease(static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod: {
      // Text an input method or a dead-key sequence commits is typed exactly
      // as the same characters from the keyboard would be.
      auto* e = static_cast<QInputMethodEvent*>(event);
      for (const char32_t c : e->commitString().toUcs4()) Form_KeyPress(c);
      e->accept();
      return true;
    }
    default: {
      // Every control of the window takes input-method text (the window types
      // it), or a dead key pressed while a button has the focus would be lost
      // together with the key after it.
      auto* e = static_cast<QInputMethodQueryEvent*>(event);
      if (!e->queries().testFlag(Qt::ImEnabled)) return false;
      for (int bit = 0; bit < 32; ++bit) {
        const auto query = static_cast<Qt::InputMethodQuery>(1u << bit);
        if (!e->queries().testFlag(query)) continue;
        e->setValue(query, query == Qt::ImEnabled ? QVariant(true) : w->inputMethodQuery(query));
      }
      e->accept();
      return true;
    }
  }
}

// A typed character is handled here and goes no further: it never lands in a
// box by itself and never also presses the button that has the focus. Keys
// that only move the caret or the focus pass on.
bool frmMain::PreviewKeyPress(QKeyEvent* e) {
  if (IsNavigationKey(*e) || e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return false;
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    Form_KeyPress(U'\r');
    return true;
  }
  const Qt::KeyboardModifiers m = e->modifiers();
  if (IsCommandChord(m.testFlag(Qt::ControlModifier), m.testFlag(Qt::AltModifier),
                     m.testFlag(Qt::MetaModifier))) {
    return true;
  }
  const QString text = e->text();
  if (text.isEmpty()) return false;
  for (const char32_t c : text.toUcs4()) Form_KeyPress(c);
  return true;
}

// A bound key acts once per release: the releases a held key repeats are
// swallowed, not acted on.
bool frmMain::PreviewKeyRelease(QKeyEvent* e) {
  const int code = VirtualKeyOf(e->key());
  if (DecideKeyUp(code) == ReleaseAction::Nothing) return false;
  if (!e->isAutoRepeat()) Form_KeyUp(code, ShiftState(e->modifiers()));
  return true;
}

void frmMain::Form_KeyPress(char32_t typed) {
  if (typist_.Type(typed).kind != TypedAction::Kind::Nothing) FocusLine();
  Mirror();
}

void frmMain::Form_KeyUp(int code, int /*shift*/) {
  switch (typist_.Release(code)) {
    case ReleaseAction::Nothing:
      return;
    case ReleaseAction::CopyLine:
      cmdCopyClose_MouseUp(1, 0, 0, 0);
      return;
    case ReleaseAction::Backspace:
    case ReleaseAction::CursorHome:
    case ReleaseAction::ClearLine:
      break;
  }
  FocusLine();
  Mirror();
}

// --- Keys and the line --------------------------------------------------------

void frmMain::cmdK_Click(KeyIndex Index) {
  typist_.Press(Index);
  FocusLine();
  Mirror();
}

void frmMain::txtT_Click() {
  typist_.ClickLine();
  Mirror();
}

void frmMain::cmdKeyb_Click() {
  typist_.SwitchLayout();
  Mirror();
}

void frmMain::cmdBkSp_Click() {
  typist_.Backspace();
  FocusLine();
  Mirror();
}

void frmMain::FocusLine() {
  txtT->setFocus(Qt::OtherFocusReason);
}

void frmMain::Minimize() {
  setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
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

// --- Line and text commands ----------------------------------------------------

void frmMain::cmdEnter_Click() {
  typist_.Enter();
  FocusLine();
  Mirror();
}

void frmMain::CopyToClipboard(const std::vector<GlyphCode>& codes) {
  Offer(QClipboard::Clipboard, codes);
}

// On X11 the selection is owned here, so that STRING carries the bytes and
// the Unicode targets the font's characters; elsewhere, and should the X
// server give the selection to no one, QClipboard gets what it can carry.
void frmMain::Offer(QClipboard::Mode mode, const std::vector<GlyphCode>& codes) {
  ClipboardText text = ClipboardTextOf(codes, encoding_);
  const auto which =
      mode == QClipboard::Selection ? XSelection::Which::Primary : XSelection::Which::Clipboard;
  if (xSelection_ && xSelection_->Own(which, text.bytes, text.utf8)) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (mode == QClipboard::Selection && !clipboard->supportsSelection()) return;
  clipboard->clear(mode);
  clipboard->setMimeData(GlyphMimeData(text), mode);
}

void frmMain::cmdCopyClose_MouseUp(int button, int /*shift*/, int /*x*/, int /*y*/) {
  CopyToClipboard(typist_.CopyLine().Codes());
  if (button != 2) Minimize();
  FocusLine();
  Mirror();
}

void frmMain::cmdCopyText_Click() {
  CopyToClipboard(typist_.CopyText().Codes());
  Minimize();
  FocusLine();
  Mirror();
}

void frmMain::cmdClear_Click() {
  typist_.ClearLine();
  FocusLine();
  Mirror();
}

void frmMain::cmdClearText_Click() {
  typist_.ClearText();
  FocusLine();
  Mirror();
}

// --- Unicode in and out --------------------------------------------------------

void frmMain::BuildUnicodeCommands() {
  auto action = [this](const QString& text, const QKeySequence& keys, void (frmMain::*slot)()) {
    auto* a = new QAction(text, this);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  actCopyLineUnicode =
      action(tr("Copy Line as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+C")),
             &frmMain::CopyLineUnicode);
  actCopyTextUnicode =
      action(tr("Copy Text as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+T")),
             &frmMain::CopyTextUnicode);
  actPasteUnicode = action(tr("Paste Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+V")),
                           &frmMain::PasteUnicode);
  actPasteGlyphText =
      action(tr("Paste Legacy-Font Text"), QKeySequence(QStringLiteral("Ctrl+Shift+L")),
             &frmMain::PasteGlyphText);
  actPaste = action(tr("Paste"), QKeySequence(QStringLiteral("Ctrl+V")), &frmMain::Paste);
  actPaste->setToolTip(
      tr("Paste what the clipboard holds: Unicode Arabic, or text in the legacy font"));
  actPasteGlyphText->setToolTip(
      tr("Paste text copied from a document set in the legacy font: its letters are read back "
         "from the glyph codes and typed in"));
  const QString hint =
      tr("Right-click for Unicode: Copy Line (%1), Copy Text (%2), Paste Unicode (%3), "
         "Paste Legacy-Font Text (%4)")
          .arg(actCopyLineUnicode->shortcut().toString(QKeySequence::NativeText),
               actCopyTextUnicode->shortcut().toString(QKeySequence::NativeText),
               actPasteUnicode->shortcut().toString(QKeySequence::NativeText),
               actPasteGlyphText->shortcut().toString(QKeySequence::NativeText));
  for (QWidget* box : {static_cast<QWidget*>(txtT), static_cast<QWidget*>(txtF)}) {
    box->setToolTip(hint);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
      QMenu menu(this);
      menu.addActions(
          {actPaste, actCopyLineUnicode, actCopyTextUnicode, actPasteUnicode, actPasteGlyphText});
      menu.setToolTipsVisible(true);
      menu.exec(box->mapToGlobal(pos));
    });
  }
  Label1->setToolTip(hint);
}

void frmMain::CopyLineUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(typist_.CopyLine())));
  FocusLine();
  Mirror();
}

void frmMain::CopyTextUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(typist_.CopyText())));
  FocusLine();
  Mirror();
}

// What the window itself put on the clipboard is read from what it offers:
// through the X server one request carries no more than the server's request
// size.
QString frmMain::ClipboardString() const {
  if (xSelection_) {
    if (const QByteArray* utf8 = xSelection_->offeredUtf8(XSelection::Which::Clipboard)) {
      return QString::fromUtf8(*utf8);
    }
  }
  return QGuiApplication::clipboard()->text();
}

void frmMain::PasteUnicode() {
  PasteUnicodeText(ClipboardString());
}

// The text is typed in as if from the keyboard, without the keyboard's length
// limit; the model says in the label what could not be typed.
void frmMain::PasteUnicodeText(const QString& text) {
  typist_.PasteUnicode(text.toStdU32String());
  FocusLine();
  Mirror();
}

void frmMain::PasteGlyphText() {
  PasteGlyphTextOf(ClipboardString());
}

void frmMain::PasteGlyphTextOf(const QString& text) {
  typist_.PasteGlyphText(text.toStdU32String());
  FocusLine();
  Mirror();
}

void frmMain::Paste() {
  PasteText(ClipboardString());
}

void frmMain::PasteText(const QString& text) {
  typist_.PasteAny(text.toStdU32String());
  FocusLine();
  Mirror();
}

}  // namespace harf::ui
