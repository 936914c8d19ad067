// frmMain's key preview: every key and input-method event of the window is
// seen here before the focused control, and typed characters and released
// keys go to Form_KeyPress and Form_KeyUp.
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "input/key_release.h"
#include "input/typed_keys.h"
#include "ui/frm_main.h"
#include "ui/glyph_widgets.h"
#include "ui/handler_codes.h"

namespace harf::ui {
namespace {

// Enter has no release action, but is named like the keys that have one.
constexpr int kVirtualKeyReturn = 13;

// The common virtual key code of a Qt key, for the keys the window binds.
int VirtualKeyOf(int key) {
  switch (key) {
    case Qt::Key_Backspace:
      return static_cast<int>(VirtualKey::Backspace);
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kVirtualKeyReturn;
    case Qt::Key_Right:
      return static_cast<int>(VirtualKey::Right);
    case Qt::Key_Delete:
      return static_cast<int>(VirtualKey::Delete);
    default:
      if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        return static_cast<int>(VirtualKey::F1) + (key - Qt::Key_F1);
      }
      return 0;
  }
}

}  // namespace

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
      cmdCopyClose_MouseUp(kLeftButton, 0, 0, 0);
      return;
    case ReleaseAction::Backspace:
    case ReleaseAction::CursorHome:
    case ReleaseAction::ClearLine:
      break;
  }
  FocusLine();
  Mirror();
}

}  // namespace harf::ui
