// Runs every case of the shared typed-key data file through the keyboard
// model: typed characters, Backspace releases and Enter.
#include <gtest/gtest.h>

#include "input/key_release.h"
#include "input/typist.h"
#include "input/utf8.h"
#include "typing_cases.h"

namespace harf {
namespace {

std::vector<std::vector<GlyphCode>> TextLines(const TextArea& text) {
  std::vector<std::vector<GlyphCode>> out;
  for (const Line& l : text.lines()) out.push_back(l.Codes());
  return out;
}

TEST(TypingData, EveryCaseGivesItsGlyphCodes) {
  const auto cases = testing::ReadTypingCases(testing::TypingCasesPath());
  ASSERT_GT(cases.size(), 80U);
  for (const auto& c : cases) {
    SCOPED_TRACE("typing.tsv:" + std::to_string(c.lineNumber) + ": " + c.source);
    Typist typist(c.layout);
    for (const char32_t ch : c.typed) {
      if (ch == U'\b') {
        typist.Release(static_cast<int>(VirtualKey::Backspace));
      } else {
        typist.Type(ch);
      }
    }
    EXPECT_EQ(typist.line().Codes(), c.line);
    EXPECT_EQ(typist.line().cursor(), 0U);
    if (c.checksText) {
      EXPECT_EQ(TextLines(typist.text()), c.text);
    }
  }
}

TEST(TextArea, EnterJoinsLinesWithCrLfAndKeepsAnEmptyLastLine) {
  Typist t;
  t.Enter();
  EXPECT_TRUE(t.text().empty());
  EXPECT_TRUE(t.text().Codes().empty());
  t.Type(U'b');
  t.Enter();
  t.Enter();
  EXPECT_EQ(t.text().Codes(), (std::vector<GlyphCode>{108, 32, 13, 10}));
  t.Type(U'1');
  t.Enter();
  EXPECT_EQ(t.text().Codes(), (std::vector<GlyphCode>{108, 32, 13, 10, 13, 10, 81}));
  EXPECT_TRUE(t.line().empty());
}

}  // namespace
}  // namespace harf
