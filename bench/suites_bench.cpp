// Building suites: list, read, parse and make every file-driven suite, against reading the same
// files into memory and nothing more; on the shipped vectors and on 4 and 16 copies of them.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "bench_data.hpp"
#include "kavrit/test/paths.hpp"

namespace {

using kavrit::bench::DataDirOverride;
using kavrit::bench::ScaledData;

// Data directories by copy count; 1 is the shipped data itself.
std::string dataDirFor(int copies) {
  static std::map<int, std::unique_ptr<ScaledData>> scaled;
  if (copies == 1) return kavrit::test::getDataDir();
  auto& slot = scaled[copies];
  if (!slot) slot = std::make_unique<ScaledData>(copies);
  return slot->dir();
}

void BM_Baseline_ReadFiles(benchmark::State& state) {
  const std::string dir = dataDirFor(static_cast<int>(state.range(0)));
  const DataDirOverride override(dir);
  std::size_t bytes = 0;
  for (auto _ : state) bytes += kavrit::bench::readLikeTheBuilders();
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_BuildSuites(benchmark::State& state) {
  const std::string dir = dataDirFor(static_cast<int>(state.range(0)));
  const DataDirOverride override(dir);
  std::size_t leaves = 0;
  for (auto _ : state) {
    const auto suites = kavrit::bench::buildFileDrivenSuites();
    leaves = kavrit::test::countLeaves(suites);
    benchmark::DoNotOptimize(leaves);
  }
  state.counters["tests"] = static_cast<double>(leaves);
}

}  // namespace

// Several seconds each, so that the 16-copy runs repeat enough to settle.
BENCHMARK(BM_Baseline_ReadFiles)
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->MinTime(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSuites)->Arg(1)->Arg(4)->Arg(16)->MinTime(3)->Unit(benchmark::kMillisecond);
