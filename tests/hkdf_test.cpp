#include "kavrit/test/hkdf.hpp"

#include <gtest/gtest.h>

#include <rapidcheck.h>

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
using propcheck::expectAllLeavesPass;
using propcheck::expectOnlyTheseFail;
using propcheck::leafFailure;

const std::vector<std::string> kSHA256Names = {"RFC5869HKDFSHA256-1", "RFC5869HKDFSHA256-2",
                                               "RFC5869HKDFSHA256-3"};
const std::vector<std::string> kSHA1Names = {"RFC5869HKDFSHA1-4", "RFC5869HKDFSHA1-5",
                                             "RFC5869HKDFSHA1-6", "RFC5869HKDFSHA1-7"};

// The known answers are `names`, followed by the law group; all of it passes.
void expectPasses(const std::vector<Tree>& tests, const std::vector<std::string>& names) {
  EXPECT_EQ(caseNames(tests), names);
  ASSERT_EQ(tests.size(), names.size() + 1);
  EXPECT_EQ(tests.back().name(), "HKDF Law Tests");
  EXPECT_EQ(propcheck::leafNames(tests.back()),
            (std::vector<std::string>{"OutputLengthIsL", "PrefixOfLongerOutput",
                                      "ExtractThenExpand", "RefusesLongOutput"}));
  expectAllLeavesPass(tests);
}

// Every known answer of `tests` fails, saying `what` and not `absent`.
void expectEveryVectorFails(const std::vector<Tree>& tests, const std::string& what,
                            const std::string& absent = "\nsecond value: ") {
  const auto results = failures(tests);
  ASSERT_GE(results.size(), 3u);
  for (const auto& failure : results) {
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find(what), std::string::npos) << *failure;
    EXPECT_EQ(failure->find(absent), std::string::npos) << *failure;
  }
}

TEST(HKDFTests, InstalledVectorsAndLawsPassOnOpenSSLAndNettle) {
  fixture::DataDir installed(false);
  // kavrit's generic HKDF over each library's digest, then each library's own HKDF as hooks.
  expectPasses(makeHKDFTests<examples::SHA256>(), kSHA256Names);
  expectPasses(makeHKDFTests(examples::SHA1::hashStrict({})), kSHA1Names);
  expectPasses(makeHKDFTests<examples::NettleSHA256>(), kSHA256Names);
  expectPasses(makeHKDFTests<kdf::NettleSHA1>(), kSHA1Names);
  expectPasses(makeHKDFTests<kdf::OpenSSLKDFSHA256>(), kSHA256Names);
  expectPasses(makeHKDFTests<kdf::OpenSSLKDFSHA1>(), kSHA1Names);
  expectPasses(makeHKDFTests<kdf::NettleKDFSHA256>(), kSHA256Names);
  expectPasses(makeHKDFTests<kdf::NettleKDFSHA1>(), kSHA1Names);
  expectAllLeavesPass({makeHKDFLawTests<examples::SHA512>(), makeHKDFLawTests<examples::MD5>(),
                       makeHKDFLawTests<kdf::OpenSSLKDFSHA512>()});

  EXPECT_EQ(describeHKDFImplementations(anyHash<examples::SHA256>()),
            "kavrit hkdfExtract/hkdfExpand/hkdf");
  EXPECT_EQ(describeHKDFImplementations(anyHash<kdf::OpenSSLKDFSHA256>()),
            "own hkdfExtract/hkdfExpand/hkdf");
  EXPECT_EQ(ownKDFHooks<kdf::OpenSSLKDFSHA256>(),
            (std::vector<std::string_view>{"hkdfExtract", "hkdfExpand", "hkdf", "pbkdf2"}));
}

