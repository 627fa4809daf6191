// The SHAKE known answers and bundles: names and counts, green on OpenSSL, Botan and (SHAKE256)
// Nettle, every leaf failing for one flipped output bit, the broken squeezes passing every known
// answer (only the laws see them), and damaged files reported at their line.

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "botan_xof.hpp"
#include "broken_xof.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/primitive_suites.hpp"
#include "kavrit/test/shake.hpp"
#include "nettle/nettle_shake.hpp"
#include "openssl/openssl_shake.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using examples::NettleShake256;
using examples::OpenSSLShake128;
using examples::OpenSSLShake256;
using fixture::caseNames;
using Tree = kavrit::test::Test;
using Tests = std::vector<Tree>;
using Names = std::vector<std::string>;

class ShakeKats : public testing::Test {
 protected:
  fixture::DataDir data{false};
  NoteSink saved = setNoteSink([](const std::string&) {});
  ~ShakeKats() override { setNoteSink(saved); }
};

template <class X>
Tests all128() {
  Tests tests = makeSHAKE128Tests<X>();
  for (Tree& t : makeSHAKE128MonteTests<X>()) tests.push_back(std::move(t));
  return tests;
}

template <class X>
Tests all256() {
  Tests tests = makeSHAKE256Tests<X>();
  for (Tree& t : makeSHAKE256MonteTests<X>()) tests.push_back(std::move(t));
  return tests;
}

TEST_F(ShakeKats, NamedByFileAndRecord) {
  const Tests t128 = makeSHAKE128Tests<OpenSSLShake128>();
  ASSERT_EQ(t128.size(), 337u + 100 + 1126);
  EXPECT_EQ(t128.front().name(), "NistSHAKE128-1");
  EXPECT_EQ(t128[436].name(), "NistSHAKE128-437");
  EXPECT_EQ(t128[437].name(), "NistSHAKE128VariableOut-0");
  EXPECT_EQ(t128.back().name(), "NistSHAKE128VariableOut-1125");
  const Tests t256 = makeSHAKE256Tests<OpenSSLShake256>();
  ASSERT_EQ(t256.size(), 273u + 100 + 1246);
  EXPECT_EQ(t256[373].name(), "NistSHAKE256VariableOut-0");
  for (const Tests& monte :
       {makeSHAKE128MonteTests<OpenSSLShake128>(), makeSHAKE256MonteTests<OpenSSLShake256>()}) {
    ASSERT_EQ(monte.size(), 100u);
    EXPECT_TRUE(monte.front().name().ends_with("Monte-0")) << monte.front().name();
    EXPECT_TRUE(monte.back().name().ends_with("Monte-99")) << monte.back().name();
  }
  // Each case points at its record: a Monte Carlo checkpoint at its COUNT line.
  const std::optional<SourceLocation> where =
      makeSHAKE256MonteTests<OpenSSLShake256>()[1].location();
  ASSERT_TRUE(where.has_value());
  EXPECT_EQ(where->file, getDataFileName("Test/KAT_SHAKE/SHAKE256Monte.rsp"));
  EXPECT_EQ(where->line, 16);
}

TEST_F(ShakeKats, PassOnThreeImplementations) {
  EXPECT_EQ(caseNames(all128<OpenSSLShake128>(), true), Names{});
  EXPECT_EQ(caseNames(all256<OpenSSLShake256>(), true), Names{});
  EXPECT_EQ(caseNames(all128<BotanShake128>(), true), Names{});
  EXPECT_EQ(caseNames(all256<BotanShake256>(), true), Names{});
  EXPECT_EQ(caseNames(all256<NettleShake256>(), true), Names{});
}

TEST_F(ShakeKats, OneFlippedOutputBitFailsEveryCase) {
  const Tests t128 = all128<broken::FlipsXofBit<OpenSSLShake128>>();
  EXPECT_EQ(caseNames(t128, true).size(), t128.size());
  const Tests t256 = all256<broken::FlipsXofBit<OpenSSLShake256>>();
  EXPECT_EQ(caseNames(t256, true).size(), t256.size());
  const std::optional<std::string> failure = fixture::failureOf(t128.front());
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("NistSHAKE128-1: absorbStrict, and absorb in 37-byte chunks"),
            std::string::npos)
      << *failure;
}

