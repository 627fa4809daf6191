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
#include "kavrit/test/camellia.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/long_constructions.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/pbkdf2.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "kavrit/test/rfc_hmac.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/tdes.hpp"
#include "kavrit/test/twofish.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "kavrit/test/xts.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_tdes.hpp"
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

// A builder's trees without their groups "Slow", at any depth, which the bundles leave out.
Trees quick(const Trees& trees) {
  Trees kept;
  for (const Tree& tree : trees) {
    if (tree.kind() != Tree::Kind::Group) {
      kept.push_back(tree);
    } else if (tree.name() != "Slow") {
      kept.push_back(testGroup(tree.name(), quick(tree.children())));
    }
  }
  return kept;
}

// The construction laws: own members against kavrit's, long inputs, and for 128-bit blocks the
// refusal laws.
template <BlockCipher K>
Trees constructionLaws(bool refusals) {
  Trees laws = quick({makeConstructionHookOracleTests<K>(), makeLongConstructionTests<K>()});
  if (refusals) laws = concat({laws, {makeAEADRefusalTests<K>(), makeKeyWrapRefusalTests<K>()}});
  return laws;
}

// `keyed`: the RFC HMAC, HKDF and PBKDF2 builders that have vectors for D, in the bundle's order;
// Wycheproof's follow.
template <Hash D>
Trees shaBuilders(const Trees& kats, const Trees& hmac, const Trees& monte, const Trees& edges,
                  HashAlgorithm algorithm, const std::vector<Trees>& keyed) {
  Trees all =
      concat({kats, hmac, monte, edges, {makeHashChunkingTests<D>()}, hashLaws<D>(algorithm)});
  for (const Trees& trees : keyed) all = concat({all, quick(trees)});
  return concat({all, {makeKDFHookOracleTests<D>()}, quick(makeWycheproofHashTests<D>())});
}

// The cipher laws but the first, the key laws.
Trees withoutKeyLaws(const Trees& laws) { return Trees(laws.begin() + 1, laws.end()); }

// SHA-512/t and SHA-3.
template <Hash D>
Trees vectorAndMonteBuilders(const Trees& kats, const Trees& monte) {
  return concat({kats,
                 monte,
                 {makeHashChunkingTests<D>()},
                 hashLaws<D>(HashAlgorithm::Other),
                 {makeKDFHookOracleTests<D>()},
                 quick(makeWycheproofHashTests<D>())});
}

// What the AES bundle had before its constructions.
template <BlockCipher K>
Trees aesCipherBuilders() {
  return concat({makeAESTests<K>(),
                 makeAESCTRTests<K>(),
                 makeAESCTREdgeTests<K>(),
                 {makeBlockCipherContinuationTests<K>()},
                 cipherLaws<K>()});
}

// The names of the unit cases that fail.
std::vector<std::string> failingCases(const Trees& trees) {
  std::vector<std::string> failing;
  for (const Tree& leaf : leaves(trees)) {
    if (leaf.kind() == Tree::Kind::Case && fixture::failureOf(leaf)) failing.push_back(leaf.name());
  }
  return failing;
}

class AlgorithmSuites : public testing::Test {
 protected:
  fixture::DataDir data{false};
};

TEST_F(AlgorithmSuites, SHA256IsItsBuildersInOrder) {
  using D = ex::SHA256;
  const Trees separate =
      shaBuilders<D>(makeSHA256Tests<D>(), makeSHA256HMACTests<D>(), makeSHA256MonteTests<D>(),
                     makeSHA256PaddingEdgeTests<D>(), HashAlgorithm::SHA256,
                     {makeRFC4231HMACTests<D>(), makeHKDFTests<D>()});
  // 129 vectors and 5 laws, 225 HMAC vectors, 100 Monte Carlo checkpoints, 233 padding-edge
  // lengths, 4 chunking laws, 4 digest laws, 3 hash state laws, no HMAC hook to compare, 3
  // long-message cases; 6 RFC 4231 cases, 3 RFC 5869 cases and 4 HKDF laws; Wycheproof's 174 HMAC,
  // 86 HKDF and 60 PBKDF2 tests: the comparisons below are not between two empty lists.
  ASSERT_EQ(leafPaths(separate).size(), 706u + 6 + 3 + 4 + 174 + 86 + 60);
  EXPECT_EQ(makeSHA256Suites<D>().size(), separate.size());
  EXPECT_EQ(firstDifference(makeSHA256Suites<D>(), separate), "");
  EXPECT_EQ(firstDifference(makeSHA256Suites(D::hashStrict({})), separate), "");
  EXPECT_EQ(firstDifference(makeSHA256Suites(anyHash<D>()), separate), "");
}

