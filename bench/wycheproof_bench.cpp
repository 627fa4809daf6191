// Building the Wycheproof suites of one AES-128 type (read, parse, check every field, make the
// tests) against reading the same JSON files and parsing them, and nothing more.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "openssl/openssl_aes.hpp"

namespace {

// The files makeWycheproofBlockCipherTests reads for AES.
constexpr const char* kAESFiles[] = {
    "aes_gcm_test.json",  "aes_gmac_test.json", "aes_ccm_test.json", "aes_cmac_test.json",
    "aes_wrap_test.json", "aes_kwp_test.json",  "aes_xts_test.json", "aes_cbc_pkcs5_test.json"};

void BM_Baseline_ParseWycheproofJSON(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const char* name : kAESFiles) {
      std::ifstream in(kavrit::test::getDataFileName(std::string("Test/WYCHEPROOF/") + name),
                       std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      const nlohmann::json parsed = nlohmann::json::parse(text);
      benchmark::DoNotOptimize(parsed.size());
      bytes += text.size();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_BuildWycheproofSuites_AES128(benchmark::State& state) {
  std::size_t leaves = 0;
  for (auto _ : state) {
    const auto suites = kavrit::test::makeWycheproofBlockCipherTests<kavrit::examples::AES128>();
    leaves = kavrit::test::countLeaves(suites);
    benchmark::DoNotOptimize(leaves);
  }
  state.counters["tests"] = static_cast<double>(leaves);
}

}  // namespace

BENCHMARK(BM_Baseline_ParseWycheproofJSON)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildWycheproofSuites_AES128)->MinTime(2)->Unit(benchmark::kMillisecond);
