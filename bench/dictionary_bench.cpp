// The words of Debian's Arabic dictionary (hunspell-ar), shaped on the same
// machine in the same run: by Harf's engine letter by letter (AddChar, as the
// user types them) and in one pass (AddChars, as documents and pastes type
// them), and whole by ICU's u_shapeArabic and by FriBidi's Arabic joining and
// shaping. Every benchmark reports letters per
// second over the same words; the words are read and converted once, before
// any timing.
#include <benchmark/benchmark.h>
#include <fribidi.h>
#include <unicode/ushape.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "input/utf8.h"
#include "shaping/engine.h"
#include "tables/unicode_table.h"

namespace {

constexpr const char* kDictionary = "/usr/share/hunspell/ar.dic";

struct Words {
  std::vector<std::vector<harf::LetterIndex>> letters;  // for Harf, one per word
  std::vector<std::u16string> utf16;                    // for ICU
  std::vector<std::vector<FriBidiChar>> utf32;          // for FriBidi
  std::size_t letterCount = 0;
  std::size_t longest = 0;
};

// Every word all of whose characters are letters Harf types; a word ends at
// its flags ("/") or its morphological fields (TAB).
Words Load() {
  std::ifstream in(kDictionary);
  if (!in) {
    std::fprintf(stderr, "%s is missing: install hunspell-ar\n", kDictionary);
    std::exit(1);
  }
  Words w;
  std::string raw;
  std::getline(in, raw);  // the word count
  while (std::getline(in, raw)) {
    const std::string word = raw.substr(0, raw.find_first_of("/\t"));
    std::optional<harf::Utf8Error> error;
    const std::u32string text = harf::DecodeUtf8(word, &error);
    if (text.empty() || error) continue;
    std::vector<harf::LetterIndex> letters;
    std::u16string utf16;
    for (const char32_t cp : text) {
      const harf::LetterIndex c = harf::LetterOfCodePoint(cp);
      if (c == harf::kNoLetter || cp > 0xFFFF) break;
      letters.push_back(c);
      utf16.push_back(static_cast<char16_t>(cp));
    }
    if (letters.size() != text.size()) continue;
    w.letterCount += letters.size();
    w.longest = std::max(w.longest, letters.size());
    w.letters.push_back(std::move(letters));
    w.utf16.push_back(std::move(utf16));
    w.utf32.emplace_back(text.begin(), text.end());
  }
  return w;
}

const Words& Dictionary() {
  static const Words words = Load();
  return words;
}

void Report(benchmark::State& state, const Words& w) {
  const double letters =
      static_cast<double>(w.letterCount) * static_cast<double>(state.iterations());
  state.counters["letters/s"] = benchmark::Counter(letters, benchmark::Counter::kIsRate);
  state.counters["words"] = static_cast<double>(w.letters.size());
  state.counters["letters"] = static_cast<double>(w.letterCount);
}

// Harf: every word typed into a cleared line, one AddChar per letter, with
// joining, vowel signs and the ligature pass on every keystroke.
void BM_HarfTypesEachLetter(benchmark::State& state) {
  const Words& w = Dictionary();
  harf::Line line;
  line.Reserve(2 * w.longest + 2);
  for (auto _ : state) {
    for (const auto& word : w.letters) {
      line.Clear();
      for (const harf::LetterIndex c : word) harf::AddChar(line, c);
      benchmark::DoNotOptimize(line.Reading().data());
    }
  }
  Report(state, w);
}

// The same words, each shaped in one pass into a cleared line.
void BM_HarfShapesEachWordInOnePass(benchmark::State& state) {
  const Words& w = Dictionary();
  harf::Line line;
  line.Reserve(2 * w.longest + 2);
  for (auto _ : state) {
    for (const auto& word : w.letters) {
      line.Clear();
      harf::AddChars(line, word);
      benchmark::DoNotOptimize(line.Reading().data());
    }
  }
  Report(state, w);
}

// ICU: every word shaped whole into presentation forms, lam-alif ligatures
// merged, into one reused buffer.
void BM_IcuShapesEachWord(benchmark::State& state) {
  const Words& w = Dictionary();
  std::vector<UChar> out(2 * w.longest + 2);
  for (auto _ : state) {
    for (const auto& word : w.utf16) {
      UErrorCode status = U_ZERO_ERROR;
      const int32_t n = u_shapeArabic(
          reinterpret_cast<const UChar*>(word.data()), static_cast<int32_t>(word.size()),
          out.data(), static_cast<int32_t>(out.size()), U_SHAPE_LETTERS_SHAPE, &status);
      if (U_FAILURE(status)) state.SkipWithError(u_errorName(status));
      benchmark::DoNotOptimize(n);
      benchmark::DoNotOptimize(out.data());
    }
  }
  Report(state, w);
}

// FriBidi: bidi and joining types, the joining pass and the shaping pass with
// its presentation forms and ligatures. Each word is Arabic in a right-to-left
// paragraph, so every embedding level is 1 and no bidi pass is needed.
void BM_FriBidiShapesEachWord(benchmark::State& state) {
  const Words& w = Dictionary();
  const std::size_t room = w.longest + 1;
  std::vector<FriBidiChar> str(room);
  std::vector<FriBidiCharType> types(room);
  std::vector<FriBidiArabicProp> props(room);
  const std::vector<FriBidiLevel> levels(room, 1);
  for (auto _ : state) {
    for (const auto& word : w.utf32) {
      const auto n = static_cast<FriBidiStrIndex>(word.size());
      std::copy(word.begin(), word.end(), str.begin());
      fribidi_get_bidi_types(str.data(), n, types.data());
      fribidi_get_joining_types(str.data(), n, props.data());
      fribidi_join_arabic(types.data(), n, levels.data(), props.data());
      fribidi_shape_arabic(FRIBIDI_FLAGS_ARABIC, levels.data(), n, props.data(), str.data());
      benchmark::DoNotOptimize(str.data());
    }
  }
  Report(state, w);
}

// The whole dictionary as one text, words separated by spaces: Harf types it
// letter by letter into one line (no 45-glyph limit below the keyboard), ICU
// shapes it with one call. No per-word overhead on either side.
struct OneText {
  std::vector<harf::LetterIndex> letters;
  std::u16string utf16;
};

const OneText& DictionaryText() {
  static const OneText text = [] {
    const Words& w = Dictionary();
    OneText t;
    const harf::LetterIndex space = harf::LetterOfCodePoint(U' ');
    for (std::size_t i = 0; i < w.letters.size(); ++i) {
      if (i > 0) {
        t.letters.push_back(space);
        t.utf16.push_back(u' ');
      }
      t.letters.insert(t.letters.end(), w.letters[i].begin(), w.letters[i].end());
      t.utf16 += w.utf16[i];
    }
    return t;
  }();
  return text;
}

void ReportText(benchmark::State& state, const OneText& t) {
  const double letters =
      static_cast<double>(t.letters.size()) * static_cast<double>(state.iterations());
  state.counters["letters/s"] = benchmark::Counter(letters, benchmark::Counter::kIsRate);
  state.counters["letters"] = static_cast<double>(t.letters.size());
}

void BM_HarfTypesDictionaryAsOneLine(benchmark::State& state) {
  const OneText& t = DictionaryText();
  harf::Line line;
  line.Reserve(2 * t.letters.size() + 2);
  for (auto _ : state) {
    line.Clear();
    for (const harf::LetterIndex c : t.letters) harf::AddChar(line, c);
    benchmark::DoNotOptimize(line.Reading().data());
  }
  ReportText(state, t);
}

// The same line shaped in one pass, as documents and pastes type it: the
// same cells as the loop above.
void BM_HarfShapesDictionaryInOnePass(benchmark::State& state) {
  const OneText& t = DictionaryText();
  harf::Line line;
  line.Reserve(2 * t.letters.size() + 2);
  for (auto _ : state) {
    line.Clear();
    harf::AddChars(line, t.letters);
    benchmark::DoNotOptimize(line.Reading().data());
  }
  ReportText(state, t);
}

// The same from the UTF-16 string ICU is given: each code point mapped to its
// letter inside the timer, into a reused buffer, then shaped in one pass.
void BM_HarfShapesDictionaryFromUtf16(benchmark::State& state) {
  const OneText& t = DictionaryText();
  harf::Line line;
  line.Reserve(2 * t.letters.size() + 2);
  std::vector<harf::LetterIndex> letters;
  letters.reserve(t.utf16.size());
  for (auto _ : state) {
    letters.clear();
    for (const char16_t u : t.utf16) letters.push_back(harf::LetterOfCodePoint(u));
    line.Clear();
    harf::AddChars(line, letters);
    benchmark::DoNotOptimize(line.Reading().data());
  }
  ReportText(state, t);
}

void BM_IcuShapesDictionaryAsOneString(benchmark::State& state) {
  const OneText& t = DictionaryText();
  std::vector<UChar> out(2 * t.utf16.size() + 2);
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = u_shapeArabic(
        reinterpret_cast<const UChar*>(t.utf16.data()), static_cast<int32_t>(t.utf16.size()),
        out.data(), static_cast<int32_t>(out.size()), U_SHAPE_LETTERS_SHAPE, &status);
    if (U_FAILURE(status)) state.SkipWithError(u_errorName(status));
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(out.data());
  }
  ReportText(state, t);
}

BENCHMARK(BM_HarfTypesEachLetter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarfShapesEachWordInOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IcuShapesEachWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FriBidiShapesEachWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarfTypesDictionaryAsOneLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarfShapesDictionaryInOnePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarfShapesDictionaryFromUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IcuShapesDictionaryAsOneString)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
