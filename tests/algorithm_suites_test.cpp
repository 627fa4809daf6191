// The per-algorithm builders hand back exactly the leaves of the builders they stand for, in
// order, for the implementation they were given.

#include "kavrit/test/algorithm_suites.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "broken/broken_examples.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/twofish.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
namespace ex = examples;
using Trees = std::vector<Tree>;

// Every leaf as "<kind> /<group>/.../<name>", in order: what a runner registers.
void addPaths(const Tree& tree, const std::string& prefix, std::vector<std::string>& out) {
  const std::string path = prefix + "/" + tree.name();
  if (tree.kind() != Tree::Kind::Group) {
    out.push_back((tree.kind() == Tree::Kind::Case ? "case " : "property ") + path);
  }
  for (const Tree& child : tree.children()) addPaths(child, path, out);
}

std::vector<std::string> leafPaths(const Trees& trees) {
  std::vector<std::string> out;
  for (const Tree& tree : trees) addPaths(tree, "", out);
  return out;
}

// Where the leaves of two lists of trees first differ; empty when they are the same.
std::string firstDifference(const Trees& actualTrees, const Trees& expectedTrees) {
  const std::vector<std::string> actual = leafPaths(actualTrees);
  const std::vector<std::string> expected = leafPaths(expectedTrees);
  for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
    if (actual[i] != expected[i]) return "leaf " + std::to_string(i) + ": " + actual[i];
  }
  if (actual.size() == expected.size()) return "";
  return std::to_string(actual.size()) + " leaves, expected " + std::to_string(expected.size());
}

// The trees of the builders one after the other.
Trees concat(const std::vector<Trees>& separate) {
  Trees all;
  for (const Trees& trees : separate) all.insert(all.end(), trees.begin(), trees.end());
  return all;
}

// The laws that end every hash's and every cipher's list.
template <Hash D>
Trees hashLaws(HashAlgorithm algorithm) {
  return {makeDigestTests<D>(), makeHashStateTests<D>(), makeHMACHookOracleTests<D>(),
          makeLongMessageTests<D>(algorithm)};
}
template <BlockCipher K>
Trees cipherLaws(std::vector<std::size_t> otherKeyBytes = {}) {
  return {makeBlockCipherKeyTests<K>(std::move(otherKeyBytes)), makeBlockCipherStateTests<K>(),
          makeModeHookOracleTests<K>(), makeLongModeTests<K>()};
}

template <Hash D>
Trees shaBuilders(const Trees& kats, const Trees& hmac, const Trees& monte, const Trees& edges,
                  HashAlgorithm algorithm) {
  return concat({kats, hmac, monte, edges, {makeHashChunkingTests<D>()}, hashLaws<D>(algorithm)});
}

class AlgorithmSuites : public testing::Test {
 protected:
  fixture::DataDir data{false};
};

TEST_F(AlgorithmSuites, SHA256IsItsBuildersInOrder) {
  using D = ex::SHA256;
  const Trees separate =
      shaBuilders<D>(makeSHA256Tests<D>(), makeSHA256HMACTests<D>(), makeSHA256MonteTests<D>(),
                     makeSHA256PaddingEdgeTests<D>(), HashAlgorithm::SHA256);
  // 129 vectors and 5 laws, 225 HMAC vectors, 100 Monte Carlo checkpoints, 233 padding-edge
  // lengths, 4 chunking laws, 4 digest laws, 3 hash state laws, no HMAC hook to compare, 3
  // long-message cases: the comparisons below are not between two empty lists.
  ASSERT_EQ(leafPaths(separate).size(), 706u);
  EXPECT_EQ(makeSHA256Suites<D>().size(), separate.size());
  EXPECT_EQ(firstDifference(makeSHA256Suites<D>(), separate), "");
  EXPECT_EQ(firstDifference(makeSHA256Suites(D::hashStrict({})), separate), "");
  EXPECT_EQ(firstDifference(makeSHA256Suites(anyHash<D>()), separate), "");
}

TEST_F(AlgorithmSuites, AESIsItsBuildersInOrder) {
  using K = ex::AES128;
  const Trees separate = concat({makeAESTests<K>(),
                                 makeAESCTRTests<K>(),
                                 makeAESCTREdgeTests<K>(),
                                 {makeBlockCipherContinuationTests<K>()},
                                 cipherLaws<K>()});
  // 2352 vectors and 10 laws, 8 CTR vectors, 18 CTR carry-edge vectors, 4 continuation laws, 5 key laws, 4 state laws, no
  // mode hook to compare, 5 long-mode cases.
  ASSERT_EQ(leafPaths(separate).size(), 2406u);
  EXPECT_EQ(makeAESSuites<K>().size(), separate.size());
  EXPECT_EQ(firstDifference(makeAESSuites<K>(), separate), "");
  EXPECT_EQ(firstDifference(makeAESSuites(K::buildKey(ByteString(16)).value()), separate), "");
  EXPECT_EQ(firstDifference(makeAESSuites(anyBlockCipher<K>()), separate), "");
}