TEST(HKDFTests, OneBitBrokenImplementationsFailEveryVector) {
  fixture::DataDir installed(false);
  using kdf::Broken;
  using kdf::Hooked;
  using kdf::OneBitBrokenKDFs;
  expectEveryVectorFails(makeHKDFTests<kdf::FlipsDigestBit<examples::SHA256>>(),
                         "hkdfExtract of salt and IKM against the PRK");
  expectEveryVectorFails(makeHKDFTests<kdf::FlipsDigestBit<examples::SHA1>>(),
                         "hkdfExtract of salt and IKM against the PRK");
  expectEveryVectorFails(
      makeHKDFTests<Hooked<examples::SHA256, OneBitBrokenKDFs<EVP_sha256, Broken::Extract>>>(),
      "hkdfExtract of salt and IKM against the PRK");
  // The first of the pair is hkdfExpand, the second hkdf.
  expectEveryVectorFails(
      makeHKDFTests<Hooked<examples::SHA1, OneBitBrokenKDFs<EVP_sha1, Broken::Expand>>>(),
      "against the OKM\n", "second value");
  expectEveryVectorFails(
      makeHKDFTests<Hooked<examples::SHA256, OneBitBrokenKDFs<EVP_sha256, Broken::Whole>>>(),
      "\nsecond value: first difference at byte ", "against the PRK");
}

TEST(HKDFTests, GenericHKDFRefusesMoreThan255BlocksInASentence) {
  const ByteString prk(32, 7);
  try {
    (void)kavrit::hkdfExpand<examples::SHA256>(prk, {}, 8161);
    ADD_FAILURE() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(),
                 "hkdfExpand: an output of 8161 bytes is longer than 255 times the hash length "
                 "(8160 bytes for a 32-byte hash), the most RFC 5869 allows");
  }
  EXPECT_THROW((void)kavrit::hkdf<examples::SHA1>({}, {}, {}, 255 * 20 + 1), std::invalid_argument);
  EXPECT_EQ(kavrit::hkdfExpand<examples::SHA256>(prk, {1, 2}, 8160),
            kdf::OpenSSLKDFSHA256::hkdfExpand(prk, {1, 2}, 8160));
}

// kavrit's generic HKDF equals OpenSSL's on drawn inputs, each step and the whole.
template <class D, class Own>
Tree agreesWithOpenSSL() {
  return testProperty(
      "GenericHKDFAgreesWithOpenSSL",
      [](const RandomBytes& salt, const RandomBytes& ikm, const RandomBytes& info) {
        const std::size_t h = D::outputLength() / 8;
        const auto l = *rc::gen::weightedOneOf<std::size_t>(
            {{1, rc::gen::element<std::size_t>(0, 1, h - 1, h, h + 1, 255 * h)},
             {3, rc::gen::inRange<std::size_t>(0, 4 * h)}});
        const ByteString prk = kavrit::hkdfExtract<D>(salt.value, ikm.value);
        RC_ASSERT(prk == Own::hkdfExtract(salt.value, ikm.value));
        RC_ASSERT(kavrit::hkdfExpand<D>(prk, info.value, l) == Own::hkdfExpand(prk, info.value, l));
        RC_ASSERT(kavrit::hkdf<D>(salt.value, ikm.value, info.value, l) ==
                  Own::hkdf(salt.value, ikm.value, info.value, l));
      });
}

TEST(HKDFTests, GenericHKDFAgreesWithOpenSSLOnDrawnInputs) {
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA1, kdf::OpenSSLKDFSHA1>()), std::nullopt);
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA256, kdf::OpenSSLKDFSHA256>()),
            std::nullopt);
  EXPECT_EQ(leafFailure(agreesWithOpenSSL<examples::SHA512, kdf::OpenSSLKDFSHA512>()),
            std::nullopt);
}