TEST_F(AlgorithmSuites, AESIsItsBuildersInOrder) {
  using K = ex::AES128;
  const Trees separate = concat({aesCipherBuilders<K>(), makeCMACTests<K>(), makeKeyWrapTests<K>(),
                                 makeXTSTests<K>(), makeGCMTests<K>(), makeCCMTests<K>(),
                                 constructionLaws<K>(true), makeWycheproofBlockCipherTests<K>()});
  // 2352 vectors and 10 laws, 8 CTR vectors, 18 CTR carry-edge vectors, 4 continuation laws, 5
  // key laws, 4 state laws, no mode hook to compare, 5 long-mode cases; then CMAC, key wrap, XTS,
  // GCM and CCM with their laws, and Wycheproof's 767 tests for 128-bit keys.
  const std::size_t cipherPart = leafPaths(aesCipherBuilders<K>()).size();
  ASSERT_EQ(cipherPart, 2406u);
  ASSERT_GT(leafPaths(separate).size(), cipherPart + 767 + 2099 + 960 + 800);
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
                                                          hashLaws<MD5>(HashAlgorithm::MD5),
                                                          makeRFC2202HMACTests<MD5>(),
                                                          {makeKDFHookOracleTests<MD5>()},
                                                          quick(makeWycheproofHashTests<MD5>())})),
            "");
  // SHA-1's bundle leaves out RFC 6070's and Wycheproof's 2^24 iterations.
  const Trees sha1 = shaBuilders<SHA1>(
      makeSHA1Tests<SHA1>(), makeSHA1HMACTests<SHA1>(), makeSHA1MonteTests<SHA1>(),
      makeSHA1PaddingEdgeTests<SHA1>(), HashAlgorithm::SHA1,
      {makeRFC2202HMACTests<SHA1>(), makeHKDFTests<SHA1>(), makePBKDF2Tests<SHA1>()});
  EXPECT_EQ(firstDifference(makeSHA1Suites<SHA1>(), sha1), "");
  for (const std::string& path : leafPaths(sha1)) {
    EXPECT_EQ(path.find("/Slow/"), std::string::npos) << path;
  }
  EXPECT_EQ(
      firstDifference(
          makeSHA224Suites<SHA224>(),
          shaBuilders<SHA224>(makeSHA224Tests<SHA224>(), makeSHA224HMACTests<SHA224>(),
                              makeSHA224MonteTests<SHA224>(), makeSHA224PaddingEdgeTests<SHA224>(),
                              HashAlgorithm::SHA224, {makeRFC4231HMACTests<SHA224>()})),
      "");
  EXPECT_EQ(
      firstDifference(
          makeSHA384Suites<SHA384>(),
          shaBuilders<SHA384>(makeSHA384Tests<SHA384>(), makeSHA384HMACTests<SHA384>(),
                              makeSHA384MonteTests<SHA384>(), makeSHA384PaddingEdgeTests<SHA384>(),
                              HashAlgorithm::SHA384, {makeRFC4231HMACTests<SHA384>()})),
      "");
  EXPECT_EQ(
      firstDifference(
          makeSHA512Suites<SHA512>(),
          shaBuilders<SHA512>(makeSHA512Tests<SHA512>(), makeSHA512HMACTests<SHA512>(),
                              makeSHA512MonteTests<SHA512>(), makeSHA512PaddingEdgeTests<SHA512>(),
                              HashAlgorithm::SHA512, {makeRFC4231HMACTests<SHA512>()})),
      "");
  EXPECT_EQ(firstDifference(makeTwoFishSuites<Twofish256>(),
                            concat({makeTwoFishTests<Twofish256>(),
                                    {makeBlockCipherContinuationTests<Twofish256>()},
                                    cipherLaws<Twofish256>({16, 24, 32})})),
            "");
}

