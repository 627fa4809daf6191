// SHA-512/224 and SHA-512/256: the single-message and Monte Carlo builders on the committed NIST
// files against OpenSSL and Nettle, and the file selection that keeps them apart from SHA-512.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test
namespace ex = kavrit::examples;
using fixture::caseNames;

// SHA-512 cut to `Bytes` bytes: SHA-512/t without its own initial hash value, a classic mistake.
template <std::size_t Bytes>
struct CutSHA512 {
  ByteString bytes;
  static constexpr long outputLength() { return Bytes * 8; }
  static constexpr long blockLength() { return 1024; }
  static CutSHA512 cut(const ex::SHA512& digest) {
    const ByteString all = digest.serialize();
    return {ByteString(all.begin(), all.begin() + Bytes)};
  }
  static CutSHA512 hash(const LazyByteString& m) { return cut(ex::SHA512::hash(m)); }
  static CutSHA512 hashStrict(const ByteString& m) { return cut(ex::SHA512::hashStrict(m)); }
  [[nodiscard]] ByteString serialize() const { return bytes; }
  static std::optional<CutSHA512> parse(const ByteString& b) {
    if (b.size() < Bytes) return std::nullopt;
    return CutSHA512{ByteString(b.begin(), b.begin() + Bytes)};
  }
  friend bool operator==(const CutSHA512&, const CutSHA512&) = default;
};

// The case names of `trees`, which must all pass.
std::vector<std::string> passingCases(const std::vector<Tree>& trees) {
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{});
  return caseNames(trees);
}

TEST(SHA512tTests, EveryVectorPassesOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  const std::vector<Tree> sha224 = makeSHA512_224Tests<ex::SHA512_224>();
  const std::vector<std::string> names = passingCases(sha224);
  ASSERT_EQ(names.size(), 257u);  // 129 short and 128 long messages
  EXPECT_EQ(names.front(), "NistSHA512_224-1");
  EXPECT_EQ(names.back(), "NistSHA512_224-257");
  EXPECT_EQ(sha224.back().name(), "Cryptographic Digest Property Tests");
  EXPECT_EQ(passingCases(makeSHA512_224Tests<ex::NettleSHA512_224>()), names);

  const std::vector<std::string> sha256 =
      passingCases(makeSHA512_256Tests(ex::SHA512_256::hashStrict({})));
  ASSERT_EQ(sha256.size(), 257u);
  EXPECT_EQ(sha256.back(), "NistSHA512_256-257");
  EXPECT_EQ(passingCases(makeSHA512_256Tests(anyHash<ex::NettleSHA512_256>())), sha256);
}

TEST(SHA512tTests, EveryMonteCarloCheckpointPassesOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  const std::vector<std::string> names = passingCases(makeSHA512_224MonteTests<ex::SHA512_224>());
  ASSERT_EQ(names.size(), 100u);
  EXPECT_EQ(names.front(), "NistSHA512_224Monte-0");
  EXPECT_EQ(names.back(), "NistSHA512_224Monte-99");
  EXPECT_EQ(passingCases(makeSHA512_224MonteTests(ex::NettleSHA512_224::hashStrict({}))), names);

  const std::vector<std::string> sha256 =
      passingCases(makeSHA512_256MonteTests(anyHash<ex::SHA512_256>()));
  ASSERT_EQ(sha256.size(), 100u);
  EXPECT_EQ(sha256.front(), "NistSHA512_256Monte-0");
  EXPECT_EQ(passingCases(makeSHA512_256MonteTests<ex::NettleSHA512_256>()), sha256);
}

// SHA-512/t starts from its own initial hash value; a cut SHA-512 fails every vector and
// checkpoint, while the SHA-512 builder beside it still reads only its own files.
TEST(SHA512tTests, ACutSHA512FailsEveryVector) {
  fixture::DataDir installed(false);
  EXPECT_EQ(caseNames(makeSHA512_224Tests<CutSHA512<28>>(), true).size(), 257u);
  EXPECT_EQ(caseNames(makeSHA512_256Tests<CutSHA512<32>>(), true).size(), 257u);
  EXPECT_EQ(caseNames(makeSHA512_224MonteTests<CutSHA512<28>>(), true).size(), 100u);
  EXPECT_EQ(caseNames(makeSHA512_256MonteTests<CutSHA512<32>>(), true).size(), 100u);
  EXPECT_EQ(passingCases(makeSHA512Tests<ex::SHA512>()).size(), 257u);
  EXPECT_EQ(passingCases(makeSHA512MonteTests<ex::SHA512>()).size(), 100u);
}

template <class D>
std::string record(std::uint8_t byte) {
  return "Len = 8\nMsg = " + toHex({byte}) + "\nMD = " + toHex(D::hashStrict({byte}).serialize()) +
         "\n\n";
}

TEST(SHA512tTests, EachTruncationReadsOnlyItsOwnFiles) {
  fixture::DataDir dir;
  dir.write("Test/KAT_SHA/SHA512ShortMsg.rsp", record<ex::SHA512>(1));
  dir.write("Test/KAT_SHA/SHA512_224ShortMsg.rsp", record<ex::SHA512_224>(2));
  dir.write("Test/KAT_SHA/SHA512_224LongMsg.rsp", record<ex::SHA512_224>(3));
  dir.write("Test/KAT_SHA/SHA512_256ShortMsg.rsp", record<ex::SHA512_256>(4));
  // Not SHA-512/224: the token goes on with another "_digits" group.
  dir.write("Test/KAT_SHA/SHA512_224_1ShortMsg.rsp", record<ex::SHA512>(5));
  EXPECT_EQ(passingCases(makeSHA512Tests<ex::SHA512>()), std::vector<std::string>{"NistSHA512-1"});
  EXPECT_EQ(passingCases(makeSHA512_224Tests<ex::SHA512_224>()),
            (std::vector<std::string>{"NistSHA512_224-1", "NistSHA512_224-2"}));
  EXPECT_EQ(passingCases(makeSHA512_256Tests<ex::SHA512_256>()),
            std::vector<std::string>{"NistSHA512_256-1"});
}

}  // namespace
}  // namespace kavrit::test
