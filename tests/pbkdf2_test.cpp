#include "kavrit/test/pbkdf2.hpp"

#include <gtest/gtest.h>

#include <rapidcheck.h>

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/rapidcheck/property.hpp"
#include "kdf_support.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;
using fixture::caseNames;
using fixture::failures;
using propcheck::leafFailure;
using propcheck::leafNames;

const std::vector<std::string> kFastNames = {"RFC6070PBKDF2SHA1-0", "RFC6070PBKDF2SHA1-1",
                                             "RFC6070PBKDF2SHA1-2", "RFC6070PBKDF2SHA1-4",
                                             "RFC6070PBKDF2SHA1-5"};

// The fast known answers, then "Slow" with the 16777216-iteration vector, then the law group;
// everything but the slow vector passes.
void expectFastPasses(const std::vector<Tree>& tests) {
  EXPECT_EQ(caseNames(tests), kFastNames);
  ASSERT_EQ(tests.size(), 7u);
  EXPECT_EQ(tests[5].name(), "Slow");
  EXPECT_EQ(leafNames(tests[5]), std::vector<std::string>{"RFC6070PBKDF2SHA1-3"});
  EXPECT_EQ(tests[6].name(), "PBKDF2 Law Tests");
  EXPECT_EQ(leafNames(tests[6]),
            (std::vector<std::string>{"OutputLengthIsDkLen", "PrefixOfLongerOutput"}));
  for (const auto& failure : failures(tests)) EXPECT_EQ(failure, std::nullopt) << *failure;
  propcheck::expectAllLeavesPass({tests[6]});
}

TEST(PBKDF2Tests, InstalledVectorsAndLawsPassOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  expectFastPasses(makePBKDF2Tests<examples::SHA1>());
  expectFastPasses(makePBKDF2Tests<kdf::NettleSHA1>());
  expectFastPasses(makePBKDF2Tests(kdf::OpenSSLKDFSHA1::hashStrict({})));
  expectFastPasses(makePBKDF2Tests<kdf::NettleKDFSHA1>());
  propcheck::expectAllLeavesPass(
      {makePBKDF2LawTests<examples::SHA256>(), makePBKDF2LawTests<kdf::OpenSSLKDFSHA512>()});
  EXPECT_EQ(describePBKDF2Implementation(anyHash<examples::SHA1>()), "kavrit pbkdf2");
  EXPECT_EQ(describePBKDF2Implementation(anyHash<kdf::NettleKDFSHA1>()), "own pbkdf2");
}

// Every vector fails, the slow one included. That one runs once (OpenSSL's own PBKDF2 with the
// last bit flipped, some seconds): its report shows the vector with that bit flipped, so OpenSSL
// itself gives the vector.
TEST(PBKDF2Tests, OneBitBrokenImplementationsFailEveryVector) {
  fixture::DataDir installed(false);
  using Flipped = kdf::Hooked<examples::SHA1, kdf::OneBitBrokenKDFs<EVP_sha1, kdf::Broken::Pbkdf2>>;
  for (const auto& tests :
       {makePBKDF2Tests<kdf::FlipsDigestBit<examples::SHA1>>(), makePBKDF2Tests<Flipped>()}) {
    const auto results = failures(tests);
    ASSERT_EQ(results.size(), kFastNames.size());
    for (const auto& failure : results) {
      ASSERT_TRUE(failure.has_value());
      EXPECT_NE(failure->find("pbkdf2 of PASSWORD, SALT, ITERATIONS and LENGTH against the "
                              "DERIVED_KEY"),
                std::string::npos)
          << *failure;
    }
  }
  const Tree slow = propcheck::leaves(makePBKDF2Tests<Flipped>()).at(5);
  ASSERT_EQ(slow.name(), "RFC6070PBKDF2SHA1-3");
  const std::string failure = leafFailure(slow).value_or("passes");
  EXPECT_NE(failure.find("DERIVED_KEY = eefe3d61cd4da4e4e9945b3d6ba2158c2634e984\n"
                         "computed: eefe3d61cd4da4e4e9945b3d6ba2158c2634e985\n"),
            std::string::npos)
      << failure;
}

// kavrit's generic PBKDF2 equals OpenSSL's on drawn inputs.
template <class D, class Own>
Tree agreesWithOpenSSL() {
  return testProperty(
      "GenericPBKDF2AgreesWithOpenSSL", [](const RandomBytes& password, const RandomBytes& salt) {
        const std::size_t h = D::outputLength() / 8;
        const auto iterations = *rc::gen::inRange<std::uint64_t>(1, 40);
        const auto length = *rc::gen::inRange<std::size_t>(0, 3 * h + 2);
        RC_ASSERT(kavrit::pbkdf2<D>(password.value, salt.value, iterations, length) ==
                  Own::pbkdf2(password.value, salt.value, iterations, length));
      });
}

