// The builders that catch what the older suites let through (key, state, digest, own-member and
// long-message laws, and the carry-edge and padding-edge known answers), built and run on OpenSSL
// at their default settings ("Slow" groups aside), one algorithm at a time; against building and
// running the algorithm's known-answer builder in the same run.

#include <benchmark/benchmark.h>

#include <vector>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/state_laws.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using namespace kavrit;
using test::Test;

// Runs every leaf; false when one fails.
bool runLeaves(const Test& tree) {
  switch (tree.kind()) {
    case Test::Kind::Group:
      for (const Test& child : tree.children()) {
        if (!runLeaves(child)) return false;
      }
      return true;
    case Test::Kind::Case:
      try {
        tree.run();
        return true;
      } catch (...) {
        return false;
      }
    case Test::Kind::Property: {
      test::PropertyParams params;  // RapidCheck's defaults
      params.seed = 42;
      return tree.check(tree.name(), params).passed();
    }
  }
  return false;
}

template <class Build>
void buildAndRun(benchmark::State& state, Build build) {
  for (auto _ : state) {
    for (const Test& tree : build()) {
      if (!runLeaves(tree)) {
        state.SkipWithError("a test failed");
        return;
      }
    }
  }
}

template <BlockCipher K>
std::vector<Test> cipherLawBuilders() {
  std::vector<Test> trees{test::makeBlockCipherKeyTests<K>(), test::makeBlockCipherStateTests<K>(),
                          test::makeModeHookOracleTests<K>(), test::makeLongModeTests<K>()};
  for (Test& tree : test::makeAESCTREdgeTests<K>()) trees.push_back(std::move(tree));
  return trees;
}

template <Hash D>
std::vector<Test> hashLawBuilders(test::HashAlgorithm algorithm, std::vector<Test> edges) {
  std::vector<Test> trees{test::makeDigestTests<D>(), test::makeHashStateTests<D>(),
                          test::makeHMACHookOracleTests<D>(),
                          test::makeLongMessageTests<D>(algorithm)};
  for (Test& tree : edges) trees.push_back(std::move(tree));
  return trees;
}

void BM_LawBuilders_AES128(benchmark::State& state) {
  buildAndRun(state, [] { return cipherLawBuilders<examples::AES128>(); });
}
void BM_KnownAnswers_AES128(benchmark::State& state) {
  buildAndRun(state, [] { return test::makeAESTests<examples::AES128>(); });
}

void BM_LawBuilders_SHA256(benchmark::State& state) {
  buildAndRun(state, [] {
    return hashLawBuilders<examples::SHA256>(test::HashAlgorithm::SHA256,
                                             test::makeSHA256PaddingEdgeTests<examples::SHA256>());
  });
}
void BM_KnownAnswers_SHA256(benchmark::State& state) {
  buildAndRun(state, [] { return test::makeSHA256Tests<examples::SHA256>(); });
}

void BM_LawBuilders_SHA512(benchmark::State& state) {
  buildAndRun(state, [] {
    return hashLawBuilders<examples::SHA512>(test::HashAlgorithm::SHA512,
                                             test::makeSHA512PaddingEdgeTests<examples::SHA512>());
  });
}
void BM_KnownAnswers_SHA512(benchmark::State& state) {
  buildAndRun(state, [] { return test::makeSHA512Tests<examples::SHA512>(); });
}

void BM_LawBuilders_MD5(benchmark::State& state) {
  buildAndRun(state, [] {
    return hashLawBuilders<examples::MD5>(test::HashAlgorithm::MD5,
                                          test::makeMD5PaddingEdgeTests<examples::MD5>());
  });
}
void BM_KnownAnswers_MD5(benchmark::State& state) {
  buildAndRun(state, [] { return test::makeMD5Tests<examples::MD5>(); });
}

}  // namespace

BENCHMARK(BM_LawBuilders_AES128)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KnownAnswers_AES128)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LawBuilders_SHA256)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KnownAnswers_SHA256)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LawBuilders_SHA512)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KnownAnswers_SHA512)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LawBuilders_MD5)->MinTime(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KnownAnswers_MD5)->MinTime(2)->Unit(benchmark::kMillisecond);
