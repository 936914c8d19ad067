#include "command_line.h"

namespace harf::tools {

OptionParser& OptionParser::Flag(std::initializer_list<std::string_view> names,
                                 const FlagAction& act) {
  for (const std::string_view name : names) options_.push_back({std::string(name), false, act, {}});
  return *this;
}

OptionParser& OptionParser::Value(std::initializer_list<std::string_view> names,
                                  const ValueAction& act) {
  for (const std::string_view name : names) options_.push_back({std::string(name), true, {}, act});
  return *this;
}

const OptionParser::Option* OptionParser::Find(std::string_view name) const {
  for (const Option& option : options_) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

UsageError OptionParser::BadValue(std::string_view name, std::string_view value,
                                  std::string_view expected) {
  return {UsageError::Kind::BadValue, "bad value for " + std::string(name) + ": '" +
                                          std::string(value) + "' (expected " +
                                          std::string(expected) + ")"};
}

void OptionParser::Parse(int argc, char** argv, const ValueAction& operand) const {
  bool operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (operandsOnly || arg == "-" || !arg.starts_with("-")) {
      operand(std::string(arg));
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (const Option* option = Find(arg)) {
      if (!option->takesValue) {
        option->flag();
      } else if (i + 1 < argc) {
        option->value(argv[++i]);
      } else {
        throw UsageError{UsageError::Kind::MissingValue,
                         "option " + option->name + " needs a value"};
      }
      continue;
    }
    // A flag given a value ("--force=yes") is as unknown as a misspelling.
    const std::size_t equals = arg.find('=');
    if (arg.starts_with("--") && equals != std::string_view::npos) {
      const Option* option = Find(arg.substr(0, equals));
      if (option && option->takesValue) {
        option->value(std::string(arg.substr(equals + 1)));
        continue;
      }
    }
    throw UsageError{UsageError::Kind::UnknownOption, "unknown option '" + std::string(arg) + "'"};
  }
}

}  // namespace harf::tools