// Faults of the output length that every known answer lets through, one per law.
template <const EVP_MD* (*Md)()>
struct LengthFaults {
  using Right = kdf::OpenSSLKDFs<Md>;
  static constexpr std::size_t kMost = 255 * 32;
  // OpenSSL's hooks, with hkdf made of Self's hkdfExpand.
  template <class Self>
  struct Composed : Right {
    static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                           std::size_t n) {
      return Self::hkdfExpand(Right::hkdfExtract(salt, ikm), info, n);
    }
  };
  // Does not refuse more than 255 blocks.
  struct NoRefusal : Composed<NoRefusal> {
    static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t n) {
      return n > kMost ? ByteString(n) : Right::hkdfExpand(prk, info, n);
    }
  };
  // Gives whole blocks.
  struct WholeBlocks : Composed<WholeBlocks> {
    static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t n) {
      return Right::hkdfExpand(prk, info, (n + 31) / 32 * 32);
    }
  };
  // Mixes the length into the info, as TLS 1.3's labels do: outputs are no longer prefixes.
  struct LengthInInfo : Composed<LengthInInfo> {
    static ByteString hkdfExpand(const ByteString& prk, const ByteString& info, std::size_t n) {
      ByteString labelled = info;
      labelled.push_back(static_cast<std::uint8_t>(n));
      return Right::hkdfExpand(prk, labelled, n);
    }
  };
  // Whole HKDF with salt and IKM swapped.
  struct SwappedHKDF : Right {
    static ByteString hkdf(const ByteString& salt, const ByteString& ikm, const ByteString& info,
                           std::size_t n) {
      return Right::hkdf(ikm, salt, info, n);
    }
  };
};

TEST(HKDFTests, LawsCatchLengthFaultsThatTheVectorsMiss) {
  using Faults = LengthFaults<EVP_sha256>;
  using kdf::Hooked;
  expectOnlyTheseFail(makeHKDFLawTests<Hooked<examples::SHA256, Faults::NoRefusal>>(),
                      {{"RefusesLongOutput",
                        "hkdfExpand with L = 8161 gave 8161 bytes instead "
                        "of refusing: RFC 5869 allows at most 255 blocks"}});
  expectOnlyTheseFail(
      makeHKDFLawTests<Hooked<examples::SHA256, Faults::WholeBlocks>>(),
      {{"OutputLengthIsL", "hkdf gives "}, {"PrefixOfLongerOutput", "not the first"}});
  expectOnlyTheseFail(makeHKDFLawTests<Hooked<examples::SHA256, Faults::LengthInInfo>>(),
                      {{"PrefixOfLongerOutput", "not the first"}});
  expectOnlyTheseFail(makeHKDFLawTests<Hooked<examples::SHA256, Faults::SwappedHKDF>>(),
                      {{"ExtractThenExpand", "but hkdfExpand of hkdfExtract gives"}});
}

// Damaged records fail at their line with what is wrong; a hash without RFC 5869 vectors is
// refused by name.
TEST(HKDFTests, BadRecordsFailAtTheirLine) {
  fixture::DataDir dir;
  const std::string rest = "IKM = 0b0b\nsalt =\ninfo =\nPRK = 00\n";
  dir.write("Test/KAT_HKDF/RFC5869-SHA256.rsp",
            "COUNT = 1\nHash = SHA-1\n" + rest + "L = 1\nOKM = 00\n\nCOUNT = 2\n" + rest +
                "L = 2\nOKM = 00\n\nCOUNT = 3\n" + rest + "L = x\nOKM = 00\n\nCOUNT = 4\n" + rest +
                "L = 1\n\n");
  const std::vector<Tree> tests = makeHKDFTests<examples::SHA256>();
  // The record without an OKM yields no test.
  EXPECT_EQ(caseNames(tests),
            (std::vector<std::string>{"RFC5869HKDFSHA256-1", "RFC5869HKDFSHA256-2",
                                      "RFC5869HKDFSHA256-3"}));
  const auto results = failures(tests);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_NE(results[0].value_or("").find(
                "RFC5869-SHA256.rsp:1: RFC5869HKDFSHA256-1: the record is for SHA-1, not SHA-256"),
            std::string::npos)
      << results[0].value_or("");
  EXPECT_NE(results[1].value_or("").find(
                "RFC5869-SHA256.rsp:10: RFC5869HKDFSHA256-2: L = 2 but the OKM holds 1 bytes"),
            std::string::npos)
      << results[1].value_or("");
  EXPECT_NE(results[2].value_or("").find("cannot be read as an integer"), std::string::npos)
      << results[2].value_or("");
  EXPECT_THROW((void)makeHKDFTests<examples::SHA512>(), std::invalid_argument);
}

}  // namespace
}  // namespace kavrit::test
