// The numbers the window's handlers take as parameters, as the handlers of
// mouse and key events have always had them: which mouse button, and which
// modifiers were held.
#pragma once

#include <QtCore/qnamespace.h>

namespace harf::ui {

// The `button` of a MouseUp handler.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// The bits of a handler's `shift`.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

inline int ShiftState(Qt::KeyboardModifiers m) {
  return (m.testFlag(Qt::ShiftModifier) ? kShiftMask : 0) |
         (m.testFlag(Qt::ControlModifier) ? kCtrlMask : 0) |
         (m.testFlag(Qt::AltModifier) ? kAltMask : 0);
}

}  // namespace harf::ui
