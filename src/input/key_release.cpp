#include "input/key_release.h"

namespace harf {

ReleaseAction DecideKeyUp(int code) {
  switch (static_cast<VirtualKey>(code)) {
    case VirtualKey::Backspace:
    case VirtualKey::Delete:
      return ReleaseAction::Backspace;
    case VirtualKey::F5:
      return ReleaseAction::CopyLine;
    case VirtualKey::Right:
      return ReleaseAction::CursorHome;
    case VirtualKey::F7:
      return ReleaseAction::ClearLine;
    default:
      return ReleaseAction::Nothing;
  }
}

}  // namespace harf
