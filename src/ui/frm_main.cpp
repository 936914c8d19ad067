#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
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

QString BoxText(const std::vector<GlyphCode>& codes) {
  const std::u16string text = EncodeCodesUtf16(codes, GlyphEncoding::Symbol);
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

QString KeyTooltip(const KeyDef& k) {
  return QString::fromStdString(harf::KeyTooltip(k.index));
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

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Harf"));
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
  Label1->setText(
      StandInFontInUse()
          ? QStringLiteral("Harf \u2014 shaped Arabic in 8-bit glyph codes (stand-in display font)")
          : QStringLiteral("Harf \u2014 shaped Arabic in 8-bit glyph codes for VarnelNormal"));
  BuildUnicodeCommands();
  SetTabOrder();
  setWindowIcon(WindowIcon(outlines_));
  frmArabic->hide();
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
}

void frmMain::BuildPanel() {
  fra1 = new CaptionFrame(QString(), this);
  fra1->setObjectName(QStringLiteral("fra1"));
  fra1->setGeometry(Twips(120, 120, 9855, 4575));

  // The panel carries the line's font, so that the line box is made with it
  // rather than laid out once more in a font it never shows.
  QFont lineFont(displayFamily_);
  lineFont.setPointSizeF(24);
  fra1->setFont(lineFont);
  txtT = new GlyphLineEdit(fra1);
  txtT->setObjectName(QStringLiteral("txtT"));
  txtT->setGeometry(Twips(240, 360, 9405, 1155));
  // The box never cuts its text: clicks can grow the line past the limit on
  // typing, and a box that cut it would lose letters.
  txtT->setMaxLength(std::numeric_limits<int>::max());

  txtF = new QPlainTextEdit(fra1);
  txtF->setObjectName(QStringLiteral("txtF"));
  txtF->setGeometry(Twips(240, 1560, 9405, 2445));
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
  txtT->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

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

  connect(txtT, &GlyphLineEdit::clicked, this, &frmMain::txtT_Click);
  connect(cmdCopyClose, &MouseUpButton::mouseUp, this, &frmMain::cmdCopyClose_MouseUp);
  connect(cmdClear, &FlatButton::clicked, this, &frmMain::cmdClear_Click);
  connect(cmdCopyText, &FlatButton::clicked, this, &frmMain::cmdCopyText_Click);
  connect(cmdClearText, &FlatButton::clicked, this, &frmMain::cmdClearText_Click);
  connect(cmdKeyb, &FlatButton::clicked, this, &frmMain::cmdKeyb_Click);
}

void frmMain::BuildSystematic() {
  frmSyst = new CaptionFrame(QStringLiteral("Systematic"), this);
  frmSyst->setObjectName(QStringLiteral("frmSyst"));
  frmSyst->setFont(Arial(8.25));
  frmSyst->setGeometry(Twips(kLayoutFrame));
  cmdEnter = CommandButton(frmSyst, "cmdEnter", QStringLiteral("Enter"), Twips(kEnterButton),
                           kEnterOrange, Arial(8.25));
  cmdBkSp = CommandButton(frmSyst, "cmdBkSp", QString(), Twips(kBackspaceButton), kEnterOrange,
                          Arial(8.25));
  cmdBkSp->setPicture(ArrowPicture(QSize(20, 12), qApp->devicePixelRatio()));
  cmdBkSp->setToolTip(QStringLiteral("Delete the last letter (Backspace or Delete)"));
  connect(cmdEnter, &FlatButton::clicked, this, &frmMain::cmdEnter_Click);
  connect(cmdBkSp, &FlatButton::clicked, this, &frmMain::cmdBkSp_Click);
}

void frmMain::BuildArabic() {
  frmArabic = new CaptionFrame(QStringLiteral("Arabic"), this);
  frmArabic->setObjectName(QStringLiteral("frmArabic"));
  frmArabic->setFont(Arial(8.25));
  frmArabic->setGeometry(Twips(kLayoutFrame));
}

void frmMain::BuildKeys(Layout layout) {
  if (outlines_.pixelSize() <= 0) {
    // The pictures need the dotted circle and the sign marks only the stand-in
    // has; with the stand-in as display font they share the line's outlines.
    QFont pictureFont = txtT->font();
    const QString standIn = LoadStandInFont();
    if (!standIn.isEmpty()) pictureFont.setFamily(standIn);
    outlines_ = PictureFont(pictureFont);
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
    b->setToolTip(KeyTooltip(k));
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
    it =
        pictures_.emplace(key, KeyPicture(letter, outlines_, qApp->devicePixelRatio(), size)).first;
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

Layout frmMain::shown() const {
  return frmArabic->isHidden() ? Layout::Systematic : Layout::Arabic;
}

// --- Key preview -------------------------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (w == nullptr || w->window() != this) return false;
  auto* e = static_cast<QKeyEvent*>(event);
  return type == QEvent::KeyPress ? PreviewKeyPress(e) : PreviewKeyRelease(e);
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
  // A Ctrl chord is a command, not a character (AltGr, which some systems
  // report as Ctrl+Alt, still types).
  const Qt::KeyboardModifiers m = e->modifiers();
  if (m.testFlag(Qt::ControlModifier) && !m.testFlag(Qt::AltModifier)) return true;
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
  const TypedAction a = DecideTyped(typed, line_.size(), shown());
  switch (a.kind) {
    case TypedAction::Kind::Enter:
      cmdEnter_Click();
      break;
    case TypedAction::Kind::Press:
      cmdK_Click(a.key);
      break;
    case TypedAction::Kind::Nothing:
      break;
  }
}

void frmMain::Form_KeyUp(int code, int /*shift*/) {
  switch (DecideKeyUp(code)) {
    case ReleaseAction::Backspace:
      cmdBkSp_Click();
      break;
    case ReleaseAction::CopyLine:
      cmdCopyClose_MouseUp(1, 0, 0, 0);
      break;
    case ReleaseAction::CursorHome:
      FocusLine();
      txtT->setCursorPosition(0);
      line_.SetCursor(0);
      break;
    case ReleaseAction::ClearLine:
      cmdClear_Click();
      break;
    case ReleaseAction::Nothing:
      break;
  }
}

// --- Keys and the line --------------------------------------------------------

void frmMain::cmdK_Click(KeyIndex Index) {
  ReadCursor();
  AddChar(line_, LetterOfKey(Index));
  WriteLine();
  FocusLine();
}

void frmMain::txtT_Click() {
  if (txtT->cursorPosition() != 0) txtT->setCursorPosition(0);
  line_.SetCursor(0);
}

void frmMain::cmdKeyb_Click() {
  if (cmdKeyb->text() != kCaptionSystematic) {
    frmArabic->hide();
    frmSyst->show();
    cmdKeyb->setText(kCaptionSystematic);
  } else {
    if (cmdK[kFirstArabicKey] == nullptr) {
      BuildKeys(Layout::Arabic);
      SetTabOrder();
    }
    frmArabic->show();
    frmSyst->hide();
    cmdKeyb->setText(kCaptionArabic);
  }
}

void frmMain::cmdBkSp_Click() {
  Backspace(line_);
  WriteLine();
  FocusLine();
}

// The caret of the line box is the engine's cursor: the user may have moved
// it with the arrow keys (or selected, which puts it at the selection start).
void frmMain::ReadCursor() {
  const int pos = txtT->hasSelectedText() ? txtT->selectionStart() : txtT->cursorPosition();
  line_.SetCursor(static_cast<std::size_t>(pos));
}

void frmMain::WriteLine() {
  txtT->setText(BoxText(line_.Codes()));
  txtT->setCursorPosition(static_cast<int>(line_.cursor()));
}

void frmMain::FocusLine() {
  txtT->setFocus(Qt::OtherFocusReason);
}

// --- Line and text commands ----------------------------------------------------

void frmMain::cmdEnter_Click() {
  AppendToText({line_});
  line_.Clear();
  WriteLine();
  FocusLine();
}

// Appends lines to the text area as Enter does: an empty text area takes the
// first line as its text, a non-empty one gains each after a line break.
void frmMain::AppendToText(const std::vector<Line>& lines) {
  if (lines.empty()) return;
  const bool wasEmpty = text_.empty();
  QStringList added;
  for (const Line& l : lines) {
    text_.Append(l);
    added << BoxText(l.Codes());
  }
  const QString joined = added.join(u'\n');
  // Wrapping a very long line takes Qt time that grows with the square of its
  // length (a megabyte pasted as one line would freeze the window for
  // minutes); such a line scrolls sideways instead.
  for (const Line& l : lines) {
    if (l.size() > kLongestWrappedLine) txtF->setLineWrapMode(QPlainTextEdit::NoWrap);
  }
  if (wasEmpty) {
    txtF->setPlainText(joined);
  } else {
    txtF->appendPlainText(joined);
  }
}

void frmMain::CopyToClipboard(const std::vector<GlyphCode>& codes) {
  // One Latin-1 character per glyph code: X11's STRING target then carries
  // exactly the byte of each code, which documents set in the font expect.
  const std::string bytes = EncodeBytes(codes);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void frmMain::cmdCopyClose_MouseUp(int button, int /*shift*/, int /*x*/, int /*y*/) {
  CopyToClipboard(line_.Codes());
  if (button != 2) setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
  FocusLine();
}

void frmMain::cmdCopyText_Click() {
  CopyToClipboard(text_.Codes());
  setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
  FocusLine();
}

void frmMain::cmdClear_Click() {
  line_.Clear();
  WriteLine();
  FocusLine();
}

void frmMain::cmdClearText_Click() {
  text_.Clear();
  txtF->clear();
  txtF->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  FocusLine();
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
      action(QStringLiteral("Copy Line as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+C")),
             &frmMain::CopyLineUnicode);
  actCopyTextUnicode =
      action(QStringLiteral("Copy Text as Unicode"), QKeySequence(QStringLiteral("Ctrl+Shift+T")),
             &frmMain::CopyTextUnicode);
  actPasteUnicode = action(QStringLiteral("Paste Unicode"),
                           QKeySequence(QStringLiteral("Ctrl+Shift+V")), &frmMain::PasteUnicode);
  const QString hint = QStringLiteral(
      "Right-click for Unicode: Copy Line (Ctrl+Shift+C), Copy Text (Ctrl+Shift+T), "
      "Paste Unicode (Ctrl+Shift+V)");
  for (QWidget* box : {static_cast<QWidget*>(txtT), static_cast<QWidget*>(txtF)}) {
    box->setToolTip(hint);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
      QMenu menu(this);
      menu.addActions({actCopyLineUnicode, actCopyTextUnicode, actPasteUnicode});
      menu.exec(box->mapToGlobal(pos));
    });
  }
  Label1->setToolTip(hint);
}

