// The keyboard model as the window uses it: commands, the label's message, the
// text area's lines, a paste.
#include "input/typist.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "input/glyph_encoding.h"
#include "shaping/engine.h"

namespace harf {
namespace {

using Codes = std::vector<GlyphCode>;

Line Typed(std::u32string_view keys) {
  Typist t;
  for (const char32_t c : keys) t.Type(c);
  return t.line();
}

// A message lasts until the next key, click or command, whatever it is.
TEST(Typist, EveryCommandReturnsTheLabelToItsCreditLine) {
  const std::vector<std::pair<const char*, std::function<void(Typist&)>>> commands = {
      {"type a letter", [](Typist& t) { t.Type(U'b'); }},
      {"type a character that presses nothing", [](Typist& t) { t.Type(U'Q'); }},
      {"type Enter", [](Typist& t) { t.Type(U'\r'); }},
      {"press a key", [](Typist& t) { t.Press(3); }},
      {"release Backspace", [](Typist& t) { t.Release(8); }},
      {"release F5", [](Typist& t) { t.Release(116); }},
      {"release F7", [](Typist& t) { t.Release(118); }},
      {"release Right", [](Typist& t) { t.Release(39); }},
      {"caret left", [](Typist& t) { t.MoveCursor(CursorMove::Left); }},
      {"caret end", [](Typist& t) { t.MoveCursor(CursorMove::End); }},
      {"click into the line", [](Typist& t) { t.ClickLine(); }},
      {"Enter", [](Typist& t) { t.Enter(); }},
      {"Backspace", [](Typist& t) { t.Backspace(); }},
      {"switch layout", [](Typist& t) { t.SwitchLayout(); }},
      {"clear line", [](Typist& t) { t.ClearLine(); }},
      {"clear text", [](Typist& t) { t.ClearText(); }},
      {"copy line", [](Typist& t) { t.CopyLine(); }},
      {"copy text", [](Typist& t) { t.CopyText(); }},
      {"paste with nothing left out", [](Typist& t) { t.Paste({Typed(U"b")}, 0); }},
  };
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    Typist t;
    t.Type(U'k');
    t.Say({Message::LeftOut, 2});
    command(t);
    EXPECT_EQ(t.said(), Said{});
  }
}

TEST(Typist, ReleasesSayWhatTheyMeant) {
  Typist t;
  for (const char32_t c : std::u32string_view(U"bbb")) t.Type(c);
  t.MoveCursor(CursorMove::End);
  EXPECT_EQ(t.Release(116), ReleaseAction::CopyLine);
  EXPECT_EQ(t.line().cursor(), 4U);  // copying moves nothing
  EXPECT_EQ(t.Release(39), ReleaseAction::CursorHome);
  EXPECT_EQ(t.line().cursor(), 0U);
  EXPECT_EQ(t.Release(112), ReleaseAction::Nothing);  // F1: no target here
  EXPECT_EQ(t.line().Codes(), (Codes{107, 106, 105, 32}));
  EXPECT_EQ(t.Release(46), ReleaseAction::Backspace);
  EXPECT_EQ(t.line().Codes(), (Codes{107, 105, 32}));
  EXPECT_EQ(t.Release(118), ReleaseAction::ClearLine);
  EXPECT_TRUE(t.line().empty());
}

// The caret keys move the cursor one glyph, or to either end, and never past.
TEST(Typist, CaretKeysStayInsideTheLine) {
  Typist t;
  t.MoveCursor(CursorMove::Right);
  t.MoveCursor(CursorMove::Left);
  t.MoveCursor(CursorMove::Left);
  EXPECT_EQ(t.line().cursor(), 0U);
  for (const char32_t c : std::u32string_view(U"b b")) t.Type(c);  // 108 32 108 32
  for (int i = 0; i < 6; ++i) t.MoveCursor(CursorMove::Right);
  EXPECT_EQ(t.line().cursor(), 4U);
  t.MoveCursor(CursorMove::Left);
  t.MoveCursor(CursorMove::Left);
  t.Type(U't');  // goes in between the two words' glyphs, where the caret is
  EXPECT_EQ(t.line().Codes(), (Codes{108, 32, 111, 105, 32}));
  EXPECT_EQ(t.line().cursor(), 0U);
  t.MoveCursor(CursorMove::End);
  t.ClickLine();
  EXPECT_EQ(t.line().cursor(), 0U);
}

// A paste: the first line replaces the line (it already goes on from it),
// every later line comes after a line break that works as Enter; line breaks
// into an empty text area make no lines there.
TEST(Typist, PasteMovesFullLinesToTheTextAreaAsEnterDoes) {
  Typist t;
  t.Paste({Line(), Line(), Typed(U"ktb"), Typed(U"qlm"), Line()}, 0);
  ASSERT_EQ(t.text().lines().size(), 2U);
  EXPECT_EQ(t.text().lines()[0], Typed(U"ktb"));
  EXPECT_EQ(t.text().lines()[1], Typed(U"qlm"));
  EXPECT_TRUE(t.line().empty());
  EXPECT_EQ(t.said(), Said{});

  t.Paste({Typed(U"b"), Line(), Typed(U"tt")}, 3);
  ASSERT_EQ(t.text().lines().size(), 4U);
  EXPECT_TRUE(t.text().lines()[3].empty());
  EXPECT_EQ(t.line(), Typed(U"tt"));
  EXPECT_EQ(t.said(), (Said{Message::LeftOut, 3}));

  t.Paste({Typed(U"b")}, 1);
  EXPECT_EQ(t.said(), (Said{Message::LeftOut, 1}));
  t.Paste({}, 0);
  EXPECT_EQ(t.said(), (Said{Message::NothingPasted, 0}));
  EXPECT_EQ(t.line(), Typed(U"b"));  // nothing is lost
  EXPECT_EQ(t.text().lines().size(), 4U);
}

// Random commands: the text area never starts with an empty line (that is the
// empty text area), the cursor stays inside the line, the text area's clear
// count tells a view when to start again, and the text's codes are its lines
// joined by CR LF.
TEST(Typist, RandomCommandsKeepTheModelWhole) {
  std::mt19937 rng(7);
  const std::u32string typed = U"bt'l ~a1\r\rx";
  for (int run = 0; run < 200; ++run) {
    Typist t;
    std::uint64_t clears = 0;
    std::size_t shown = 0;  // a view's count of the text area's lines
    for (int step = 0; step < 200; ++step) {
      switch (rng() % 8) {
        case 0:
        case 1:
        case 2:
          t.Type(typed[rng() % typed.size()]);
          break;
        case 3:
          t.Press(static_cast<KeyIndex>(rng() % kKeyCount));
          break;
        case 4:
          t.MoveCursor(static_cast<CursorMove>(rng() % 4));
          break;
        case 5:
          t.Backspace();
          break;
        case 6:
          if (rng() % 10 == 0) t.ClearText();
          break;
        default:
          t.Enter();
          break;
      }
      ASSERT_LE(t.line().cursor(), t.line().size());
      ASSERT_TRUE(t.text().empty() || !t.text().lines()[0].empty());
      if (t.text().clears() != clears) {
        clears = t.text().clears();
        shown = 0;
      }
      ASSERT_GE(t.text().lines().size(), shown);  // a view only ever appends
      shown = t.text().lines().size();
      ASSERT_EQ(t.said(), Said{});
    }
    Codes joined;
    for (std::size_t i = 0; i < t.text().lines().size(); ++i) {
      if (i > 0) joined.insert(joined.end(), {13, 10});
      const Codes l = t.text().lines()[i].Codes();
      joined.insert(joined.end(), l.begin(), l.end());
    }
    EXPECT_EQ(t.text().Codes(), joined);
  }
}

// Arabic typed from a keyboard layout of the system goes in as a one-letter
// paste: in either layout, refused signs counted, none on a full line.
TEST(Typist, ArabicCharactersTypeTheirLetters) {
  for (const Layout shown : {Layout::Systematic, Layout::Arabic}) {
    Typist t(shown);
    for (const char32_t c : std::u32string_view(U"\u0644\u0627 \u0628\u0650\u062A ")) {
      const TypedAction a = t.Type(c);
      EXPECT_EQ(a.kind, c == U' ' ? TypedAction::Kind::Press : TypedAction::Kind::Unicode);
    }
    Typist pasted(shown);
    pasted.PasteUnicode(U"\u0644\u0627 \u0628\u0650\u062A ");
    EXPECT_EQ(t.line().Codes(), pasted.line().Codes());
    EXPECT_EQ(t.said(), Said{});
    t.Type(U'\u0627');
    t.Type(U'\u064E');  // a sign on alif: refused, and said
    EXPECT_EQ(t.said(), (Said{Message::LeftOut, 1}));
  }
  Typist full;
  for (int i = 0; i < 50; ++i) full.Type(U'\u0628');
  EXPECT_EQ(full.line().size(), kLineMaxLength);
  EXPECT_TRUE(full.text().empty());
}

TEST(Typist, OnePasteTellsTheKinds) {
  const struct {
    std::u32string_view text;
    PastedKind kind;
  } cases[] = {
      {U"\u0628\u0633\u0645", PastedKind::Unicode},
      {U"\uFEFB 2024", PastedKind::Unicode},
      {U"abc 123", PastedKind::GlyphText},              // plain ASCII: Latin-1 codes
      {U"\u00e5\u00ad \u0086", PastedKind::GlyphText},  // Latin-1 and C1
      {U"\u20ac\u201a", PastedKind::GlyphText},         // Windows-1252
      {U"\uF06C\uF020 \u0628", PastedKind::GlyphText},  // symbol wins over Arabic
      {U"", PastedKind::GlyphText},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecognisePasted(c.text), c.kind) << std::string(c.text.begin(), c.text.end());
  }
  // The window's own copy pastes back into the same line.
  Typist t;
  for (const char32_t c : std::u32string_view(U"bsm 'llh 'lrHmn")) t.Type(c);
  for (const GlyphEncoding e : kGlyphEncodings) {
    Typist back;
    EXPECT_EQ(back.PasteAny(EncodeCodes(t.line().Codes(), e)), PastedKind::GlyphText);
    EXPECT_EQ(back.line().Codes(), t.line().Codes());
  }
}