// A single squeeze from a fresh state is all a known answer asks for: these faults pass them all.
TEST_F(ShakeKats, BrokenSqueezesPassEveryKnownAnswer) {
  EXPECT_EQ(caseNames(all128<broken::RestartsSqueeze<OpenSSLShake128>>(), true), Names{});
  EXPECT_EQ(caseNames(all256<broken::LosesBytesAtRate<OpenSSLShake256>>(), true), Names{});
}

TEST_F(ShakeKats, DamagedRecordsReportedAtTheirLine) {
  const fixture::DataDir scratch;
  scratch.write("Test/KAT_SHAKE/SHAKE128ShortMsg.rsp",
                "[Outputlen = 128]\n\nLen = 4\nMsg = 00\nOutput = 00\n\n"
                "Len = 8\nMsg = 0e\nOutput = fa996d\n");
  scratch.write("Test/KAT_SHAKE/SHAKE128VariableOut.rsp",
                "[Input Length = 128]\nCOUNT = 0\nOutputlen = 12\nMsg = 00\nOutput = 00\n\n"
                "COUNT = 1\nOutputlen = 16\nMsg = 00\nOutput = 0g00\n");
  const Tests tests = makeSHAKE128Tests<OpenSSLShake128>();
  ASSERT_EQ(tests.size(), 4u);
  const std::string shortMsg = getDataFileName("Test/KAT_SHAKE/SHAKE128ShortMsg.rsp");
  const std::string variable = getDataFileName("Test/KAT_SHAKE/SHAKE128VariableOut.rsp");
  const std::vector<std::optional<std::string>> failures = fixture::failures(tests);
  ASSERT_EQ(failures.size(), 4u);
  ASSERT_TRUE(failures[0] && failures[1] && failures[2] && failures[3]);
  EXPECT_EQ(failures[0]->rfind(shortMsg + ":3: NistSHAKE128-1: Len = 4 bits is not whole bytes", 0),
            0u)
      << *failures[0];
  EXPECT_EQ(failures[1]->rfind(shortMsg + ":1: NistSHAKE128-2: Outputlen gives 16 bytes", 0), 0u)
      << *failures[1];
  EXPECT_EQ(failures[2]->rfind(variable + ":3: NistSHAKE128VariableOut-0: Outputlen = 12 bits", 0),
            0u)
      << *failures[2];
  EXPECT_NE(failures[3]->find(variable + ":"), std::string::npos) << *failures[3];
  EXPECT_NE(failures[3]->find("Output"), std::string::npos) << *failures[3];
}

TEST_F(ShakeKats, DamagedMonteHeadsReportedAtTheirLine) {
  const fixture::DataDir scratch;
  scratch.write("Test/KAT_SHAKE/SHAKE256Monte.rsp",
                "[Minimum Output Length (bits) = 8]\n[Maximum Output Length (bits) = 2000]\n\n"
                "Msg = 00\n\nCOUNT = 0\nOutputlen = 16\nOutput = 0000\n");
  const Tests tests = makeSHAKE256MonteTests<OpenSSLShake256>();
  ASSERT_EQ(tests.size(), 1u);
  const std::optional<std::string> failure = fixture::failureOf(tests[0]);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->rfind(getDataFileName("Test/KAT_SHAKE/SHAKE256Monte.rsp") +
                               ":1: NistSHAKE256Monte-0: the output lengths must run from 16 bits",
                           0),
            0u)
      << *failure;
}

TEST_F(ShakeKats, BundlesHoldTheKnownAnswersAndTheLaws) {
  const Tests b128 = makeSHAKE128Suites<OpenSSLShake128>();
  ASSERT_EQ(b128.size(), 1563u + 100 + 1);
  EXPECT_EQ(b128.back().name(), "XOF Property Tests");
  EXPECT_EQ(propcheck::leaves(b128).size(), 1563u + 100 + 9);
  const Tests b256 = makeSHAKE256Suites<NettleShake256>();
  ASSERT_EQ(b256.size(), 1619u + 100 + 1);
  EXPECT_EQ(b256[1619].name(), "NistSHAKE256Monte-0");
}

}  // namespace
}  // namespace kavrit::test
