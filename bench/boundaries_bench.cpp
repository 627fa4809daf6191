// The boundary laws: the whole "Hash Chunking Tests" group on SHA-512 (must stay under a second),
// against the seed's hash property suite on the same hash, both with RapidCheck's defaults.

#include <benchmark/benchmark.h>

#include <rapidcheck.h>

#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hash_props.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using namespace kavrit;

// Runs every leaf of `group` once per iteration: unit cases directly, properties with seed 42.
void runGroup(benchmark::State& state, const test::Test& group) {
  kavrit::test::PropertyParams params;
  params.seed = 42;
  for (auto _ : state) {
    for (const test::Test& leaf : group.children()) {
      if (leaf.kind() == test::Test::Kind::Case) {
        leaf.run();
      } else if (!leaf.check(leaf.name(), params).passed()) {
        state.SkipWithError("a property failed");
        return;
      }
    }
  }
}

void BM_HashChunking_SHA512(benchmark::State& state) {
  runGroup(state, test::makeHashChunkingTests<examples::SHA512>());
}

void BM_HashProperties_SHA512(benchmark::State& state) {
  runGroup(state, test::makeHashPropTests<examples::SHA512>());
}

}  // namespace

BENCHMARK(BM_HashChunking_SHA512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashProperties_SHA512)->Unit(benchmark::kMillisecond);
