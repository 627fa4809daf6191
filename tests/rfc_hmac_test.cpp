#include "kavrit/test/rfc_hmac.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"
#include "kdf_support.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;
using fixture::caseNames;
using fixture::failures;

const std::vector<std::string> k4231Cases = {"1", "2", "3", "4", "6", "7"};
const std::vector<std::string> k2202Cases = {"1", "2", "3", "4", "5", "6", "7"};

std::vector<std::string> named(const std::string& prefix, const std::vector<std::string>& cases) {
  std::vector<std::string> names;
  for (const std::string& c : cases) names.push_back(prefix + "-" + c);
  return names;
}

// Every test of `tests` passes, and they are exactly `names`.
void expectAllPass(const std::vector<Tree>& tests, const std::vector<std::string>& names) {
  EXPECT_EQ(caseNames(tests), names);
  for (const auto& failure : failures(tests)) EXPECT_EQ(failure, std::nullopt) << *failure;
}

// Every test of `tests` fails, comparing the HMAC against the MD.
void expectAllFail(const std::vector<Tree>& tests) {
  ASSERT_FALSE(tests.empty());
  for (const auto& failure : failures(tests)) {
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("hmacStrict and hmac (37-byte chunks)"), std::string::npos) << *failure;
  }
}

// An HMAC that cuts a key longer than a block down to the block instead of hashing it.
template <class Inner>
struct CutsLongKeys {
  static const LazyByteString& lazy(const LazyByteString& message) { return message; }
  static ByteString key(const ByteString& k) { return takeBytes(k, Inner::blockLength() / 8); }
};

TEST(RFCHMACTests, InstalledVectorsPassOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  expectAllPass(makeRFC4231HMACTests<examples::SHA224>(), named("RFC4231HMACSHA224", k4231Cases));
  expectAllPass(makeRFC4231HMACTests<examples::SHA256>(), named("RFC4231HMACSHA256", k4231Cases));
  expectAllPass(makeRFC4231HMACTests<examples::SHA384>(), named("RFC4231HMACSHA384", k4231Cases));
  expectAllPass(makeRFC4231HMACTests(examples::SHA512::hashStrict({})),
                named("RFC4231HMACSHA512", k4231Cases));
  expectAllPass(makeRFC2202HMACTests<examples::MD5>(), named("RFC2202HMACMD5", k2202Cases));
  expectAllPass(makeRFC2202HMACTests<examples::SHA1>(), named("RFC2202HMACSHA1", k2202Cases));

  expectAllPass(makeRFC4231HMACTests<kdf::NettleSHA224>(), named("RFC4231HMACSHA224", k4231Cases));
  expectAllPass(makeRFC4231HMACTests<examples::NettleSHA256>(),
                named("RFC4231HMACSHA256", k4231Cases));
  expectAllPass(makeRFC4231HMACTests<kdf::NettleSHA384>(), named("RFC4231HMACSHA384", k4231Cases));
  expectAllPass(makeRFC4231HMACTests<examples::NettleSHA512>(),
                named("RFC4231HMACSHA512", k4231Cases));
  expectAllPass(makeRFC2202HMACTests<kdf::NettleMD5>(), named("RFC2202HMACMD5", k2202Cases));
  expectAllPass(makeRFC2202HMACTests<kdf::NettleSHA1>(), named("RFC2202HMACSHA1", k2202Cases));
}

TEST(RFCHMACTests, OneBitBrokenDigestsFailEveryVector) {
  fixture::DataDir installed(false);
  expectAllFail(makeRFC4231HMACTests<kdf::FlipsDigestBit<examples::SHA224>>());
  expectAllFail(makeRFC4231HMACTests<kdf::FlipsDigestBit<examples::SHA256>>());
  expectAllFail(makeRFC4231HMACTests<kdf::FlipsDigestBit<examples::SHA384>>());
  expectAllFail(makeRFC4231HMACTests<kdf::FlipsDigestBit<examples::SHA512>>());
  expectAllFail(makeRFC2202HMACTests<kdf::FlipsDigestBit<examples::MD5>>());
  expectAllFail(makeRFC2202HMACTests<kdf::FlipsDigestBit<examples::SHA1>>());
}

