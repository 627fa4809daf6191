// Running properties: the whole block-cipher property suite on AES-128 and the hash property
// suite on SHA-256 with RapidCheck's default parameters, and the drawing of the same inputs alone,
// so that the time splits into generation and the cipher or hash work.

#include <benchmark/benchmark.h>

#include <rapidcheck.h>

#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hash_props.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using namespace kavrit;

kavrit::test::PropertyParams params() {
  kavrit::test::PropertyParams p;  // RapidCheck's defaults: 100 cases, sizes up to 100
  p.seed = 42;
  return p;
}

void checkAll(benchmark::State& state, const std::vector<test::Test>& trees) {
  for (auto _ : state) {
    for (const test::Test& group : trees) {
      for (const test::Test& property : group.children()) {
        if (!property.check(property.name(), params()).passed()) {
          state.SkipWithError("a property failed");
          return;
        }
      }
    }
  }
}

// Draws what one run of a suite draws: per case and size, `strict` byte strings and `lazy`
// lazy byte strings.
void drawInputs(benchmark::State& state, int strict, int lazy) {
  const auto bytes = test::arbitraryByteString();
  const auto lazyBytes = test::arbitraryLazyByteString();
  for (auto _ : state) {
    rc::Random random(42);
    for (int size = 0; size < params().maxSuccess; ++size) {
      for (int i = 0; i < strict; ++i)
        benchmark::DoNotOptimize(bytes(random.split(), size).value());
      for (int i = 0; i < lazy; ++i)
        benchmark::DoNotOptimize(lazyBytes(random.split(), size).value());
    }
  }
}

void BM_BlockCipherProperties_AES128(benchmark::State& state) {
  checkAll(state, test::makeBlockCipherPropTests<examples::AES128>());
}

void BM_HashProperties_SHA256(benchmark::State& state) {
  checkAll(state, {test::makeHashPropTests<examples::SHA256>()});
}

// Ten block-cipher properties: 23 byte strings and 5 lazy byte strings per case in all.
void BM_Generation_BlockCipherInputs(benchmark::State& state) { drawInputs(state, 23, 5); }

// Three hash properties draw one lazy byte string each; two draw nothing.
void BM_Generation_HashInputs(benchmark::State& state) { drawInputs(state, 0, 3); }

}  // namespace

BENCHMARK(BM_BlockCipherProperties_AES128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generation_BlockCipherInputs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashProperties_SHA256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generation_HashInputs)->Unit(benchmark::kMillisecond);
