// frmMain's handlers of the keys, the line and the command buttons: each
// hands its event to the keyboard model and shows the model again.
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#include "ui/handler_codes.h"

namespace harf::ui {

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

void frmMain::cmdEnter_Click() {
  typist_.Enter();
  FocusLine();
  Mirror();
}

void frmMain::cmdCopyClose_MouseUp(int button, int /*shift*/, int /*x*/, int /*y*/) {
  CopyToClipboard(typist_.CopyLine().Codes());
  if (button != kRightButton) Minimize();
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

void frmMain::FocusLine() {
  txtT->setFocus(Qt::OtherFocusReason);
}

void frmMain::Minimize() {
  setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

}  // namespace harf::ui
