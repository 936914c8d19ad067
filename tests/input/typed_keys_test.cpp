#include "input/typed_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "input/key_release.h"

namespace harf {
namespace {

using Kind = TypedAction::Kind;
constexpr Layout kSyst = Layout::Systematic;
constexpr Layout kArab = Layout::Arabic;

TEST(TypedKeys, ListsHoldEachCharacterOnceInKeyOrder) {
  for (const auto list : {SystKeyOf(), ArabicKeyOf()}) {
    std::set<char32_t> seen;
    KeyIndex last = -1;
    for (const TypedKey& e : list) {
      EXPECT_TRUE(seen.insert(e.typed).second) << static_cast<int>(e.typed);
      EXPECT_GE(e.key, last);
      last = e.key;
    }
  }
  EXPECT_EQ(SystKeyOf().size(), 59U);
  EXPECT_EQ(ArabicKeyOf().size(), 56U);
  for (const TypedKey& e : ArabicKeyOf()) {
    EXPECT_GE(e.key, 68);
    EXPECT_LE(e.key, 133);
  }
}

struct Typed {
  const char* name;
  char32_t typed;
  std::size_t length;
  Layout shown;
  TypedAction expected;
};

TEST(TypedKeys, DecidesWhatATypedCharacterDoes) {
  const Typed cases[] = {
      {"enter on a full line", U'\r', 45, kSyst, {Kind::Enter, 0}},
      {"enter in the arabic layout", U'\r', 0, kArab, {Kind::Enter, 0}},
      {"full line ignores letters", U'b', 45, kSyst, {}},
      {"over-full line ignores spaces", U' ', 60, kArab, {}},
      {"one below the limit", U'b', 44, kSyst, {Kind::Press, 2}},
      {"space systematic", U' ', 0, kSyst, {Kind::Press, 0}},
      {"space arabic is key 0 too", U' ', 3, kArab, {Kind::Press, 0}},
      {"h systematic is ha", U'h', 0, kSyst, {Kind::Press, 26}},
      {"H systematic is hha", U'H', 0, kSyst, {Kind::Press, 6}},
      {"h arabic is alif", U'h', 0, kArab, {Kind::Press, 70}},
      {"H arabic is alif hamza", U'H', 0, kArab, {Kind::Press, 112}},
      {"caret arabic", U'^', 0, kArab, {Kind::Press, 91}},
      {"hash arabic", U'#', 0, kArab, {Kind::Press, 91}},
      {"hash systematic is hamza", U'#', 0, kSyst, {Kind::Press, 55}},
      {"caret systematic", U'^', 0, kSyst, {}},
      {"a-umlaut systematic", U'\u00e4', 0, kSyst, {Kind::Press, 64}},
      {"a-umlaut arabic", U'\u00e4', 0, kArab, {Kind::Press, 97}},
      {"apostrophe arabic", U'\'', 0, kArab, {}},
      {"digit 0 systematic", U'0', 0, kSyst, {Kind::Press, 30}},
      {"digit 0 arabic", U'0', 0, kArab, {Kind::Press, 84}},
      {"digit 7 arabic", U'7', 0, kArab, {Kind::Press, 75}},
      {"parenthesis arabic is the quotation key", U'(', 0, kArab, {Kind::Press, 117}},
      {"minus arabic is zah", U'-', 0, kArab, {Kind::Press, 98}},
      {"degree arabic is sukun", U'\u00b0', 0, kArab, {Kind::Press, 127}},
      {"X arabic is shadda", U'X', 0, kArab, {Kind::Press, 126}},
      {"backspace is a release, not a typed key", U'\b', 0, kSyst, {}},
      {"tab", U'\t', 0, kSyst, {}},
      {"capital A-umlaut", U'\u00c4', 0, kArab, {}},
      {"arabic letter, systematic", U'\u0628', 0, kSyst, {Kind::Unicode, 0}},
      {"arabic letter, arabic", U'\u0628', 0, kArab, {Kind::Unicode, 0}},
      {"arabic-indic digit", U'\u0662', 0, kSyst, {Kind::Unicode, 0}},
      {"lam-alif presentation form", U'\uFEFB', 0, kArab, {Kind::Unicode, 0}},
      {"arabic letter on a full line", U'\u0628', 45, kSyst, {}},
      {"syriac is no arabic", U'\u0710', 0, kSyst, {}},
  };
  for (const Typed& c : cases) {
    EXPECT_EQ(DecideTyped(c.typed, c.length, c.shown), c.expected) << c.name;
  }
}

// Every typed press of a Systematic key enters the letter of its own index;
// every typed press of an Arabic key enters what ReDef gives.
TEST(TypedKeys, TypedPressesEnterTheLettersOfTheirKeys) {
  for (const TypedKey& e : SystKeyOf()) EXPECT_EQ(LetterOfKey(e.key), e.key);
  EXPECT_EQ(LetterOfKey(DecideTyped(U'q', 0, kArab).key), 15);
  EXPECT_EQ(LetterOfKey(DecideTyped(U'_', 0, kArab).key), 62);
  EXPECT_EQ(LetterOfKey(DecideTyped(U'*', 0, kArab).key), 63);
}

TEST(TypedKeys, TypedCharsOfAKeyForItsTooltip) {
  EXPECT_EQ(TypedCharsOf(91), (std::vector<char32_t>{U'^', U'#'}));
  EXPECT_EQ(TypedCharsOf(2), (std::vector<char32_t>{U'b'}));
  EXPECT_EQ(TypedCharsOf(122), (std::vector<char32_t>{U' '}));
  EXPECT_TRUE(TypedCharsOf(124).empty());
  EXPECT_TRUE(TypedCharsOf(46).empty());
}

TEST(KeyRelease, BindsBackspaceDeleteRightF5AndF7Only) {
  EXPECT_EQ(DecideKeyUp(8), ReleaseAction::Backspace);
  EXPECT_EQ(DecideKeyUp(46), ReleaseAction::Backspace);
  EXPECT_EQ(DecideKeyUp(116), ReleaseAction::CopyLine);
  EXPECT_EQ(DecideKeyUp(39), ReleaseAction::CursorHome);
  EXPECT_EQ(DecideKeyUp(118), ReleaseAction::ClearLine);
  for (int unbound : {0, 13, 32, 37, 112, 113, 114, 115, 117, 119, 120}) {
    EXPECT_EQ(DecideKeyUp(unbound), ReleaseAction::Nothing) << unbound;
  }
}

}  // namespace
}  // namespace harf
