// The Camellia builder on the committed files of Test/KAT_CAMELLIA_NIST (NTT's ECB vectors in NIST
// form and OpenSSL's CBC, CFB and OFB ones) against OpenSSL and Nettle, and what it catches.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cipher_kat_support.hpp"
#include "kavrit/test/camellia.hpp"
#include "nettle/nettle_camellia.hpp"
#include "openssl/openssl_camellia.hpp"

namespace kavrit::test {
namespace {

using namespace kavrit::examples;
using support::failingProperties;
using support::failureOf;
using Tree = kavrit::test::Test;

using Outcome = support::KATOutcome;
constexpr auto run = support::runKATs;

// Each key size gets its ECB file (1280 records) and four records of each chained mode's file.
std::map<std::string, int> expectedFiles(long keyBits) {
  return {{"ECBCamellia" + std::to_string(keyBits) + "-e", 1280},
          {"CBCCamellia-e", 4},
          {"CFB128Camellia-e", 4},
          {"OFBCamellia-e", 4}};
}

template <class K>
void expectPasses(const char* who) {
  const std::vector<Tree> trees = makeCamelliaTests<K>();
  const Outcome outcome = run(trees);
  EXPECT_EQ(outcome.casesPerFile, expectedFiles(K::keyLength())) << who;
  EXPECT_EQ(outcome.failing, 0) << who;
  EXPECT_EQ(outcome.groups, 2u) << who;
  EXPECT_EQ(failingProperties(trees), std::vector<std::string>{}) << who;
}

TEST(CamelliaSuite, PassesOnOpenSSLAndNettleForEachKeySize) {
  expectPasses<Camellia128>("OpenSSL 128");
  expectPasses<Camellia192>("OpenSSL 192");
  expectPasses<Camellia256>("OpenSSL 256");
  expectPasses<NettleCamellia128>("Nettle 128");
  expectPasses<NettleCamellia192>("Nettle 192");
  expectPasses<NettleCamellia256>("Nettle 256");
}

// Camellia-192 with one bit of every encrypted block flipped, or a decryption that gives its
// input back.
template <bool BreakEncrypt>
struct Broken {
  Camellia192 inner;
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 192; }
  static std::optional<Broken> buildKey(const ByteString& key) {
    if (auto k = Camellia192::buildKey(key)) return Broken{*k};
    return std::nullopt;
  }
  ByteString encryptBlock(const ByteString& in) const {
    ByteString out = inner.encryptBlock(in);
    if (BreakEncrypt && !out.empty()) out.back() ^= 0x01;
    return out;
  }
  ByteString decryptBlock(const ByteString& in) const {
    return BreakEncrypt ? inner.decryptBlock(in) : in;
  }
};

TEST(CamelliaSuite, CatchesAFlippedBitAndADecryptionThatDoesNothing) {
  EXPECT_EQ(run(makeCamelliaTests<Broken<true>>()).failing, 1292);
  // The files hold encryptions only: the broken decryption is the laws' to catch.
  const std::vector<Tree> decrypt = makeCamelliaTests<Broken<false>>();
  EXPECT_EQ(run(decrypt).failing, 0);
  EXPECT_EQ(failingProperties(decrypt), (std::vector<std::string>{"ECBEncDecID", "CBCEncDecID"}));
}

TEST(CamelliaSuite, ACipherOfAnotherBlockSizeGetsTheLawsOnly) {
  const Outcome outcome = run(makeCamelliaTests<support::IdentityCipher<64>>());
  EXPECT_TRUE(outcome.casesPerFile.empty());
  EXPECT_EQ(outcome.groups, 2u);
}

}  // namespace
}  // namespace kavrit::test
