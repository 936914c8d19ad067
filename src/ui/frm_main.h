// The main window: the line, the text area, the command buttons and the two
// on-screen keyboards, drawn from one keyboard model. Every key, click and
// command is handed to the model; afterwards the window shows the model again
// (the line, the text area, the layout, the label) and does what only a window
// can: the clipboard, the focus, minimizing.
#pragma once

#include <QClipboard>
#include <QPixmap>
#include <QRawFont>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <utility>

#include "input/glyph_encoding.h"
#include "input/typist.h"
#include "tables/key_layout.h"
#include "ui/display_font.h"
#include "ui/key_pictures.h"

class QAction;
class QLabel;

namespace harf::ui {

class GlyphLineBox;
class GlyphTextArea;
class CaptionFrame;
class FlatButton;
class MouseUpButton;
class XSelection;

class frmMain : public QWidget {
  Q_OBJECT
 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // The handlers, named after the control and event they serve. Mouse and
  // keyboard reach them through Qt; tests and key bindings call them directly.
  void Form_KeyPress(char32_t typed);
  void Form_KeyUp(int code, int shift);
  void cmdK_Click(KeyIndex Index);
  void txtT_Click();
  void cmdKeyb_Click();
  void cmdBkSp_Click();
  void cmdEnter_Click();
  void cmdCopyClose_MouseUp(int button, int shift, int x, int y);
  void cmdCopyText_Click();
  void cmdClear_Click();
  void cmdClearText_Click();

  // Standard Unicode Arabic in and out, beside the glyph codes: the letters
  // of the line or the text area in logical order, and Unicode text typed in
  // letter by letter.
  void CopyLineUnicode();
  void CopyTextUnicode();
  void PasteUnicode();
  // Paste Unicode of `text` instead of the clipboard's.
  void PasteUnicodeText(const QString& text);
  // Glyph-code text copied from a document set in the legacy font, read back
  // into letters and typed in.
  void PasteGlyphText();
  void PasteGlyphTextOf(const QString& text);
  // The one paste (Ctrl+V): Unicode Arabic or glyph text, whichever the
  // clipboard holds.
  void Paste();
  void PasteText(const QString& text);
  // The kind of characters the display font maps its codes to.
  GlyphEncoding encoding() const { return encoding_; }

  // The keyboard model the window shows.
  const Typist& typist() const { return typist_; }

 protected:
  // Key preview: sees every key of this window before the focused control.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void BuildPanel();
  void BuildSystematic();
  void BuildArabic();
  void BuildKeys(Layout layout);
  QPixmap PictureFor(LetterIndex letter, const QSize& room);
  void BuildUnicodeCommands();
  void SetTabOrder();
  void Mirror();
  void MirrorText();
  void FocusLine();
  void Minimize();
  void CopyToClipboard(const std::vector<GlyphCode>& codes);
  // Puts glyph codes on the clipboard or the primary selection.
  void Offer(QClipboard::Mode mode, const std::vector<GlyphCode>& codes);
  QString ClipboardString() const;
  bool PreviewKeyPress(QKeyEvent* e);
  bool PreviewKeyRelease(QKeyEvent* e);

  Typist typist_;
  // How much of the model's text area the box shows: the box only ever gains
  // lines at its end, or is emptied.
  std::size_t textShown_ = 0;
  std::uint64_t textClears_ = 0;
  DisplayFont displayFont_;  // chosen once, at Form_Load
  GlyphEncoding encoding_ = GlyphEncoding::Symbol;
  QString credit_;
  // The codes the display font lacks, for the label's message about them.
  QString missingCodes_;
#if HARF_X11
  // Owns the X selections where Qt runs on X11; null elsewhere.
  std::unique_ptr<XSelection> xSelection_;
#endif

  CaptionFrame* fra1 = nullptr;
  GlyphLineBox* txtT = nullptr;
  GlyphTextArea* txtF = nullptr;
  MouseUpButton* cmdCopyClose = nullptr;
  FlatButton* cmdClear = nullptr;
  FlatButton* cmdCopyText = nullptr;
  FlatButton* cmdClearText = nullptr;
  FlatButton* cmdKeyb = nullptr;
  CaptionFrame* frmSyst = nullptr;
  CaptionFrame* frmArabic = nullptr;
  FlatButton* cmdEnter = nullptr;
  FlatButton* cmdBkSp = nullptr;
  // The keys of the Arabic layout are made the first time it is shown: the
  // window starts with the Systematic one, and many users never switch.
  std::array<FlatButton*, kKeyCount> cmdK{};
  PictureFonts pictureFonts_;  // what key pictures and the icon are drawn from
  std::map<std::pair<LetterIndex, std::pair<int, int>>, QPixmap> pictures_;
  QLabel* Label1 = nullptr;
  QAction* actCopyLineUnicode = nullptr;
  QAction* actCopyTextUnicode = nullptr;
  QAction* actPasteUnicode = nullptr;
  QAction* actPasteGlyphText = nullptr;
  QAction* actPaste = nullptr;
};

}  // namespace harf::ui
