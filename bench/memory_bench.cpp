// Memory: peak resident memory while every file-driven suite is built and held at once, against
// the total size of the vector files. Measured in a fresh process (this program started again
// with --measure-memory), so that nothing the other benchmarks allocated hides the growth.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_data.hpp"

namespace kavrit::bench {
namespace {

// A field of /proc/self/status in bytes (the file gives kB).
std::size_t statusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1)) * 1024;
  }
  return 0;
}

void BM_Memory_BuildAllSuites(benchmark::State& state) {
  double peak = 0;
  double vectors = 0;
  for (auto _ : state) {
    // Resolved here: inside popen's shell, /proc/self/exe would name the shell.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    FILE* child = popen(("'" + self + "' --measure-memory").c_str(), "r");
    if (child == nullptr || std::fscanf(child, "%lf %lf", &peak, &vectors) != 2) {
      state.SkipWithError("the measuring process gave no figures");
    }
    if (child != nullptr) pclose(child);
  }
  state.counters["peak_rss_MB"] = peak / 1e6;
  state.counters["vector_files_MB"] = vectors / 1e6;
  state.counters["peak/vectors"] = vectors > 0 ? peak / vectors : 0;
}

}  // namespace

int measureMemory() {
  const std::size_t before = statusBytes("VmRSS");
  const auto suites = buildFileDrivenSuites();
  const std::size_t peak = statusBytes("VmHWM");
  std::printf("%zu %zu\n", peak - before, vectorBytes());
  return suites.empty() ? 1 : 0;
}

}  // namespace kavrit::bench

BENCHMARK(kavrit::bench::BM_Memory_BuildAllSuites)->Iterations(1)->Unit(benchmark::kMillisecond);