// What is kept between visits comes back whole, letters and all; anything
// else is refused and changes nothing.
TEST(Typist, SavedStateComesBackWhole) {
  Typist t(Layout::Arabic);
  for (const char32_t c : std::u32string_view(U"hgd\r\rjn")) t.Type(c);
  t.PasteUnicode(U"\u0671\u0644\u0644\u0647 \u0661\u0662");
  const std::u32string saved = t.Saved();
  Typist back;
  ASSERT_TRUE(back.Restore(saved));
  EXPECT_EQ(back.shown(), Layout::Arabic);
  EXPECT_EQ(back.line().Reading(), t.line().Reading());
  ASSERT_EQ(back.text().lines().size(), t.text().lines().size());
  for (std::size_t i = 0; i < t.text().lines().size(); ++i) {
    EXPECT_EQ(back.text().lines()[i].Reading(), t.text().lines()[i].Reading());
  }
  EXPECT_EQ(back.Saved(), saved);
  back.Backspace();
  t.Backspace();
  EXPECT_EQ(back.line().Codes(), t.line().Codes());

  const std::u32string damaged[] = {
      U"",
      U"harf1",
      U"harf10",
      U"harf2" + saved.substr(5),
      saved.substr(0, saved.size() - 1),
      saved.substr(0, saved.size() - 2) + U"\n",
      U"harf10\uF0FF\uF1FE\uF1FF\n",
      U"harf10\uF100\uF100\uF100\n",
  };
  for (const std::u32string& d : damaged) {
    Typist keep;
    keep.Type(U'b');
    EXPECT_FALSE(keep.Restore(d)) << d.size();
    EXPECT_EQ(keep.line().Codes(), Typed(U"b").Codes());
  }
}

}  // namespace
}  // namespace harf
