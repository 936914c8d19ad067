// Messages of harf-convert show outside text (file names, a document's own
// bytes) printable and unambiguous.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "messages.h"

namespace harf::convert {
namespace {

struct Case {
  std::string_view in;
  std::string_view shown;
};

TEST(Printable, EscapesWhatCouldDriveOrMisleadATerminal) {
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"brief.docx", "brief.docx"},
      {"رسالة.docx", "رسالة.docx"},  // valid UTF-8 stays
      {"a\x1b]0;T\x07"
       "b",
       "a\\x1B]0;T\\x07b"},                   // C0
      {"a\nb\tc\rd", "a\\x0Ab\\x09c\\x0Dd"},  // one line per message
      {"a\x7f"
       "b",
       "a\\x7Fb"},  // DEL
      {"a\xc2\x9b"
       "b",
       "a\\x9Bb"},  // C1 (CSI) as a character
      {"a\xff\xfe"
       "b",
       "a\\xFF\\xFEb"},  // bytes of no UTF-8
      {"a\xc0\xaf"
       "b",
       "a\\xC0\\xAFb"},  // overlong '/'
      {"a\xed\xa0\x80"
       "b",
       "a\\xED\\xA0\\x80b"},         // a surrogate
      {"a\xe2\x82", "a\\xE2\\x82"},  // cut short at the end
      {"a\xe2\x80\xae"
       "b",
       "a\\u{202E}b"},  // right-to-left override
      {"a\xd8\x9c"
       "b",
       "a\\u{061C}b"},                                       // Arabic letter mark
      {"\xe2\x81\xa6x\xe2\x81\xa9", "\\u{2066}x\\u{2069}"},  // isolates
      {"C:\\x1B", "C:\\\\x1B"},                              // a backslash cannot forge one
      {"a\0b"sv, "a\\x00b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Printable(c.in), c.shown) << c.in;
  }
}

TEST(Printable, EveryTwoBytesComeOutAsValidUtf8WithoutControls) {
  // Every one- and two-byte string: nothing below 0x20, no DEL, and the
  // result is valid UTF-8 (whatever was invalid became an escape).
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string in{static_cast<char>(a), static_cast<char>(b)};
      const std::string out = Printable(in);
      for (const char ch : out) {
        const auto u = static_cast<unsigned char>(ch);
        ASSERT_FALSE(u < 0x20 || u == 0x7F) << a << " " << b;
      }
      ASSERT_EQ(Printable(out).size(), out.size() + std::count(out.begin(), out.end(), '\\'))
          << "not valid UTF-8 after escaping: " << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace harf::convert
