// SHA-3: the single-message and Monte Carlo builders on the committed NIST files against OpenSSL
// and Nettle, SHA3VS's chaining of one digest per message, and the rate as the block length that
// the chunking laws put their edges at.

#include "kavrit/test/sha3.hpp"

#include <gtest/gtest.h>
#include <nettle/nettle-meta.h>
#include <openssl/evp.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "nettle/nettle_reference.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;  // TEST bodies see testing::Test as Test
namespace ex = kavrit::examples;
using fixture::caseNames;
using fixture::failureOf;

// Both implementations pass every case of their trees, which are named `prefix` followed by
// `first`, `first` + 1, … (`count` of them).
void expectAllPass(const std::vector<Tree>& openssl, const std::vector<Tree>& nettle,
                   const std::string& prefix, std::size_t first, std::size_t count) {
  std::vector<std::string> expected;
  for (std::size_t i = first; i < first + count; ++i)
    expected.push_back(prefix + std::to_string(i));
  EXPECT_EQ(caseNames(openssl), expected);
  EXPECT_EQ(caseNames(openssl, true), std::vector<std::string>{});
  EXPECT_EQ(caseNames(nettle), expected);
  EXPECT_EQ(caseNames(nettle, true), std::vector<std::string>{});
}

// A ShortMsg file holds every message length from 0 to one rate in bytes, a LongMsg file 100.
TEST(SHA3Tests, EveryVectorPassesOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  expectAllPass(makeSHA3_224Tests<ex::SHA3_224>(), makeSHA3_224Tests<ex::NettleSHA3_224>(),
                "NistSHA3_224-", 1, 145 + 100);
  const std::vector<Tree> sha256 = makeSHA3_256Tests(ex::SHA3_256::hashStrict({}));
  expectAllPass(sha256, makeSHA3_256Tests(anyHash<ex::NettleSHA3_256>()), "NistSHA3_256-", 1,
                137 + 100);
  EXPECT_EQ(sha256.back().name(), "Cryptographic Digest Property Tests");
  expectAllPass(makeSHA3_384Tests<ex::SHA3_384>(), makeSHA3_384Tests<ex::NettleSHA3_384>(),
                "NistSHA3_384-", 1, 105 + 100);
  expectAllPass(makeSHA3_512Tests<ex::SHA3_512>(), makeSHA3_512Tests<ex::NettleSHA3_512>(),
                "NistSHA3_512-", 1, 73 + 100);
}

TEST(SHA3Tests, EveryMonteCarloCheckpointPassesOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  expectAllPass(makeSHA3_224MonteTests<ex::SHA3_224>(),
                makeSHA3_224MonteTests<ex::NettleSHA3_224>(), "NistSHA3_224Monte-", 0, 100);
  expectAllPass(makeSHA3_256MonteTests(ex::SHA3_256::hashStrict({})),
                makeSHA3_256MonteTests(anyHash<ex::NettleSHA3_256>()), "NistSHA3_256Monte-", 0,
                100);
  expectAllPass(makeSHA3_384MonteTests<ex::SHA3_384>(),
                makeSHA3_384MonteTests<ex::NettleSHA3_384>(), "NistSHA3_384Monte-", 0, 100);
  expectAllPass(makeSHA3_512MonteTests<ex::SHA3_512>(),
                makeSHA3_512MonteTests<ex::NettleSHA3_512>(), "NistSHA3_512Monte-", 0, 100);
}

// SHA3-256 that is wrong for one message only, in both entry points.
template <class Wrong>
struct FaultySHA3_256 {
  ex::SHA3_256 inner;
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 1088; }
  static FaultySHA3_256 hash(const LazyByteString& m) { return hashStrict(m.flatten()); }
  static FaultySHA3_256 hashStrict(const ByteString& m) {
    ByteString digest = ex::SHA3_256::hashStrict(m).serialize();
    if (toHex(m) == Wrong::message) digest[31] ^= 1;
    return {*ex::SHA3_256::parse(digest)};
  }
  [[nodiscard]] ByteString serialize() const { return inner.serialize(); }
  static std::optional<FaultySHA3_256> parse(const ByteString& bytes) {
    if (auto digest = ex::SHA3_256::parse(bytes)) return FaultySHA3_256{*digest};
    return std::nullopt;
  }
  friend bool operator==(const FaultySHA3_256&, const FaultySHA3_256&) = default;
};

// The MD recorded for COUNT = 4 in SHA3_256Monte.rsp, alone: checkpoint 5's first message.
struct MDOfCount4 {
  static constexpr const char* message =
      "804fb2ae90fe2d1a2f995b9d424f1ee4d92ceb6462d71fe05d3bc3275687c8ac";
};
// The Seed: the first message of checkpoint 0.
struct Seed {
  static constexpr const char* message =
      "aa64f7245e2177c654eb4de360da8761a516fdc7578c3498c5e582e096b8730c";
};