// A copied line that calls another algorithm's builder, or one left out, changes the leaves.
TEST_F(AlgorithmSuites, EveryOtherAlgorithmIsItsBuildersInOrder) {
  using namespace examples;
  EXPECT_EQ(firstDifference(makeMD5Suites<MD5>(), concat({makeMD5Tests<MD5>(),
                                                          makeMD5PaddingEdgeTests<MD5>(),
                                                          {makeHashChunkingTests<MD5>()},
                                                          hashLaws<MD5>(HashAlgorithm::MD5)})),
            "");
  EXPECT_EQ(
      firstDifference(makeSHA1Suites<SHA1>(),
                      shaBuilders<SHA1>(makeSHA1Tests<SHA1>(), makeSHA1HMACTests<SHA1>(),
                                        makeSHA1MonteTests<SHA1>(),
                                        makeSHA1PaddingEdgeTests<SHA1>(), HashAlgorithm::SHA1)),
      "");
  EXPECT_EQ(firstDifference(
                makeSHA224Suites<SHA224>(),
                shaBuilders<SHA224>(makeSHA224Tests<SHA224>(), makeSHA224HMACTests<SHA224>(),
                                    makeSHA224MonteTests<SHA224>(),
                                    makeSHA224PaddingEdgeTests<SHA224>(), HashAlgorithm::SHA224)),
            "");
  EXPECT_EQ(firstDifference(
                makeSHA384Suites<SHA384>(),
                shaBuilders<SHA384>(makeSHA384Tests<SHA384>(), makeSHA384HMACTests<SHA384>(),
                                    makeSHA384MonteTests<SHA384>(),
                                    makeSHA384PaddingEdgeTests<SHA384>(), HashAlgorithm::SHA384)),
            "");
  EXPECT_EQ(firstDifference(
                makeSHA512Suites<SHA512>(),
                shaBuilders<SHA512>(makeSHA512Tests<SHA512>(), makeSHA512HMACTests<SHA512>(),
                                    makeSHA512MonteTests<SHA512>(),
                                    makeSHA512PaddingEdgeTests<SHA512>(), HashAlgorithm::SHA512)),
            "");
  EXPECT_EQ(firstDifference(makeTwoFishSuites<Twofish256>(),
                            concat({makeTwoFishTests<Twofish256>(),
                                    {makeBlockCipherContinuationTests<Twofish256>()},
                                    cipherLaws<Twofish256>({16, 24, 32})})),
            "");
}

// The names of the unit cases that fail.
std::vector<std::string> failingCases(const Trees& trees) {
  std::vector<std::string> failing;
  for (const Tree& leaf : leaves(trees)) {
    if (leaf.kind() == Tree::Kind::Case && fixture::failureOf(leaf)) failing.push_back(leaf.name());
  }
  return failing;
}

// A hash that reads the lowest bit of a message's last byte as 0 fails under each of the four
// builders: each gets the implementation it was given.
TEST_F(AlgorithmSuites, SHA256WithOneBitIgnoredFailsUnderEachBuilder) {
  const std::vector<std::string> failing =
      failingCases(makeSHA256Suites<ex::IgnoresLastBit<ex::SHA256>>());
  for (const std::string_view prefix : {"NistSHA256-", "NistHMACSHA256-", "NistSHA256Monte-"}) {
    EXPECT_TRUE(
        std::any_of(failing.begin(), failing.end(),
                    [&prefix](const std::string& name) { return name.starts_with(prefix); }))
        << "no failure in " << prefix;
  }
  EXPECT_NE(std::find(failing.begin(), failing.end(), "EveryBitCounts"), failing.end());
}

// An AES-128 whose decryption flips one bit per block fails exactly the vectors that decrypt
// with its decryptBlock (ECB and CBC decryption; CFB, OFB and CTR decrypt by encrypting), the
// long ECB and CBC cases, and the law that ECB decryption undoes encryption.
TEST_F(AlgorithmSuites, AESWithOneBitFlippedFailsWhereItDecrypts) {
  const Trees suites = makeAESSuites<ex::BrokenDecryptAES128>();
  std::vector<std::string> expected;
  for (const Tree& leaf : leaves(suites)) {
    const std::string& name = leaf.name();
    if (leaf.kind() == Tree::Kind::Case && name.find("d.rsp-") != std::string::npos &&
        (name.starts_with("ECB") || name.starts_with("CBC"))) {
      expected.push_back(name);
    }
  }
  ASSERT_GT(expected.size(), 500u);
  // ... and the long ECB and CBC messages, whose decryption does not undo encryption.
  expected.push_back("ECBLongMessage");
  expected.push_back("CBCLongMessage");
  EXPECT_EQ(failingCases(suites), expected);
  EXPECT_FALSE(checkLeaf(leafNamed(suites, "ECBEncDecID")).passed());
}

}  // namespace
}  // namespace kavrit::test
