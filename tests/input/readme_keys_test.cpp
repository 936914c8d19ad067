// The README's lists of the typed keys are the lists the keyboard uses, in
// their order: a key added, moved or renamed in the tables shows up here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "input/typed_keys.h"
#include "input/utf8.h"
#include "tables/letter_names.h"

namespace harf {
namespace {

struct Entry {
  std::string typed;
  std::string name;
};

std::vector<Entry> ReadmeList(const std::string& marker) {
  std::ifstream in(HARF_README);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  const std::string open = "<!-- " + marker + " -->";
  const std::string close = "<!-- /" + marker + " -->";
  const auto from = text.find(open);
  const auto to = text.find(close);
  if (from == std::string::npos || to == std::string::npos) return {};
  std::string block = text.substr(from + open.size(), to - from - open.size());
  for (char& c : block) {
    if (c == '\n') c = ' ';
  }
  std::vector<Entry> out;
  static const std::regex entry("`([^`]+)` ([^;]+?) *(;|$)");
  for (auto it = std::sregex_iterator(block.begin(), block.end(), entry);
       it != std::sregex_iterator(); ++it) {
    out.push_back({(*it)[1], (*it)[2]});
  }
  return out;
}

void ExpectListed(std::span<const TypedKey> keys, const std::string& marker) {
  const std::vector<Entry> listed = ReadmeList(marker);
  ASSERT_EQ(listed.size(), keys.size()) << marker;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(marker + " entry " + std::to_string(i + 1));
    EXPECT_EQ(listed[i].typed, EncodeUtf8(std::u32string(1, keys[i].typed)));
    // The name may go on with a word of explanation after a comma.
    const std::string_view name = LetterName(LetterOfKey(keys[i].key));
    EXPECT_EQ(listed[i].name.substr(0, name.size()), name);
  }
}

TEST(Readme, ListsEveryTypedKeyOfBothLayouts) {
  ExpectListed(SystKeyOf(), "systematic-keys");
  ExpectListed(ArabicKeyOf(), "arabic-keys");
}

}  // namespace
}  // namespace harf
