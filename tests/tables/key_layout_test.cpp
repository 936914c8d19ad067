#include "tables/key_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace harf {
namespace {

TEST(KeyLayout, EveryKeyIsDefinedOnceInItsFrame) {
  const auto& keys = Keys();
  for (int i = 0; i < kKeyCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys[i].index, i);
    EXPECT_EQ(keys[i].frame, i < kFirstArabicKey ? Layout::Systematic : Layout::Arabic);
    EXPECT_GT(keys[i].width, 0);
    EXPECT_GT(keys[i].height, 0);
  }
}

TEST(KeyLayout, ReDefGivesEveryEnterableLetterToExactlyOneArabicKey) {
  std::map<int, int> keysOfLetter;
  for (KeyIndex k = 68; k <= 133; ++k) ++keysOfLetter[ReDef(k)];
  EXPECT_EQ(keysOfLetter.size(), 66U);
  for (int letter = 0; letter <= 67; ++letter) {
    const int expected = (letter == 64 || letter == 65) ? 0 : 1;
    EXPECT_EQ(keysOfLetter[letter], expected) << letter;
  }
  EXPECT_EQ(ReDef(70), 1);
  EXPECT_EQ(ReDef(122), 0);
  EXPECT_EQ(ReDef(126), 57);
  EXPECT_EQ(ReDef(127), 56);
  EXPECT_EQ(ReDef(5), 5);
  EXPECT_EQ(ReDef(134), 134);
  EXPECT_EQ(LetterOfKey(5), 5);
  EXPECT_EQ(LetterOfKey(85), 2);
}

TEST(KeyLayout, DisabledKeysArePlacesOfSignsAndAlifWasla) {
  std::vector<int> disabled;
  for (const KeyDef& k : Keys()) {
    if (!k.enabled) disabled.push_back(k.index);
  }
  const std::vector<int> expected = {40, 41, 42, 43,  44,  45,  53,  56,  57,  64,  65,
                                     68, 69, 74, 109, 110, 111, 119, 126, 127, 134, 135};
  EXPECT_EQ(disabled, expected);
}

// An Arabic key shows the picture of the Systematic key of its letter, but for
// the two swapped sign keys and the comma picture on key 135.
TEST(KeyLayout, PicturesFollowTheLetterEntered) {
  const auto& keys = Keys();
  int pictures = 0;
  for (const KeyDef& k : keys) {
    if (k.picture == kNoPicture) continue;
    ++pictures;
    if (k.index < kFirstArabicKey) {
      EXPECT_EQ(k.picture, k.index);
    } else if (k.index == 126 || k.index == 127 || k.index == 135) {
      continue;
    } else {
      EXPECT_EQ(k.picture, keys[static_cast<std::size_t>(ReDef(k.index))].picture) << k.index;
    }
  }
  EXPECT_EQ(pictures, 120);
  EXPECT_EQ(keys[126].picture, keys[56].picture);
  EXPECT_EQ(keys[127].picture, keys[57].picture);
  EXPECT_EQ(keys[135].picture, keys[65].picture);
  for (int k : {0, 51, 54, 61, 63, 64, 66, 67, 117, 120, 122, 124, 125, 131, 133, 134}) {
    EXPECT_EQ(keys[static_cast<std::size_t>(k)].picture, kNoPicture) << k;
  }
}

TEST(KeyLayout, CaptionsAndCaptionFonts) {
  const auto& keys = Keys();
  EXPECT_EQ(keys[7].caption, "x, K");
  EXPECT_EQ(keys[56].caption, "\u00b0");
  EXPECT_EQ(keys[91].caption, "^ / #");
  EXPECT_EQ(keys[90].caption, "\u00dc");
  EXPECT_EQ(keys[0].caption, "Space");
  EXPECT_EQ(keys[122].caption, "Space");
  EXPECT_EQ(keys[46].caption, "");
  for (const KeyDef& k : keys) {
    SCOPED_TRACE(k.index);
    switch (k.index) {
      case 64:
      case 134:
        EXPECT_FLOAT_EQ(k.font.points, 26.25F);
        break;
      case 61:
      case 131:
        EXPECT_FLOAT_EQ(k.font.points, 20.25F);
        break;
      case 63:
      case 133:
        EXPECT_FLOAT_EQ(k.font.points, 18.0F);
        EXPECT_TRUE(k.font.bold);
        break;
      default:
        EXPECT_FLOAT_EQ(k.font.points, 8.25F);
        EXPECT_FALSE(k.font.bold);
    }
  }
}

struct Box {
  int index;
  TwipsRect r;
};

int Overlap(int a0, int a1, int b0, int b1) {
  return std::min(a1, b1) - std::max(a0, b0);
}

// Every key lies inside its frame and no two keys of a frame cover each other.
// The keyboards were drawn with neighbours that touch by up to four pixels
// (60 twips: the wide keys Y, C and N reach under the key to their right);
// anything more is a slip in the table.
TEST(KeyLayout, KeysStayInsideTheirFrameWithoutCoveringEachOther) {
  for (Layout frame : {Layout::Systematic, Layout::Arabic}) {
    std::vector<Box> boxes;
    for (const KeyDef& k : Keys()) {
      if (k.frame == frame) boxes.push_back({k.index, {k.left, k.top, k.width, k.height}});
    }
    if (frame == Layout::Systematic) {
      boxes.push_back({-1, kEnterButton});
      boxes.push_back({-2, kBackspaceButton});
    }
    for (const Box& b : boxes) {
      EXPECT_GE(b.r.left, 0) << b.index;
      EXPECT_GE(b.r.top, 0) << b.index;
      EXPECT_LE(b.r.left + b.r.width, kLayoutFrame.width) << b.index;
      EXPECT_LE(b.r.top + b.r.height, kLayoutFrame.height) << b.index;
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      for (std::size_t j = i + 1; j < boxes.size(); ++j) {
        const TwipsRect& a = boxes[i].r;
        const TwipsRect& b = boxes[j].r;
        const int dx = Overlap(a.left, a.left + a.width, b.left, b.left + b.width);
        const int dy = Overlap(a.top, a.top + a.height, b.top, b.top + b.height);
        EXPECT_FALSE(dx > 60 && dy > 60) << boxes[i].index << " covers " << boxes[j].index;
      }
    }
  }
}

}  // namespace
}  // namespace harf
