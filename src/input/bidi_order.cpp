#include "input/bidi_order.h"

#include <algorithm>

#include "tables/unicode_table.h"

namespace harf {
namespace {

std::u32string Bases(std::u32string_view text, const std::vector<Cluster>& clusters) {
  std::u32string out;
  out.reserve(clusters.size());
  // A sign with nothing before it stands for itself as a right-to-left letter:
  // the bidi algorithm resolves a sign at the start of a paragraph to the
  // paragraph's direction, and the sign must not join a number beside it.
  for (const Cluster& c : clusters) {
    out.push_back(IsMark(text[c.begin]) ? U'\u0621' : text[c.begin]);
  }
  return out;
}

// The clusters of text in the order given, as one text.
std::u32string Arrange(std::u32string_view text, const std::vector<Cluster>& clusters,
                       const std::vector<std::size_t>& order) {
  std::u32string out;
  out.reserve(text.size());
  for (const std::size_t k : order) {
    out.append(text.substr(clusters[k].begin, clusters[k].end - clusters[k].begin));
  }
  return out;
}

// A strong right-to-left character for the bidi algorithm.
bool IsStrongArabic(char32_t ch) {
  return (ch >= U'\u0621' && ch <= U'\u064A') || ch == U'\u0671';
}

}  // namespace

bool IsArabicIndicDigit(char32_t ch) {
  return ch >= U'\u0660' && ch <= U'\u0669';
}

// Common number separators (bidi class CS) among the font's characters.
bool IsNumberSeparator(char32_t ch) {
  return ch == U'.' || ch == U',' || ch == U':' || ch == U'\u060C';
}

bool IsMark(char32_t ch) {
  return (ch >= U'\u064B' && ch <= U'\u0652') || ch == U'\u0670';
}

std::vector<Cluster> Clusters(std::u32string_view text) {
  std::vector<Cluster> clusters;
  clusters.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsMark(text[i]) && !clusters.empty()) {
      clusters.back().end = i + 1;
    } else {
      clusters.push_back({i, i + 1});
    }
  }
  return clusters;
}

std::vector<std::size_t> PlainBidiOrder(std::u32string_view bases, bool /*inverse*/) {
  const std::size_t n = bases.size();
  // A digit is part of a number, and so is a single separator between two
  // digits; a number is shown left to right, everything else right to left.
  std::vector<bool> number(n);
  for (std::size_t k = 0; k < n; ++k) {
    const char32_t ch = bases[k];
    number[k] = IsArabicIndicDigit(ch) ||
                (IsNumberSeparator(ch) && k > 0 && k + 1 < n && IsArabicIndicDigit(bases[k - 1]) &&
                 IsArabicIndicDigit(bases[k + 1]));
  }
  // Reverse the whole line, then each number back into its own order.
  std::vector<std::size_t> order(n);
  for (std::size_t k = 0; k < n; ++k) order[k] = n - 1 - k;
  for (std::size_t v = 0; v < n;) {
    std::size_t w = v;
    while (w < n && number[order[w]]) ++w;
    if (w == v) {
      ++v;
      continue;
    }
    std::reverse(order.begin() + static_cast<std::ptrdiff_t>(v),
                 order.begin() + static_cast<std::ptrdiff_t>(w));
    v = w;
  }
  return order;
}

std::u32string TypedText(const Line& line) {
  std::u32string out;
  out.reserve(line.size());
  for (const Cell& cell : line.Reading()) {
    for (const std::uint8_t letter : {cell.letter, cell.later}) {
      if (letter == kNoLetter) continue;
      const char32_t cp = CodePointOf(static_cast<LetterIndex>(letter));
      if (cp != kNoCodePoint) out.push_back(cp);
    }
  }
  return out;
}

std::u32string LogicalText(const Line& line, BidiOrder order, std::size_t piece) {
  // A piece ends right before an Arabic letter. The paragraph is right to
  // left, so the text's start and end count as right-to-left letters too:
  // every character on either side of such a cut resolves as it does in the
  // whole line, no number spans it, and the pieces' logical texts follow one
  // another in typing order.
  const auto logical = [order](std::u32string_view typed) {
    std::vector<Cluster> visual = Clusters(typed);
    // The clusters right to left are their visual order.
    std::reverse(visual.begin(), visual.end());
    return Arrange(typed, visual, order(Bases(typed, visual), true));
  };
  std::u32string out;
  std::u32string typed;
  for (const Cell& cell : line.Reading()) {
    for (const std::uint8_t letter : {cell.letter, cell.later}) {
      if (letter == kNoLetter) continue;
      const char32_t cp = CodePointOf(static_cast<LetterIndex>(letter));
      if (cp == kNoCodePoint) continue;
      if (typed.size() >= piece && IsStrongArabic(cp)) {
        out += logical(typed);
        typed.clear();
      }
      typed.push_back(cp);
    }
  }
  return out += logical(typed);
}

std::u32string TypingOrder(std::u32string_view logical, BidiOrder order) {
  const std::vector<Cluster> clusters = Clusters(logical);
  std::vector<std::size_t> visual = order(Bases(logical, clusters), false);
  std::reverse(visual.begin(), visual.end());
  return Arrange(logical, clusters, visual);
}

namespace {

// The characters of each cluster, clusters in the order given.
std::vector<std::size_t> Expand(const std::vector<Cluster>& clusters,
                                const std::vector<std::size_t>& order, std::size_t size) {
  std::vector<std::size_t> out;
  out.reserve(size);
  for (const std::size_t k : order) {
    for (std::size_t i = clusters[k].begin; i < clusters[k].end; ++i) out.push_back(i);
  }
  return out;
}

std::vector<std::size_t> Identity(std::size_t n) {
  std::vector<std::size_t> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = i;
  return out;
}

bool HasDigit(std::u32string_view text) {
  return std::any_of(text.begin(), text.end(), IsArabicIndicDigit);
}

}  // namespace

std::vector<std::size_t> TypingPermutation(std::u32string_view logical, BidiOrder order) {
  // Without a digit nothing but the line's own direction is left, and the
  // order stays as it is: most lines, and the bidi pass is the dearest step.
  if (!HasDigit(logical)) return Identity(logical.size());
  const std::vector<Cluster> clusters = Clusters(logical);
  std::vector<std::size_t> visual = order(Bases(logical, clusters), false);
  std::reverse(visual.begin(), visual.end());
  return Expand(clusters, visual, logical.size());
}

std::vector<std::size_t> LogicalPermutation(std::u32string_view typed, BidiOrder order) {
  if (!HasDigit(typed)) return Identity(typed.size());
  std::vector<Cluster> visual = Clusters(typed);
  // The clusters right to left are their visual order.
  std::reverse(visual.begin(), visual.end());
  const std::vector<std::size_t> logical = order(Bases(typed, visual), true);
  std::vector<std::size_t> out;
  out.reserve(typed.size());
  for (const std::size_t k : logical) {
    for (std::size_t i = visual[k].begin; i < visual[k].end; ++i) out.push_back(i);
  }
  return out;
}

}  // namespace harf
