#include "kavrit/test/differential.hpp"
#include "kavrit/test/assert.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
using examples::AES128;
using examples::SHA256;

// The names of the leaves that fail under `seed`; a unit case fails by throwing.
std::set<std::string> failingLeaves(const Tree& group, std::uint64_t seed = kSeed) {
  std::set<std::string> failing;
  for (const Tree& leaf : leaves({group})) {
    if (leaf.kind() == Tree::Kind::Case) {
      try {
        leaf.run();
      } catch (const std::exception&) {
        failing.insert(leaf.name());
      }
    } else if (!checkLeaf(leaf, seed).passed()) {
      failing.insert(leaf.name());
    }
  }
  return failing;
}

TEST(DifferentialHash, OpenSSLAndNettleAgree) {
  const Tree sha256 = makeDifferentialHashTests<SHA256, examples::NettleSHA256>();
  EXPECT_EQ(sha256.name(), "Differential Hash Tests");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({sha256})) names.push_back(leaf.name());
  EXPECT_EQ(names, (std::vector<std::string>{"SameLengths", "HashStrict", "HashLazy", "BlockEdges",
                                             "Parse", "HMAC"}));
  EXPECT_EQ(failingLeaves(sha256), std::set<std::string>{});
  EXPECT_EQ(failingLeaves(makeDifferentialHashTests<examples::SHA512, examples::NettleSHA512>()),
            std::set<std::string>{});
}

TEST(DifferentialBlockCipher, OpenSSLAndNettleAgree) {
  const Tree aes = makeDifferentialBlockCipherTests<AES128, examples::NettleAES128>();
  EXPECT_EQ(aes.name(), "Differential Block Cipher Tests");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({aes})) names.push_back(leaf.name());
  EXPECT_EQ(names, (std::vector<std::string>{"SameSizes", "BuildKey", "Blocks", "ECB", "CBC", "CFB",
                                             "OFB", "CTR"}));
  EXPECT_EQ(failingLeaves(aes), std::set<std::string>{});
}

// Against the correct implementation, each fault is found by the law aimed at block edges under
// every seed tried.
TEST(DifferentialCatch, BlockRepeatedAtAChunkEdge) {
  const Tree group = makeDifferentialHashTests<examples::RepeatsBlockAtChunkEdge<SHA256>, SHA256>();
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const std::set<std::string> failing = failingLeaves(group, seed);
    EXPECT_EQ(failing.count("BlockEdges"), 1U) << "seed " << seed;
    for (const char* fine : {"SameLengths", "HashStrict", "Parse"})
      EXPECT_EQ(failing.count(fine), 0U) << fine;
  }
}

TEST(DifferentialCatch, LastBitIgnored) {
  const Tree group = makeDifferentialHashTests<examples::IgnoresLastBit<SHA256>, SHA256>();
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const std::set<std::string> failing = failingLeaves(group, seed);
    EXPECT_EQ(failing.count("BlockEdges"), 1U) << "seed " << seed;
    EXPECT_EQ(failing.count("HashStrict"), 1U) << "seed " << seed;
    EXPECT_EQ(failing.count("Parse"), 0U);
  }
}

TEST(DifferentialCatch, CbcNextIvWrongForOneBlockInput) {
  const Tree group =
      makeDifferentialBlockCipherTests<examples::OneBlockCbcKeepsIv<AES128>, AES128>();
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    EXPECT_EQ(failingLeaves(group, seed), std::set<std::string>{"CBC"}) << "seed " << seed;
  }
  const PropertyResult result = checkLeaf(leafNamed({group}, "CBC"));
  EXPECT_NE(result.report.find("CBC encryption (strict) next IV: the two implementations differ"),
            std::string::npos)
      << head(result.report);
}

// Different sizes fail the unit case naming both values, not only the properties.
TEST(DifferentialBlockCipher, DifferentKeyLengthsFailSameSizes) {
  const std::set<std::string> failing =
      failingLeaves(makeDifferentialBlockCipherTests<AES128, examples::AES256>());
  EXPECT_EQ(failing.count("SameSizes"), 1U);
  try {
    leafNamed({makeDifferentialBlockCipherTests<AES128, examples::AES256>()}, "SameSizes").run();
  } catch (const AssertionFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("keyLength: the two implementations differ"),
              std::string::npos)
        << failure.what();
  }
}

}  // namespace
}  // namespace kavrit::test