void frmMain::CopyLineUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(line_)));
  FocusLine();
}

void frmMain::CopyTextUnicode() {
  QGuiApplication::clipboard()->setText(QString::fromStdU32String(ToUnicode(text_)));
  FocusLine();
}

// The clipboard's text is typed in as if from the keyboard, without the
// keyboard's length limit: its first line goes on from the line, every line
// break moves the line to the text area as Enter does. What could not be typed
// is counted, and the label says how much, the one place the window has for a
// message.
void frmMain::PasteUnicode() {
  const QString clip = QGuiApplication::clipboard()->text();
  if (clip.isEmpty()) {
    Label1->setText(QStringLiteral("Nothing pasted: the clipboard holds no text."));
    FocusLine();
    return;
  }
  UnicodeLines pasted = FromUnicode(clip.toStdU32String(), line_);
  line_ = std::move(pasted.lines.back());
  pasted.lines.pop_back();
  AppendToText(pasted.lines);
  WriteLine();
  if (pasted.skipped > 0) {
    const QString what = pasted.skipped == 1
                             ? QStringLiteral("1 character was")
                             : QStringLiteral("%1 characters were").arg(pasted.skipped);
    Label1->setText(QStringLiteral("Pasted; %1 left out (no letter here, or a vowel sign the "
                                   "letter before it does not take).")
                        .arg(what));
  }
  FocusLine();
}

}  // namespace harf::ui
