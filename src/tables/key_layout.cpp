#include "tables/key_layout.h"

#include <algorithm>

namespace harf {
namespace {

constexpr CaptionFont kNormalCaption = {8.25F, false};
constexpr CaptionFont kApostropheCaption = {26.25F, false};
constexpr CaptionFont kFullStopCaption = {20.25F, false};
constexpr CaptionFont kColonCaption = {18.0F, true};

struct Placed {
  KeyIndex index;
  std::string_view caption;
  int left, top, width, height;
  CaptionFont font = kNormalCaption;
};

// Systematic layout, row by row, left to right.
constexpr Placed kSystematic[] = {
    {40, "a", 210, 420, 540, 645},
    {43, "A", 735, 420, 540, 645},
    {46, "", 1365, 420, 540, 645},
    {49, "", 1890, 420, 540, 645},
    {52, "", 2415, 420, 540, 645},
    {1, "'", 3150, 420, 645, 750},
    {2, "b", 3780, 420, 645, 750},
    {3, "t", 4410, 420, 645, 750},
    {4, "T", 5040, 420, 645, 750},
    {5, "j", 5670, 420, 645, 750},
    {6, "H", 6300, 420, 645, 750},
    {7, "x, K", 6930, 420, 645, 750},

    {41, "i", 210, 1050, 540, 645},
    {44, "I", 735, 1050, 540, 645},
    {47, "", 1365, 1050, 540, 645},
    {50, "", 1890, 1050, 540, 645},
    {53, "", 2415, 1050, 540, 645},

    {8, "d", 3150, 1155, 645, 750},
    {9, "D", 3780, 1155, 645, 750},
    {10, "r", 4410, 1155, 645, 750},
    {11, "z", 5040, 1155, 645, 750},
    {12, "s", 5670, 1155, 645, 750},
    {13, "S", 6300, 1155, 645, 750},
    {14, "c", 6930, 1155, 645, 750},
    {37, "7", 7770, 1155, 645, 750},
    {38, "8", 8400, 1155, 645, 750},
    {39, "9", 9030, 1155, 645, 750},

    {42, "u", 210, 1680, 540, 645},
    {45, "U", 735, 1680, 540, 645},
    {48, "", 1365, 1680, 540, 645},
    {51, "((", 1890, 1680, 540, 645},
    {54, "))", 2415, 1680, 540, 645},

    {15, "C", 3150, 1890, 645, 750},
    {16, "v", 3780, 1890, 645, 750},
    {17, "V", 4410, 1890, 645, 750},
    {18, "*", 5040, 1890, 645, 750},
    {19, "g", 5670, 1890, 645, 750},
    {20, "f", 6300, 1890, 645, 750},
    {21, "q", 6930, 1890, 645, 750},
    {34, "4", 7770, 1890, 645, 750},
    {35, "5", 8400, 1890, 645, 750},
    {36, "6", 9030, 1890, 645, 750},

    {56, "\u00b0", 210, 2520, 540, 645},
    {57, "~", 735, 2520, 540, 645},
    {58, "", 1365, 2520, 540, 645},
    {59, "", 1890, 2520, 540, 645},
    {60, "", 2415, 2520, 540, 645},

    {22, "k", 3150, 2625, 645, 750},
    {23, "l", 3780, 2625, 645, 750},
    {24, "m", 4410, 2625, 645, 750},
    {25, "n", 5040, 2625, 645, 750},
    {26, "h", 5670, 2625, 645, 750},
    {27, "w", 6300, 2625, 645, 750},
    {28, "y", 6930, 2625, 645, 750},
    {31, "1", 7770, 2625, 645, 750},
    {32, "2", 8400, 2625, 645, 750},
    {33, "3", 9030, 2625, 645, 750},

    {64, "'", 210, 3360, 540, 645, kApostropheCaption},
    {65, "", 735, 3360, 540, 645},
    {61, ".", 1365, 3360, 540, 645, kFullStopCaption},
    {62, "", 1890, 3360, 540, 645},
    {63, ":", 2415, 3360, 540, 645, kColonCaption},
    {55, "#", 3150, 3360, 645, 645},
    {0, "Space", 3780, 3360, 3165, 645},
    {29, "@", 6930, 3360, 645, 645},
    {30, "0", 7770, 3360, 645, 645},
    {66, "(", 8400, 3360, 645, 645},
    {67, ")", 9030, 3360, 645, 645},
};

// Arabic (German typewriter) layout, row by row, left to right.
constexpr Placed kArabic[] = {
    {91, "^ / #", 120, 240, 645, 735},
    {81, "1", 1080, 240, 645, 750},
    {82, "2", 1680, 240, 645, 750},
    {83, "3", 2280, 240, 645, 750},
    {78, "4", 2880, 240, 645, 750},
    {79, "5", 3480, 240, 645, 750},
    {80, "6", 4080, 240, 645, 750},
    {75, "7", 4680, 240, 645, 750},
    {76, "8", 5280, 240, 645, 750},
    {77, "9", 5880, 240, 645, 750},
    {84, "0", 6480, 240, 645, 765},
    {119, "", 7320, 240, 540, 645},
    {115, "", 7920, 240, 540, 645},
    {118, "", 8520, 240, 540, 645},
    {112, "", 9120, 240, 540, 645},

    {68, "", 120, 1080, 465, 525},
    {109, "", 600, 1080, 420, 525},
    {72, "Q", 1080, 1080, 645, 750},
    {96, "W", 1680, 1080, 645, 750},
    {87, "E", 2280, 1080, 645, 750},
    {102, "R", 2880, 1080, 645, 750},
    {101, "T", 3480, 1080, 645, 750},
    {100, "Z", 4080, 1080, 645, 750},
    {99, "U", 4680, 1080, 645, 750},
    {106, "I", 5280, 1080, 645, 750},
    {88, "O", 5880, 1080, 645, 750},
    {89, "P", 6480, 1080, 645, 750},
    {90, "\u00dc", 7080, 1080, 645, 750},
    {71, "+", 7680, 1080, 645, 750},
    {117, "((", 8520, 1080, 540, 765},
    {120, "))", 9120, 1080, 540, 765},

    {69, "", 120, 1560, 465, 525},
    {110, "", 600, 1560, 420, 525},

    {95, "A", 1320, 1800, 645, 750},
    {94, "S", 1920, 1800, 645, 750},
    {108, "D", 2520, 1800, 645, 750},
    {85, "F", 3120, 1800, 645, 750},
    {103, "G", 3780, 1800, 645, 750},
    {70, "H", 4440, 1800, 645, 750},
    {86, "J", 5040, 1800, 645, 750},
    {105, "K", 5640, 1800, 645, 750},
    {104, "L", 6240, 1800, 645, 750},
    {73, "\u00d6", 6840, 1800, 645, 750},
    {97, "\u00c4", 7440, 1800, 645, 750},
    {124, "(", 8520, 1800, 525, 765},
    {125, ")", 9150, 1800, 525, 765},

    {74, "", 120, 2040, 465, 525},
    {111, "", 600, 2040, 420, 525},

    {126, "", 120, 2520, 465, 555},
    {127, "", 600, 2520, 420, 555},
    {113, "Y", 1560, 2520, 660, 765},
    {121, "X", 2160, 2520, 645, 765},
    {114, "C", 2760, 2520, 660, 765},
    {92, "V", 3360, 2520, 645, 750},
    {116, "N", 4560, 2520, 660, 765},
    {123, "M", 5160, 2520, 645, 765},
    {107, ",", 5760, 2520, 645, 750},
    {93, ".", 6360, 2520, 645, 750},
    {98, "-", 6960, 2520, 645, 750},

    {129, "?", 7920, 2640, 540, 645},
    {130, ";", 8520, 2640, 540, 645},
    {128, "!", 9120, 2640, 540, 645},

    {134, "'", 120, 3360, 540, 645, kApostropheCaption},
    {135, "", 735, 3360, 540, 645},
    {131, ".", 1365, 3360, 540, 645, kFullStopCaption},
    {132, "", 1890, 3360, 540, 645},
    {133, ":", 2415, 3360, 540, 645, kColonCaption},
    {122, "Space", 3120, 3360, 4245, 645},
};

// Arabic key index 68..133 -> letter index, with the key's caption.
constexpr LetterIndex kReDef[] = {
    kFatha,             // 68
    kKasra,             // 69
    kAlif,              // 70 "H"
    kDal,               // 71 "+"
    kDad,               // 72 "Q"
    kKaf,               // 73 "Ö"
    kDamma,             // 74
    kDigit7,            // 75 "7"
    kDigit8,            // 76 "8"
    kDigit9,            // 77 "9"
    kDigit4,            // 78 "4"
    kDigit5,            // 79 "5"
    kDigit6,            // 80 "6"
    kDigit1,            // 81 "1"
    kDigit2,            // 82 "2"
    kDigit3,            // 83 "3"
    kDigit0,            // 84 "0"
    kBa,                // 85 "F"
    kTa,                // 86 "J"
    kTha,               // 87 "E"
    kJim,               // 88 "O"
    kHha,               // 89 "P"
    kKha,               // 90 "Ü"
    kDhal,              // 91 "^ / #"
    kRa,                // 92 "V"
    kZay,               // 93 "."
    kSin,               // 94 "S"
    kShin,              // 95 "A"
    kSad,               // 96 "W"
    kTah,               // 97 "Ä"
    kZah,               // 98 "-"
    kAin,               // 99 "U"
    kGhain,             // 100 "Z"
    kFa,                // 101 "T"
    kQaf,               // 102 "R"
    kLam,               // 103 "G"
    kMim,               // 104 "L"
    kNun,               // 105 "K"
    kHa,                // 106 "I"
    kWaw,               // 107 ","
    kYa,                // 108 "D"
    kFathatan,          // 109
    kKasratan,          // 110
    kDammatan,          // 111
    kAlifHamzaAbove,    // 112
    kYaHamzaAbove,      // 113 "Y"
    kWawHamzaAbove,     // 114 "C"
    kAlifMadda,         // 115
    kAlifMaqsura,       // 116 "N"
    kOpeningQuote,      // 117 "(("
    kAlifHamzaBelow,    // 118
    kAlifWasla,         // 119
    kClosingQuote,      // 120 "))"
    kHamza,             // 121 "X"
    kSpaceLetter,       // 122 "Space"
    kTaMarbuta,         // 123 "M"
    kLeftParenthesis,   // 124 "("
    kRightParenthesis,  // 125 ")"
    kShadda,            // 126
    kSukun,             // 127
    kExclamationMark,   // 128 "!"
    kQuestionMark,      // 129 "?"
    kSemicolon,         // 130 ";"
    kFullStop,          // 131 "."
    kLowComma,          // 132
    kColon,             // 133 ":"
};
static_assert(std::size(kReDef) == kFirstUnusedKey - kFirstArabicKey);

constexpr KeyIndex kDisabled[] = {40, 41, 42, 43,  44,  45,  53,  56,  57,  64,  65,
                                  68, 69, 74, 109, 110, 111, 119, 126, 127, 134, 135};
constexpr KeyIndex kNoPictureKeys[] = {0,   51,  54,  61,  63,  64,  66,  67,
                                       117, 120, 122, 124, 125, 131, 133, 134};

template <std::size_t N>
constexpr bool Contains(const KeyIndex (&list)[N], KeyIndex k) {
  return std::find(std::begin(list), std::end(list), k) != std::end(list);
}

// An Arabic key shows the picture of the Systematic key of the letter it
// enters, with three exceptions kept as the keyboard has always had them:
// 126 and 127 show the sukun and shadda pictures (they enter shadda and
// sukun), and the disabled key 135 shows the Arabic comma.
LetterIndex PictureOf(KeyIndex k) {
  if (Contains(kNoPictureKeys, k)) return kNoPicture;
  switch (k) {
    case 126:
      return kSukun;
    case 127:
      return kShadda;
    case 135:
      return kArabicComma;
    default:
      return LetterOfKey(k);
  }
}

std::array<KeyDef, kKeyCount> BuildKeys() {
  std::array<KeyDef, kKeyCount> keys{};
  auto add = [&keys](const Placed& p, Layout frame) {
    KeyDef& k = keys[static_cast<std::size_t>(p.index)];
    k.index = p.index;
    k.frame = frame;
    k.caption = p.caption;
    k.left = p.left;
    k.top = p.top;
    k.width = p.width;
    k.height = p.height;
    k.font = p.font;
    k.enabled = !Contains(kDisabled, p.index);
    k.picture = PictureOf(p.index);
  };
  for (const Placed& p : kSystematic) add(p, Layout::Systematic);
  for (const Placed& p : kArabic) add(p, Layout::Arabic);
  return keys;
}

}  // namespace

LetterIndex ReDef(KeyIndex Index) {
  if (Index >= kFirstArabicKey && Index < kFirstArabicKey + static_cast<int>(std::size(kReDef))) {
    return kReDef[Index - kFirstArabicKey];
  }
  return Index;
}

LetterIndex LetterOfKey(KeyIndex Index) {
  if (Index < 0 || Index >= kFirstUnusedKey) return kNoLetter;
  return Index >= kFirstArabicKey ? ReDef(Index) : Index;
}

const std::array<KeyDef, kKeyCount>& Keys() {
  static const std::array<KeyDef, kKeyCount> keys = BuildKeys();
  return keys;
}

}  // namespace harf
