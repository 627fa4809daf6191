// Random inputs: bytes per second of the library's generators against RapidCheck's own
// element-by-element container generator, over RapidCheck's default sizes (0 to 99).

#include <benchmark/benchmark.h>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"

namespace {

template <class Gen, class SizeOf>
void drawAll(benchmark::State& state, const Gen& gen, SizeOf sizeOf) {
  std::uint64_t seed = 1;
  std::size_t bytes = 0;
  int size = 0;
  for (auto _ : state) {
    const auto value = gen(rc::Random(seed++), size).value();
    bytes += sizeOf(value);
    benchmark::DoNotOptimize(value);
    size = (size + 1) % 100;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_Baseline_RapidCheckContainer(benchmark::State& state) {
  const auto gen =
      rc::gen::container<std::vector<std::uint8_t>>(rc::gen::arbitrary<std::uint8_t>());
  drawAll(state, gen, [](const std::vector<std::uint8_t>& v) { return v.size(); });
}

void BM_ArbitraryByteString(benchmark::State& state) {
  drawAll(state, kavrit::test::arbitraryByteString(),
          [](const kavrit::ByteString& v) { return v.size(); });
}

void BM_ArbitraryLazyByteString(benchmark::State& state) {
  drawAll(state, kavrit::test::arbitraryLazyByteString(),
          [](const kavrit::LazyByteString& v) { return v.size(); });
}

}  // namespace

BENCHMARK(BM_Baseline_RapidCheckContainer);
BENCHMARK(BM_ArbitraryByteString);
BENCHMARK(BM_ArbitraryLazyByteString);
