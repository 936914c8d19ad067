// What the release of a key on the physical keyboard does. Keys are named by
// their common virtual key codes; modifiers are not looked at, so Shift+F5
// copies like F5 and Shift+Backspace deletes like Backspace.
#pragma once

namespace harf {

enum class VirtualKey : int {
  Backspace = 8,
  Right = 39,
  Delete = 46,
  F1 = 112,
  F2 = 113,
  F3 = 114,
  F4 = 115,
  F5 = 116,
  F7 = 118,
  F9 = 120,
};

enum class ReleaseAction {
  Nothing,
  Backspace,   // Backspace and Delete: the backspace command (no forward delete)
  CopyLine,    // F5: copy the line as a left-button release on the copy button
  CursorHome,  // Right arrow: focus to the line, cursor to 0
  ClearLine,   // F7
};

// F1 to F4 and F9 belong to commands whose targets are not in this window, so
// they do nothing, like every other key.
ReleaseAction DecideKeyUp(int code);

}  // namespace harf