TEST_F(AlgorithmSuites, NewBundlesAreTheirBuildersInOrder) {
  using namespace examples;
  EXPECT_EQ(
      firstDifference(makeSHA512_224Suites<SHA512_224>(),
                      vectorAndMonteBuilders<SHA512_224>(makeSHA512_224Tests<SHA512_224>(),
                                                         makeSHA512_224MonteTests<SHA512_224>())),
      "");
  EXPECT_EQ(
      firstDifference(makeSHA512_256Suites<SHA512_256>(),
                      vectorAndMonteBuilders<SHA512_256>(makeSHA512_256Tests<SHA512_256>(),
                                                         makeSHA512_256MonteTests<SHA512_256>())),
      "");
  EXPECT_EQ(firstDifference(makeSHA3_224Suites<SHA3_224>(),
                            vectorAndMonteBuilders<SHA3_224>(makeSHA3_224Tests<SHA3_224>(),
                                                             makeSHA3_224MonteTests<SHA3_224>())),
            "");
  EXPECT_EQ(firstDifference(makeSHA3_256Suites<SHA3_256>(),
                            vectorAndMonteBuilders<SHA3_256>(makeSHA3_256Tests<SHA3_256>(),
                                                             makeSHA3_256MonteTests<SHA3_256>())),
            "");
  EXPECT_EQ(firstDifference(makeSHA3_384Suites<SHA3_384>(),
                            vectorAndMonteBuilders<SHA3_384>(makeSHA3_384Tests<SHA3_384>(),
                                                             makeSHA3_384MonteTests<SHA3_384>())),
            "");
  const Trees sha3 = vectorAndMonteBuilders<SHA3_512>(makeSHA3_512Tests<SHA3_512>(),
                                                      makeSHA3_512MonteTests<SHA3_512>());
  EXPECT_EQ(firstDifference(makeSHA3_512Suites<SHA3_512>(), sha3), "");
  // Wycheproof's HMAC-SHA3-512 is in it: SHA-3 has no other HMAC vectors.
  EXPECT_GT(leafPaths(sha3).size(), 174u);
  EXPECT_EQ(firstDifference(makeTDESSuites<TripleDES3>(),
                            concat({makeTDESTests<TripleDES3>(),
                                    {makeBlockCipherContinuationTests<TripleDES3>()},
                                    withoutKeyLaws(cipherLaws<TripleDES3>()),
                                    makeCMACTests<TripleDES3>(),
                                    constructionLaws<TripleDES3>(false)})),
            "");
  EXPECT_EQ(firstDifference(
                makeCamelliaSuites<Camellia256>(),
                concat({makeCamelliaTests<Camellia256>(),
                        {makeBlockCipherContinuationTests<Camellia256>()},
                        cipherLaws<Camellia256>(),
                        constructionLaws<Camellia256>(true),
                        makeWycheproofBlockCipherTests<Camellia256>(WycheproofCipher::Camellia)})),
            "");
}

// Every new bundle green on OpenSSL: each builder it calls gets the implementation it was given.
TEST_F(AlgorithmSuites, NewBundlesPassOnOpenSSL) {
  using namespace examples;
  for (const Trees& bundle : {makeTDESSuites<TripleDES3>(), makeCamelliaSuites<Camellia128>(),
                              makeSHA3_256Suites<SHA3_256>(), makeSHA512_256Suites<SHA512_256>()}) {
    EXPECT_EQ(failingCases(bundle), std::vector<std::string>{});
  }
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
  // The cipher part of the bundle; the constructions that decrypt (key unwrap, XTS, padded CBC)
  // fail as well, further on.
  const Trees all = makeAESSuites<ex::BrokenDecryptAES128>();
  const Trees suites(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(
                                                    aesCipherBuilders<ex::AES128>().size()));
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
