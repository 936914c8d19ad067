#include "typing_cases.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "input/utf8.h"

namespace harf::testing {
namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string field;
  std::istringstream in(s);
  while (std::getline(in, field, sep)) out.push_back(field);
  if (!s.empty() && s.back() == sep) out.emplace_back();
  return out;
}

std::u32string Unescape(const std::string& field) {
  std::u32string decoded = DecodeUtf8(field, nullptr);
  std::u32string out;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (decoded[i] != U'\\' || i + 1 == decoded.size()) {
      out.push_back(decoded[i]);
      continue;
    }
    const char32_t e = decoded[++i];
    switch (e) {
      case U's':
        out.push_back(U' ');
        break;
      case U'b':
        out.push_back(U'\b');
        break;
      case U'r':
        out.push_back(U'\r');
        break;
      case U't':
        out.push_back(U'\t');
        break;
      case U'\\':
        out.push_back(U'\\');
        break;
      case U'u': {
        if (i + 4 >= decoded.size()) {
          throw std::runtime_error("short \\u escape");
        }
        std::string hex;
        for (int k = 0; k < 4; ++k) hex.push_back(static_cast<char>(decoded[++i]));
        out.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
        break;
      }
      default:
        throw std::runtime_error("unknown escape \\" + EncodeUtf8(std::u32string(1, e)));
    }
  }
  return out;
}

std::vector<GlyphCode> Codes(const std::string& field) {
  std::vector<GlyphCode> out;
  if (field == "-") return out;
  std::istringstream in(field);
  int code;
  while (in >> code) {
    if (code < 0 || code > 255) throw std::runtime_error("glyph code out of range");
    out.push_back(static_cast<GlyphCode>(code));
  }
  return out;
}

}  // namespace

std::vector<TypingCase> ReadTypingCases(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<TypingCase> cases;
  std::string raw;
  for (int n = 1; std::getline(in, raw); ++n) {
    if (raw.empty() || raw[0] == '#') continue;
    const auto f = Split(raw, '\t');
    if (f.size() < 3 || f.size() > 4 || (f[0] != "systematic" && f[0] != "arabic")) {
      throw std::runtime_error(path + ":" + std::to_string(n) + ": malformed case");
    }
    TypingCase c;
    c.lineNumber = n;
    c.source = raw;
    c.layout = f[0] == "arabic" ? Layout::Arabic : Layout::Systematic;
    c.typed = Unescape(f[1]);
    c.line = Codes(f[2]);
    if (f.size() == 4) {
      c.checksText = true;
      for (const std::string& l : Split(f[3], '|')) c.text.push_back(Codes(l));
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

std::string TypingCasesPath() {
  return HARF_TEST_DATA_DIR "/typing.tsv";
}

}  // namespace harf::testing
