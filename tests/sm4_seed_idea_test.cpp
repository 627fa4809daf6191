// The SM4, SEED and IDEA builders and bundles on the committed files of Test/KAT_SM4, KAT_SEED and
// KAT_IDEA: green on OpenSSL and Botan (IDEA on Botan and the IDEA written out in
// examples/reference_idea.hpp), and what they catch.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "botan_block_ciphers.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_constructions.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "kavrit/test/sm4_seed_idea.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "openssl/openssl_seed.hpp"
#include "openssl/openssl_sm4.hpp"
#include "property_support.hpp"
#include "reference_idea.hpp"

namespace kavrit::test {
namespace {

using examples::OpenSSLSEED;
using examples::OpenSSLSM4;
using examples::ReferenceIDEA;
using support::failingProperties;
using support::failureOf;
using Tree = kavrit::test::Test;
using Trees = std::vector<Tree>;

static_assert(BlockCipher<BotanIDEA>);

using Outcome = support::KATOutcome;
constexpr auto run = support::runKATs;

const std::map<std::string, int> kSM4Files = {
    {"CBCSM4-e", 2}, {"CFB128SM4-e", 2}, {"CTRSM4-e", 2}, {"ECBSM4-e", 4}, {"OFBSM4-e", 2}};
const std::map<std::string, int> kSEEDFiles = {
    {"CBCSEED-e", 2}, {"CFB128SEED-e", 20}, {"ECBSEED-e", 4}, {"OFBSEED-e", 20}};
const std::map<std::string, int> kIDEAFiles = {
    {"CBCIDEA-e", 20}, {"CFB64IDEA-e", 20}, {"ECBIDEA-e", 900}, {"OFBIDEA-e", 20}};

void expectPasses(const Trees& trees, const std::map<std::string, int>& files, const char* who) {
  const Outcome outcome = run(trees);
  EXPECT_EQ(outcome.casesPerFile, files) << who;
  EXPECT_EQ(outcome.failing, 0) << who;
  EXPECT_EQ(outcome.groups, 2u) << who;
  EXPECT_EQ(failingProperties(trees), std::vector<std::string>{}) << who;
}

class SM4SEEDIDEASuites : public testing::Test {
 protected:
  fixture::DataDir data{false};
};

TEST_F(SM4SEEDIDEASuites, EveryRecordPassesOnEachImplementation) {
  expectPasses(makeSM4Tests<OpenSSLSM4>(), kSM4Files, "OpenSSL SM4");
  expectPasses(makeSM4Tests<BotanSM4>(), kSM4Files, "Botan SM4");
  expectPasses(makeSEEDTests<OpenSSLSEED>(), kSEEDFiles, "OpenSSL SEED");
  expectPasses(makeSEEDTests<BotanSEED>(), kSEEDFiles, "Botan SEED");
  expectPasses(makeIDEATests<BotanIDEA>(), kIDEAFiles, "Botan IDEA");
  expectPasses(makeIDEATests<ReferenceIDEA>(), kIDEAFiles, "reference IDEA");
}

// K with the lowest bit of every encrypted block flipped. Every file is [ENCRYPT] only and CFB,
// OFB and CTR encrypt with encryptBlock too, so every known answer must fail.
template <class K>
struct FlippedBit {
  K inner;
  static constexpr long blockSize() { return K::blockSize(); }
  static constexpr long keyLength() { return K::keyLength(); }
  static std::optional<FlippedBit> buildKey(const ByteString& key) {
    if (auto k = K::buildKey(key)) return FlippedBit{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    for (std::size_t i = 0; i < out.size(); i += blockSize() / 8) out[i] ^= 0x01;
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const { return inner.decryptBlock(in); }
};

TEST_F(SM4SEEDIDEASuites, AFlippedBitFailsEveryKnownAnswer) {
  EXPECT_EQ(run(makeSM4Tests<FlippedBit<OpenSSLSM4>>()).failing, 12);
  EXPECT_EQ(run(makeSEEDTests<FlippedBit<BotanSEED>>()).failing, 46);
  EXPECT_EQ(run(makeIDEATests<FlippedBit<BotanIDEA>>()).failing, 960);
  EXPECT_EQ(run(makeIDEATests<FlippedBit<ReferenceIDEA>>()).failing, 960);
}

// Each builder reads its own cipher's directory: SEED fails every SM4 vector and the other way
// round.
TEST_F(SM4SEEDIDEASuites, EachBuilderReadsItsOwnCipher) {
  EXPECT_EQ(run(makeSM4Tests<OpenSSLSEED>()).failing, 12);
  EXPECT_EQ(run(makeSEEDTests<OpenSSLSM4>()).failing, 46);
}

TEST_F(SM4SEEDIDEASuites, ACipherOfAnotherBlockSizeGetsTheLawsOnly) {
  for (const Outcome& outcome : {run(makeSM4Tests<support::IdentityCipher<64>>()),
                                 run(makeSEEDTests<support::IdentityCipher<64>>()),
                                 run(makeIDEATests<support::IdentityCipher<128>>())}) {
    EXPECT_TRUE(outcome.casesPerFile.empty());
    EXPECT_EQ(outcome.groups, 2u);
  }
}

// Files whose names give no mode and direction are not read; a malformed record fails naming its
// file and line; a missing directory throws.
TEST(SM4SEEDIDEAFiles, OnlyNamedFilesAreReadAndBadRecordsSayWhere) {
  support::ScratchVectorDir dir("Test/KAT_SM4");
  const std::string record = "[ENCRYPT]\n\nCOUNT = 0\nKEY = 0123456789abcdeffedcba9876543210\n";
  dir.write("ECBSM4-e.rsp", record +
                                "PLAINTEXT = 0123456789abcdeffedcba9876543210\n"
                                "CIPHERTEXT = 681edf34d206965e86b3e94f536e4246\n");
  dir.write("CBCSM4-e.rsp", record +
                                "IV = 00zz\nPLAINTEXT = 0123456789abcdeffedcba9876543210\n"
                                "CIPHERTEXT = 681edf34d206965e86b3e94f536e4246\n");
  // No direction in the stem, an unknown mode: both ignored.
  dir.write("ECBSM4.rsp", "garbage\n");
  dir.write("XTSSM4-e.rsp", "garbage\n");
  const Trees trees = makeSM4Tests<OpenSSLSM4>();
  EXPECT_EQ(run(trees).casesPerFile,
            (std::map<std::string, int>{{"CBCSM4-e", 1}, {"ECBSM4-e", 1}}));
  ASSERT_EQ(trees.size(), 4u);
  EXPECT_EQ(failureOf(trees[1]), std::nullopt);
  const std::optional<std::string> bad = failureOf(trees[0]);
  ASSERT_TRUE(bad.has_value());
  // The record's first line.
  EXPECT_TRUE(support::contains(*bad, "/Test/KAT_SM4/CBCSM4-e.rsp:3: ")) << *bad;
  EXPECT_ANY_THROW((void)makeSEEDTests<OpenSSLSEED>());
}

// Botan's IDEA and the reference one: their key and block rules, NESSIE's first vector as two
// blocks at once, and agreement both ways on drawn keys and blocks (keys with zero and all-one
// subkeys among them, where multiplication modulo 2^16 + 1 meets its 0 = 2^16 case).
template <class IDEA>
void expectIDEARules() {
  for (std::size_t n : {0u, 8u, 15u, 17u, 32u}) {
    EXPECT_FALSE(IDEA::buildKey(ByteString(n)).has_value()) << n;
  }
  const IDEA key = IDEA::buildKey(hexStringToBS("80000000000000000000000000000000")).value();
  EXPECT_EQ(toHex(key.encryptBlock(ByteString(16))), "b1f5f7f87901370fb1f5f7f87901370f");
  EXPECT_EQ(key.decryptBlock(hexStringToBS("b1f5f7f87901370f")), ByteString(8));
  EXPECT_THROW((void)key.encryptBlock(ByteString(12)), std::invalid_argument);
}

TEST(IDEAAdapter, SixteenByteKeysWholeBlocksAndTwoImplementationsAgree) {
  expectIDEARules<BotanIDEA>();
  expectIDEARules<ReferenceIDEA>();
  std::mt19937 draw(20261209);
  for (int i = 0; i < 200; ++i) {
    ByteString key(16), blocks(8 * (1 + i % 4));
    for (auto& b : key) b = static_cast<std::uint8_t>(i % 3 == 0 ? (draw() & 1) * 0xFF : draw());
    for (auto& b : blocks) b = static_cast<std::uint8_t>(i % 5 == 0 ? 0 : draw());
    const auto ours = ReferenceIDEA::buildKey(key).value();
    const auto botan = BotanIDEA::buildKey(key).value();
    EXPECT_EQ(ours.encryptBlock(blocks), botan.encryptBlock(blocks)) << toHex(key);
    EXPECT_EQ(ours.decryptBlock(blocks), botan.decryptBlock(blocks)) << toHex(key);
  }
}

// The bundles hand back exactly the leaves of the builders they stand for, in order.
void addPaths(const Tree& tree, const std::string& prefix, std::vector<std::string>& out) {
  const std::string path = prefix + "/" + tree.name();
  if (tree.kind() != Tree::Kind::Group) out.push_back(path);
  for (const Tree& child : tree.children()) addPaths(child, path, out);
}

std::vector<std::string> leafPaths(const std::vector<Trees>& parts) {
  std::vector<std::string> out;
  for (const Trees& trees : parts) {
    for (const Tree& tree : trees) addPaths(tree, "", out);
  }
  return out;
}

Trees withoutSlow(const Trees& trees) {
  Trees kept;
  for (const Tree& tree : trees) {
    if (tree.kind() != Tree::Kind::Group) {
      kept.push_back(tree);
    } else if (tree.name() != "Slow") {
      kept.push_back(testGroup(tree.name(), withoutSlow(tree.children())));
    }
  }
  return kept;
}

template <BlockCipher K>
std::vector<Trees> lawsOf(bool refusals) {
  std::vector<Trees> laws = {
      {makeBlockCipherContinuationTests<K>(), makeBlockCipherKeyTests<K>(),
       makeBlockCipherStateTests<K>(), makeModeHookOracleTests<K>(), makeLongModeTests<K>()},
      withoutSlow({makeConstructionHookOracleTests<K>(), makeLongConstructionTests<K>()})};
  if (refusals) laws.push_back({makeAEADRefusalTests<K>(), makeKeyWrapRefusalTests<K>()});
  return laws;
}

std::vector<std::string> failingCases(const Trees& trees) {
  std::vector<std::string> failing;
  for (const Tree& leaf : propcheck::leaves(trees)) {
    if (leaf.kind() == Tree::Kind::Case && failureOf(leaf)) failing.push_back(leaf.name());
  }
  return failing;
}

TEST_F(SM4SEEDIDEASuites, BundlesAreTheirBuildersInOrder) {
  std::vector<Trees> sm4 = lawsOf<OpenSSLSM4>(true);
  sm4.insert(sm4.begin(), makeSM4Tests<OpenSSLSM4>());
  sm4.push_back(makeWycheproofBlockCipherTests<OpenSSLSM4>(WycheproofCipher::SM4));
  EXPECT_EQ(leafPaths({makeSM4Suites<OpenSSLSM4>()}), leafPaths(sm4));

  std::vector<Trees> seed = lawsOf<OpenSSLSEED>(true);
  seed.insert(seed.begin(), makeSEEDTests<OpenSSLSEED>());
  seed.push_back(makeWycheproofBlockCipherTests<OpenSSLSEED>(WycheproofCipher::SEED));
  EXPECT_EQ(leafPaths({makeSEEDSuites<OpenSSLSEED>()}), leafPaths(seed));

  // 64-bit blocks: no AEAD or key-wrap refusal laws, and no Wycheproof files.
  std::vector<Trees> idea = lawsOf<BotanIDEA>(false);
  idea.insert(idea.begin(), makeIDEATests<BotanIDEA>());
  EXPECT_EQ(leafPaths({makeIDEASuites<BotanIDEA>()}), leafPaths(idea));
}

TEST_F(SM4SEEDIDEASuites, BundlesPassOnEachImplementation) {
  for (const Trees& bundle : {makeSM4Suites<OpenSSLSM4>(), makeSM4Suites<BotanSM4>(),
                              makeSEEDSuites<OpenSSLSEED>(), makeSEEDSuites<BotanSEED>(),
                              makeIDEASuites<BotanIDEA>(), makeIDEASuites<ReferenceIDEA>()}) {
    EXPECT_EQ(failingCases(bundle), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace kavrit::test