// Each message of SHA3VS's chain is the digest before it, alone (SHA-2's would be 96 bytes), and
// each checkpoint starts from the MD recorded before it.
TEST(SHA3MonteTests, EachCheckpointHashesThePreviousDigestAlone) {
  fixture::DataDir installed(false);
  EXPECT_EQ(caseNames(makeSHA3_256MonteTests<FaultySHA3_256<MDOfCount4>>(), true),
            std::vector<std::string>{"NistSHA3_256Monte-5"});

  // From the Seed, one digest per message reaches COUNT = 0's MD; three per message do not.
  const AnyHash& sha3 = anyHash<ex::SHA3_256>();
  const ByteString seed = hexStringToBS(Seed::message);
  const std::string md0 = "225cbac2be6f329d94228c5360a1c177bc495a761c442a1771b1d18555c309a5";
  EXPECT_EQ(toHex(detail::sha_monte::iterate(sha3, seed, detail::sha_monte::kSHA3Window).lazy),
            md0);
  EXPECT_NE(toHex(detail::sha_monte::iterate(sha3, seed, detail::sha_monte::kSHA2Window).strict),
            md0);
  EXPECT_THROW((void)detail::sha_monte::iterate(sha3, seed, 0), std::invalid_argument);

  const std::vector<Tree> trees = makeSHA3_256MonteTests<FaultySHA3_256<Seed>>();
  EXPECT_EQ(caseNames(trees, true), std::vector<std::string>{"NistSHA3_256Monte-0"});
  const std::string report = failureOf(trees.at(0)).value_or("");
  const std::string path = getDataFileName("Test/KAT_SHA3_MONTE/SHA3_256Monte.rsp");
  EXPECT_EQ(report.rfind("NistSHA3_256Monte-0: checkpoint COUNT = 0, 1000 iterations from the "
                         "Seed\n" +
                             path + ":11: the vector:\n  Seed = aa64f724",
                         0),
            0u)
      << report;
}

// Both libraries' own block sizes are the rates the adapters give.
TEST(SHA3Tests, TheAdaptersGiveTheRateAsBlockLength) {
  EXPECT_EQ(ex::SHA3_224::blockLength(), 1152);
  EXPECT_EQ(ex::SHA3_256::blockLength(), 1088);
  EXPECT_EQ(ex::SHA3_384::blockLength(), 832);
  EXPECT_EQ(ex::SHA3_512::blockLength(), 576);
  EXPECT_EQ(ex::SHA3_224::blockLength(), 8 * EVP_MD_get_block_size(EVP_sha3_224()));
  EXPECT_EQ(ex::SHA3_256::blockLength(), 8 * EVP_MD_get_block_size(EVP_sha3_256()));
  EXPECT_EQ(ex::SHA3_384::blockLength(), 8 * EVP_MD_get_block_size(EVP_sha3_384()));
  EXPECT_EQ(ex::SHA3_512::blockLength(), 8 * EVP_MD_get_block_size(EVP_sha3_512()));
  EXPECT_EQ(ex::NettleSHA3_224::blockLength(), 8 * static_cast<long>(nettle_sha3_224.block_size));
  EXPECT_EQ(ex::NettleSHA3_256::blockLength(), 8 * static_cast<long>(nettle_sha3_256.block_size));
  EXPECT_EQ(ex::NettleSHA3_384::blockLength(), 8 * static_cast<long>(nettle_sha3_384.block_size));
  EXPECT_EQ(ex::NettleSHA3_512::blockLength(), 8 * static_cast<long>(nettle_sha3_512.block_size));
}

// A sponge that absorbs its first 136-byte block twice when a chunk (not the last) ends exactly
// there. The vectors' 37-byte chunks never end on byte 136, so they pass; the chunking laws take
// their edges from blockLength and split the 137-byte message there.
TEST(SHA3Tests, TheChunkingLawsFindAFaultAtTheFirstRateEdge) {
  using Faulty = ex::RepeatsBlockAtChunkEdge<ex::SHA3_256, true>;
  fixture::DataDir installed(false);
  EXPECT_EQ(caseNames(makeSHA3_256Tests<Faulty>(), true), std::vector<std::string>{});
  const Tree leaf = propcheck::leafNamed({makeHashChunkingTests<Faulty>()}, "EveryTwoChunkSplit");
  const std::string report = failureOf(leaf).value_or("");
  EXPECT_NE(report.find("hash of the 137-byte message in chunks [0..136|136..137] differs from "
                        "hashStrict"),
            std::string::npos)
      << report;
}

TEST(SHA3Tests, MissingDirectoriesThrowNamingThem) {
  fixture::DataDir dir;
  dir.write("Test/KAT_SHA/SHA3_256ShortMsg.rsp", "Len = 0\nMsg = 00\nMD = 00\n");
  using Builder = std::vector<Tree> (*)();
  const std::pair<std::string, Builder> builders[] = {
      {"Test/KAT_SHA3", [] { return makeSHA3_256Tests<ex::SHA3_256>(); }},
      {"Test/KAT_SHA3_MONTE", [] { return makeSHA3_256MonteTests<ex::SHA3_256>(); }},
  };
  for (const auto& [name, build] : builders) {
    try {
      (void)build();
      ADD_FAILURE() << "no error for " << name;
    } catch (const std::filesystem::filesystem_error& e) {
      EXPECT_NE(std::string(e.what()).find((dir.root() / name).string()), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace kavrit::test
