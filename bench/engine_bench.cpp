// Typing one letter into lines of 1 to 45 glyphs, and whether that allocates.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "shaping/engine.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// A line of about `glyphs` glyphs typed from a mix of joining letters, spaces
// and signs, as words are.
harf::Line LineOf(std::size_t glyphs) {
  using namespace harf;
  static constexpr LetterIndex kWord[] = {kBa, kMim,   kAlif, kSpaceLetter, kLam, kAlif,       kKaf,
                                          kRa, kFatha, kYa,   kHha,         kNun, kSpaceLetter};
  harf::Line line;
  line.Reserve(64);
  for (std::size_t i = 0; line.size() < glyphs; ++i) {
    harf::AddChar(line, kWord[i % std::size(kWord)]);
  }
  return line;
}

void TypeOneLetter(benchmark::State& state, harf::LetterIndex letter) {
  const harf::Line base = LineOf(static_cast<std::size_t>(state.range(0)));
  harf::Line line;
  line.Reserve(64);
  line = base;
  const long before = g_allocations.load();
  for (auto _ : state) {
    line = base;  // reuses the line's storage: no allocation
    harf::AddChar(line, letter);
    benchmark::DoNotOptimize(line.Reading().data());
  }
  state.counters["allocs/letter"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations()));
  state.counters["glyphs"] = static_cast<double>(base.size());
}

void BM_TypeJoiningLetter(benchmark::State& state) {
  TypeOneLetter(state, harf::kBa);
}
void BM_TypeSpace(benchmark::State& state) {
  TypeOneLetter(state, harf::kSpaceLetter);
}
void BM_TypeVowelSign(benchmark::State& state) {
  TypeOneLetter(state, harf::kFatha);
}

void BM_Backspace(benchmark::State& state) {
  const harf::Line base = LineOf(static_cast<std::size_t>(state.range(0)));
  harf::Line line;
  line.Reserve(64);
  const long before = g_allocations.load();
  for (auto _ : state) {
    line = base;
    harf::Backspace(line);
    benchmark::DoNotOptimize(line.Reading().data());
  }
  state.counters["allocs/op"] = benchmark::Counter(
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations()));
}

// The copy that resets the line each iteration, to subtract from the above.
void BM_ResetOnly(benchmark::State& state) {
  const harf::Line base = LineOf(static_cast<std::size_t>(state.range(0)));
  harf::Line line;
  line.Reserve(64);
  for (auto _ : state) {
    line = base;
    benchmark::DoNotOptimize(line.Reading().data());
  }
}

#define HARF_LINE_SIZES DenseRange(1, 41, 8)->Arg(45)
BENCHMARK(BM_TypeJoiningLetter)->HARF_LINE_SIZES;
BENCHMARK(BM_TypeSpace)->HARF_LINE_SIZES;
BENCHMARK(BM_TypeVowelSign)->HARF_LINE_SIZES;
BENCHMARK(BM_Backspace)->HARF_LINE_SIZES;
BENCHMARK(BM_ResetOnly)->HARF_LINE_SIZES;

}  // namespace

BENCHMARK_MAIN();