TEST(PBKDF2Tests, GenericPBKDF2AgreesWithOpenSSLAndRefusesNoIterations) {
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA1, kdf::OpenSSLKDFSHA1>()), std::nullopt);
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA256,
                                          kdf::OpenSSLWithKDFs<EVP_sha256, examples::SHA256>>()),
            std::nullopt);
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA512, kdf::OpenSSLKDFSHA512>()),
            std::nullopt);
  try {
    (void)kavrit::pbkdf2<examples::SHA1>({1}, {2}, 0, 20);
    ADD_FAILURE() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "pbkdf2: the iteration count must be at least 1");
  }
}

// Laws catch what the RFC 6070 vectors (20, 25 and 16 bytes) let through.
struct RoundsUpToBlocks {
  static ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                           std::uint64_t iterations, std::size_t length) {
    return kdf::OpenSSLKDFs<EVP_sha1>::pbkdf2(password, salt, iterations,
                                              length <= 25 ? length : (length + 19) / 20 * 20);
  }
};
struct LengthInSalt {
  static ByteString pbkdf2(const ByteString& password, const ByteString& salt,
                           std::uint64_t iterations, std::size_t length) {
    ByteString salted = salt;
    if (length > 25) salted.push_back(static_cast<std::uint8_t>(length));
    return kdf::OpenSSLKDFs<EVP_sha1>::pbkdf2(password, salted, iterations, length);
  }
};

TEST(PBKDF2Tests, LawsCatchLengthFaultsThatTheVectorsMiss) {
  fixture::DataDir installed(false);
  using Rounds = kdf::Hooked<examples::SHA1, RoundsUpToBlocks>;
  using Salted = kdf::Hooked<examples::SHA1, LengthInSalt>;
  for (const auto& failure : failures(makePBKDF2Tests<Rounds>())) EXPECT_EQ(failure, std::nullopt);
  for (const auto& failure : failures(makePBKDF2Tests<Salted>())) EXPECT_EQ(failure, std::nullopt);
  propcheck::expectOnlyTheseFail(
      makePBKDF2LawTests<Rounds>(),
      {{"OutputLengthIsDkLen", "pbkdf2 gives "}, {"PrefixOfLongerOutput", "not the first"}});
  propcheck::expectOnlyTheseFail(makePBKDF2LawTests<Salted>(),
                                 {{"PrefixOfLongerOutput", "not the first"}});
}

TEST(PBKDF2Tests, BadRecordsFailAtTheirLineAndSlowCountsGoToTheSlowGroup) {
  fixture::DataDir dir;
  const std::string head = "PASSWORD = 70\nSALT = 73\n";
  dir.write("Test/KAT_PBKDF2/RFC6070-SHA1.rsp",
            "COUNT = 0\n" + head + "ITERATIONS = 1\nLENGTH = 2\nDERIVED_KEY = 00\n\n" +
                "COUNT = 1\n" + head + "ITERATIONS = 0\nLENGTH = 1\nDERIVED_KEY = 00\n\n" +
                "COUNT = 2\n" + head + "ITERATIONS = many\nLENGTH = 1\nDERIVED_KEY = 00\n\n" +
                "COUNT = 3\n" + head + "ITERATIONS = 1000000\nLENGTH = 1\nDERIVED_KEY = 00\n\n" +
                "COUNT = 4\n" + head + "ITERATIONS = 1\nLENGTH = 1\n\n");
  const std::vector<Tree> tests = makePBKDF2Tests<examples::SHA1>();
  EXPECT_EQ(caseNames(tests),
            (std::vector<std::string>{"RFC6070PBKDF2SHA1-0", "RFC6070PBKDF2SHA1-1",
                                      "RFC6070PBKDF2SHA1-2"}));
  ASSERT_EQ(tests.size(), 5u);
  EXPECT_EQ(leafNames(tests[3]), std::vector<std::string>{"RFC6070PBKDF2SHA1-3"});
  const auto results = failures(tests);
  EXPECT_NE(results.at(0).value_or("").find("RFC6070-SHA1.rsp:1: RFC6070PBKDF2SHA1-0: LENGTH = 2 "
                                            "but the DERIVED_KEY holds 1 bytes"),
            std::string::npos)
      << results.at(0).value_or("");
  EXPECT_NE(results.at(1).value_or("").find(
                "RFC6070-SHA1.rsp:8: RFC6070PBKDF2SHA1-1: ITERATIONS must be at least 1"),
            std::string::npos)
      << results.at(1).value_or("");
  EXPECT_NE(results.at(2).value_or("").find("cannot be read as an integer"), std::string::npos)
      << results.at(2).value_or("");
  EXPECT_THROW((void)makePBKDF2Tests<examples::SHA256>(), std::invalid_argument);
}

}  // namespace
}  // namespace kavrit::test