// Cases 6 and 7 of RFC 4231 have 131-byte keys, longer than a block even of SHA-384 and SHA-512:
// an HMAC that cuts such keys instead of hashing them fails those two and no other.
TEST(RFCHMACTests, LongKeyCasesCatchKeysCutToABlock) {
  fixture::DataDir installed(false);
  for (const VectorFile& file :
       readVectorFiles(getDataFileName("Test/KAT_HMAC_RFC"), "COUNT",
                       [](std::string_view name) { return name == "RFC4231-SHA512.rsp"; })) {
    ASSERT_EQ(file.categories.at(0).records.size(), 6u);
    for (const KatRecord& r : file.categories.at(0).records) {
      const std::size_t keyBytes = lookupField(r, "Key")->size() / 2;
      EXPECT_EQ(keyBytes == 131, *lookupField(r, "COUNT") >= "6") << *lookupField(r, "COUNT");
    }
  }
  using CutSHA512 = fixture::Rewired<examples::SHA512, CutsLongKeys<examples::SHA512>>;
  using CutSHA256 = fixture::Rewired<examples::SHA256, CutsLongKeys<examples::SHA256>>;
  using CutSHA1 = fixture::Rewired<examples::SHA1, CutsLongKeys<examples::SHA1>>;
  EXPECT_EQ(caseNames(makeRFC4231HMACTests<CutSHA512>(), true),
            (std::vector<std::string>{"RFC4231HMACSHA512-6", "RFC4231HMACSHA512-7"}));
  EXPECT_EQ(caseNames(makeRFC4231HMACTests<CutSHA256>(), true),
            (std::vector<std::string>{"RFC4231HMACSHA256-6", "RFC4231HMACSHA256-7"}));
  // RFC 2202 cases 6 and 7 have 80-byte keys.
  EXPECT_EQ(caseNames(makeRFC2202HMACTests<CutSHA1>(), true),
            (std::vector<std::string>{"RFC2202HMACSHA1-6", "RFC2202HMACSHA1-7"}));
}

std::string record(const std::string& count, const ByteString& md) {
  return "COUNT = " + count + "\nLen = 16\nKey = 0102\nMsg = 6162\nMD = " + toHex(md) + "\n\n";
}

// A truncated output (RFC 4231's case 5 gives 128 of 256 bits) is compared on its own length; an
// empty MD compares nothing and fails.
TEST(RFCHMACTests, ShortMDComparesThePrefixAndEmptyMDFails) {
  fixture::DataDir dir;
  const ByteString mac =
      hmacStrict(MacKey<examples::SHA256>(ByteString{1, 2}), ByteString{0x61, 0x62}).serialize();
  const ByteString prefix = takeBytes(mac, 16);
  ByteString longer = mac;
  longer.push_back(0);
  dir.write("Test/KAT_HMAC_RFC/RFC4231-SHA256.rsp",
            record("5", prefix) + record("8", kdf::flipped(prefix)) + record("9", {}) +
                record("10", mac) + record("11", longer));
  dir.write("Test/KAT_HMAC_RFC/RFC4231-SHA224.rsp", record("1", prefix));
  const std::vector<Tree> tests = makeRFC4231HMACTests<examples::SHA256>();
  EXPECT_EQ(caseNames(tests), named("RFC4231HMACSHA256", {"5", "8", "9", "10", "11"}));
  const auto results = failures(tests);
  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results[0], std::nullopt);
  EXPECT_NE(results[1], std::nullopt);
  ASSERT_TRUE(results[2].has_value());
  EXPECT_NE(results[2]->find("RFC4231-SHA256.rsp:13: RFC4231HMACSHA256-9: the MD is empty"),
            std::string::npos)
      << *results[2];
  EXPECT_EQ(results[3], std::nullopt);
  EXPECT_NE(results[4], std::nullopt);  // an MD longer than the digest
  expectAllFail({makeRFC4231HMACTests<kdf::FlipsDigestBit<examples::SHA256>>().at(0)});
}

// A digest of 256-bit output and 1024-bit block (SHA-512/256's lengths).
struct Sha512_256Lengths : examples::SHA256 {
  static constexpr long blockLength() { return 1024; }
  static Sha512_256Lengths hash(const LazyByteString& m) { return {examples::SHA256::hash(m)}; }
  static Sha512_256Lengths hashStrict(const ByteString& m) {
    return {examples::SHA256::hashStrict(m)};
  }
  static std::optional<Sha512_256Lengths> parse(const ByteString& bytes) {
    if (auto d = examples::SHA256::parse(bytes)) return Sha512_256Lengths{*d};
    return std::nullopt;
  }
};

TEST(RFCHMACTests, AHashWithoutRFCVectorsIsRefusedByName) {
  fixture::DataDir installed(false);
  const auto refusal = [](const auto& build) -> std::string {
    try {
      build();
    } catch (const std::invalid_argument& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(refusal([] { return makeRFC4231HMACTests<examples::SHA1>(); }),
            "RFC4231 has HMAC vectors for SHA224 (224-bit output, 512-bit block), SHA256 "
            "(256-bit output, 512-bit block), SHA384 (384-bit output, 1024-bit block), SHA512 "
            "(512-bit output, 1024-bit block) only, not for a hash of 160-bit output and 512-bit "
            "block");
  EXPECT_NE(refusal([] {
              return makeRFC4231HMACTests<Sha512_256Lengths>();
            }).find("not for a hash of 256-bit output and 1024-bit block"),
            std::string::npos);
  EXPECT_NE(refusal([] {
              return makeRFC2202HMACTests<examples::SHA256>();
            }).find("RFC2202 has HMAC vectors for MD5 (128-bit output, 512-bit block), SHA1 "),
            std::string::npos);
}

}  // namespace
}  // namespace kavrit::test
