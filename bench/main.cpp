// The benchmark program: Google Benchmark's usual output, then each measurement as a ratio to
// its baseline from the same run (these machines are shared and noisy; only ratios compare).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      seconds_[baseName(run.benchmark_name())] = run.GetAdjustedRealTime();
      for (const char* name : {"peak_rss_MB", "vector_files_MB"}) {
        const auto counter = run.counters.find(name);
        if (counter != run.counters.end()) {
          counters_[name == std::string("peak_rss_MB") ? "peak" : "vectors"] = counter->second;
        }
      }
      const auto bytes = run.counters.find("bytes_per_second");
      if (bytes != run.counters.end())
        bytesPerSecond_[baseName(run.benchmark_name())] = bytes->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printRatios() const {
    std::printf("\nRatios against the baselines of this run\n");
    ratio("generator speed: arbitraryByteString / RapidCheck container", bytesPerSecond_,
          "BM_ArbitraryByteString", "BM_Baseline_RapidCheckContainer", "target >= 50");
    ratio("generator speed: arbitraryLazyByteString / RapidCheck container", bytesPerSecond_,
          "BM_ArbitraryLazyByteString", "BM_Baseline_RapidCheckContainer", "target >= 50");
    for (const char* copies : {"1", "4", "16"}) {
      ratio(std::string("build suites / read files, ") + copies + "x data", seconds_,
            std::string("BM_BuildSuites/") + copies, std::string("BM_Baseline_ReadFiles/") + copies,
            "target <= 3");
    }
    ratio("build Wycheproof suites, AES-128 / read and parse their JSON", seconds_,
          "BM_BuildWycheproofSuites_AES128", "BM_Baseline_ParseWycheproofJSON", "target <= 3");
    ratio("build suites 4x data / 1x data", seconds_, "BM_BuildSuites/4", "BM_BuildSuites/1",
          "linear: ~4");
    ratio("build suites 16x data / 1x data", seconds_, "BM_BuildSuites/16", "BM_BuildSuites/1",
          "linear: ~16");
    ratio("run known answers / hand-written loop", seconds_, "BM_RunKnownAnswerTests",
          "BM_Baseline_HandWrittenKnownAnswers", "target <= 2");
    ratio("AES-128 property suite: generation share", seconds_, "BM_Generation_BlockCipherInputs",
          "BM_BlockCipherProperties_AES128", "rest is cipher work");
    ratio("peak memory building every suite / vector file size", counters_, "peak", "vectors",
          "target <= 4");
    ratio("SHA-256 property suite: generation share", seconds_, "BM_Generation_HashInputs",
          "BM_HashProperties_SHA256", "rest is hash work");
    ratio("SHA-512 chunking group / SHA-512 hash property suite", seconds_,
          "BM_HashChunking_SHA512", "BM_HashProperties_SHA512", "group itself < 1 s");
    for (const char* algorithm : {"AES128", "SHA256", "SHA512", "MD5"}) {
      const std::string laws = std::string("BM_LawBuilders_") + algorithm;
      const auto found = seconds_.find(laws);
      if (found == seconds_.end()) continue;
      // Both run in milliseconds; the builders' own time is given for the target of 2 s.
      const std::string note = "laws themselves " +
                               std::to_string(found->second / 1e3).substr(0, 5) +
                               " s, target < 2 s";
      ratio(std::string("law and edge builders / known-answer builder, ") + algorithm, seconds_,
            laws, std::string("BM_KnownAnswers_") + algorithm, note.c_str());
    }
  }

 private:
  // The name without the settings Google Benchmark appends ("/min_time:3.000", ...).
  static std::string baseName(const std::string& name) {
    const auto settings = name.find("/min_time:");
    return settings == std::string::npos ? name : name.substr(0, settings);
  }

  static void ratio(const std::string& what, const std::map<std::string, double>& values,
                    const std::string& measured, const std::string& baseline, const char* note) {
    const auto m = values.find(measured);
    const auto b = values.find(baseline);
    if (m == values.end() || b == values.end() || b->second == 0) return;
    std::printf("  %-66s %8.2f   (%s)\n", what.c_str(), m->second / b->second, note);
  }

  std::map<std::string, double> seconds_;
  std::map<std::string, double> bytesPerSecond_;
  std::map<std::string, double> counters_;
};

}  // namespace

namespace kavrit::bench {
int measureMemory();
}

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--measure-memory")
    return kavrit::bench::measureMemory();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
