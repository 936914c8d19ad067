// Where frmMain's controls stand, in twips, as the window's layout was drawn
// (the keys and the layout frames are in tables/key_layout.h), and the order
// the Tab key walks them in.
#pragma once

#include <QRect>

#include "tables/key_layout.h"

namespace harf::ui {

// At 96 dots per inch a pixel is 15 twips; Qt's high-DPI scaling takes it
// from there.
inline constexpr int kTwipsPerPixel = 15;

inline int Px(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
inline QRect Twips(const TwipsRect& r) {
  return QRect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
}

// The window's own controls; each rectangle is in its container's
// coordinates (the line, the text area and the command buttons are in fra1).
struct WindowLayout {
  TwipsRect frmMain;  // only its size is used
  TwipsRect fra1;
  TwipsRect txtT;
  TwipsRect txtF;
  TwipsRect cmdCopyClose;
  TwipsRect cmdClear;
  TwipsRect cmdCopyText;
  TwipsRect cmdClearText;
  TwipsRect cmdKeyb;
  TwipsRect Label1;
};

inline constexpr WindowLayout kWindowLayout = {
    .frmMain = {0, 0, 10155, 9315},
    .fra1 = {120, 120, 9855, 4575},
    .txtT = {240, 360, 9405, 1155},
    .txtF = {240, 1560, 9405, 2445},
    .cmdCopyClose = {240, 4080, 1725, 285},
    .cmdClear = {2040, 4080, 1725, 285},
    .cmdCopyText = {3840, 4080, 1725, 285},
    .cmdClearText = {5640, 4080, 1725, 285},
    .cmdKeyb = {7800, 4080, 1845, 285},
    .Label1 = {120, 9075, 9855, 255},
};

// Point sizes of the captions and of the two boxes' glyphs.
inline constexpr qreal kCaptionPoints = 8.25;
inline constexpr qreal kLinePoints = 24;
inline constexpr qreal kTextPoints = 15.75;

// The Tab key walks Backspace, the Systematic keys up to the last of the
// row before Enter, Enter, the rest of the Systematic keys, the command
// buttons and boxes, then the Arabic keys once they are made.
inline constexpr KeyIndex kLastKeyBeforeEnter = 42;
inline constexpr KeyIndex kFirstKeyAfterEnter = 43;
inline constexpr KeyIndex kLastSystematicKey = 67;
static_assert(kLastSystematicKey + 1 == kFirstArabicKey);

}  // namespace harf::ui
