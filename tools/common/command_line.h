// The command line of Harf's programs: one parser, so that both tools take the
// same forms and word the same mistakes the same way.
//
// Written here rather than taken from CLI11 or cxxopts (both in Debian): those
// word their own errors ("The following argument was not expected", "Option
// ‘x’ does not exist"), take "-oFILE" and "--flag=yes", and read the whole
// line before acting, while these tools promise one line naming the bad option
// in their own words and act on --help where it stands. What is needed is
// small: long options as "--name VALUE" or "--name=VALUE", a single-dash option
// as "-o VALUE", flags without a value, "-" as an operand and "--" before
// operands that begin with a dash.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace harf::tools {

// A command line that cannot be used. The message is one line naming the
// option or value, without the program's name.
struct UsageError {
  enum class Kind { UnknownOption, MissingValue, BadValue };
  Kind kind;
  std::string message;
};

class OptionParser {
 public:
  using FlagAction = std::function<void()>;
  using ValueAction = std::function<void(const std::string& value)>;

  // An option without a value, under each of its spellings ("-h", "--help").
  OptionParser& Flag(std::initializer_list<std::string_view> names, const FlagAction& act);
  // An option with a value: the next argument, whatever it looks like, or for
  // a name starting with "--" also what follows "=" in the same argument.
  OptionParser& Value(std::initializer_list<std::string_view> names, const ValueAction& act);
  // An option whose value is one word of a list; any other word fails with
  // the list, in the order given.
  template <typename Meaning, typename Target>
  OptionParser& Choice(std::string_view name, Target& target,
                       std::vector<std::pair<std::string_view, Meaning>> words) {
    return Value({name}, [name = std::string(name), &target,
                          words = std::move(words)](const std::string& value) {
      std::string names;
      for (const auto& [word, meaning] : words) {
        if (value == word) {
          target = meaning;
          return;
        }
        if (!names.empty()) names += ", ";
        names += word;
      }
      throw BadValue(name, value, names);
    });
  }

  // Runs each option's action and `operand` for every other argument, in the
  // order given, so that whatever comes first decides: a --help that exits
  // at once is not reached when a bad option comes before it. Throws
  // UsageError, or whatever an action throws.
  void Parse(int argc, char** argv, const ValueAction& operand) const;

  // "bad value for NAME: 'VALUE' (expected EXPECTED)", for an action's own checks.
  static UsageError BadValue(std::string_view name, std::string_view value,
                             std::string_view expected);

 private:
  struct Option {
    std::string name;
    bool takesValue;
    FlagAction flag;
    ValueAction value;
  };
  const Option* Find(std::string_view name) const;

  std::vector<Option> options_;
};

}  // namespace harf::tools
