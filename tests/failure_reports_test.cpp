// What a user reads when a check fails. A known-answer record that must be refused and was
// opened (or must be opened and was refused) fails as a check, in KnownAnswer::check's form, with
// the vector's location once; and a failing property of the construction laws shows what it drew
// as byte-string literals or hex summaries, never as decimal lists or "<???>".

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "broken/construction_faults.hpp"
#include "broken/refusal_faults.hpp"
#include "cipher_kat_support.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/gcm.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "openssl/openssl_aes.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using Tree = kavrit::test::Test;
namespace ex = examples;

// What the broken decryptions below release, whatever they are given.
const ByteString kReleased = {0xde, 0xad, 0xbe, 0xef};

// Opens everything: every GCM, CCM and key-unwrap input gives kReleased.
struct OpensEverything : support::AnyAES<OpensEverything> {
  std::optional<ByteString> gcmDecrypt(const ByteString&, const ByteString&, const ByteString&,
                                       const ByteString&) const {
    return kReleased;
  }
  std::optional<ByteString> gcmDecryptLazy(const ByteString&, const LazyByteString&,
                                           const LazyByteString&, const ByteString&) const {
    return kReleased;
  }
  std::optional<ByteString> ccmDecrypt(const ByteString&, const ByteString&, const ByteString&,
                                       const ByteString&) const {
    return kReleased;
  }
  std::optional<ByteString> keyUnwrap(const ByteString&) const { return kReleased; }
  std::optional<ByteString> keyUnwrapPad(const ByteString&) const { return kReleased; }
};

// Refuses everything it is to open.
struct RefusesEverything : support::AnyAES<RefusesEverything> {
  std::optional<ByteString> gcmDecrypt(const ByteString&, const ByteString&, const ByteString&,
                                       const ByteString&) const {
    return std::nullopt;
  }
  std::optional<ByteString> ccmDecrypt(const ByteString&, const ByteString&, const ByteString&,
                                       const ByteString&) const {
    return std::nullopt;
  }
  std::optional<ByteString> keyUnwrap(const ByteString&) const { return std::nullopt; }
};

// Seals lazily input of more than one chunk with its last chunk left out.
struct GcmLazyDropsLastChunk : support::AnyAES<GcmLazyDropsLastChunk> {
  AeadSealed gcmEncryptLazy(const ByteString& iv, const LazyByteString& aad,
                            const LazyByteString& text, std::size_t tagBytes) const {
    std::vector<ByteString> chunks = text.chunks();
    if (chunks.size() > 1) chunks.pop_back();
    return kavrit::gcmEncrypt(*this, iv, aad.flatten(), LazyByteString(chunks).flatten(), tagBytes);
  }
};

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

// The case `name` of `trees` run: the text of the AssertionFailure it throws. Anything else it
// throws, or passing, is a test failure here.
std::string assertionText(const std::vector<Tree>& trees, const std::string& name,
                          SourceLocation& where) {
  for (const Tree& t : trees) {
    if (t.kind() != Tree::Kind::Case || t.name() != name) continue;
    where = t.location().value_or(SourceLocation{});
    try {
      t.run();
    } catch (const AssertionFailure& failure) {
      return failure.what();
    } catch (const std::exception& error) {
      ADD_FAILURE() << name << " threw another exception than AssertionFailure (the bridge "
                    << "reports it as \"error: \"):\n"
                    << error.what();
      return error.what();
    }
    ADD_FAILURE() << name << " passed";
    return "";
  }
  ADD_FAILURE() << "no case " << name;
  return "";
}

// The report of a refusal check that failed: the test's name, what was checked, the vector's
// location once, no empty flag line, then the two values.
void expectCheckForm(const std::string& text, const std::string& name, const SourceLocation& where,
                     const std::string& computed, const std::string& vector) {
  SCOPED_TRACE(text);
  EXPECT_EQ(text.rfind(name + ": ", 0), 0u);
  EXPECT_EQ(occurrences(text, where.file + ":" + std::to_string(where.line) + ":"), 1u);
  const std::string fileName = where.file.substr(where.file.rfind('/') + 1);
  EXPECT_EQ(occurrences(text, fileName + ":"), 1u);
  EXPECT_EQ(occurrences(text, "FAIL = "), 0u);
  EXPECT_NE(text.find("\ncomputed: " + computed + "\n  vector: " + vector), std::string::npos);
}

TEST(RefusalReports, AnOpenedForgeryFailsAsACheckWithWhatItReleased) {
  SourceLocation where;
  const std::string gcm = "gcmDecrypt128.rsp-96-0-0-128-1";
  expectCheckForm(assertionText(makeGCMTests<OpensEverything>(), gcm, where), gcm, where,
                  "4 bytes: deadbeef", "must be refused");
  const std::string ccm = "DVPT128.rsp-0-0-7-4-1";
  expectCheckForm(assertionText(makeCCMTests<OpensEverything>(), ccm, where), ccm, where,
                  "4 bytes: deadbeef", "must be refused");
  const std::string kw = "KW_AD_128.txt-128-1";
  const std::string text = assertionText(makeKeyWrapTests<OpensEverything>(), kw, where);
  expectCheckForm(text, kw, where, "4 bytes: deadbeef", "must be refused");
  EXPECT_NE(text.find("keyUnwrap accepted C, which the record marks FAIL"), std::string::npos);
  // The flag line is shown once, as the file has it.
  EXPECT_EQ(occurrences(text, "\n  FAIL\n"), 1u) << text;
}

TEST(RefusalReports, ARefusedValidInputFailsAsACheckWithWhatItOpensTo) {
  // Every GCM decryption record that opens fails; the first one stands for them.
  const std::vector<Tree> trees = makeGCMTests<RefusesEverything>();
  const auto refused = std::find_if(trees.begin(), trees.end(), [](const Tree& t) {
    return t.kind() == Tree::Kind::Case && t.name().starts_with("gcmDecrypt") &&
           support::failureOf(t).has_value();
  });
  ASSERT_NE(refused, trees.end());
  SourceLocation where;
  const std::string text = assertionText(trees, refused->name(), where);
  EXPECT_NE(text.find("gcmDecrypt refused the CT and Tag, which open to the PT"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\ncomputed: refused\n  vector: "), std::string::npos) << text;
  EXPECT_EQ(occurrences(text, where.file + ":" + std::to_string(where.line) + ":"), 1u) << text;
  const std::string kw = "KW_AD_128.txt-128-0";
  expectCheckForm(assertionText(makeKeyWrapTests<RefusesEverything>(), kw, where), kw, where,
                  "refused", "16 bytes: 9c4e675277a3bdc3a071048b327a011e");
}

TEST(RefusalReports, WycheproofInvalidInputsOpenedFailInTheSameForm) {
  std::size_t checked = 0;
  for (const Tree& t : makeWycheproofCCMTests<OpensEverything>()) {
    const std::optional<std::string> failure = support::failureOf(t);
    if (!failure || failure->find("accepted an input that must be refused") == std::string::npos) {
      continue;
    }
    ++checked;
    EXPECT_NE(failure->find("\nexpected: must be refused\ncomputed: 4 bytes: deadbeef\n"),
              std::string::npos)
        << *failure;
    EXPECT_EQ(occurrences(*failure, "aes_ccm_test.json:"), 1u) << *failure;
  }
  EXPECT_GT(checked, 0u);
}

// ---- Drawn values in property reports ----

struct FailingLaw {
  const char* label;
  std::function<std::vector<Tree>()> build;
  const char* leaf;
};

class DrawnValues : public testing::TestWithParam<FailingLaw> {};

// A decimal list such as "[0, 12, 7" is RapidCheck's text of a std::vector of bytes.
const std::regex kDecimalList(R"(\[[0-9]+, [0-9]+)");
// A hex escape in a quoted literal, or the hex ends of a long value's summary.
const std::regex kHex(R"(\\x[0-9a-f]{2}|first 32: [0-9a-f]{64})");

TEST_P(DrawnValues, PrintAsLiteralsOrHexSummaries) {
  const FailingLaw& law = GetParam();
  const Tree leaf = propcheck::leafNamed(law.build(), law.leaf);
  const PropertyResult result = propcheck::checkLeaf(leaf);
  ASSERT_EQ(result.outcome, PropertyResult::Outcome::Failed) << result.report;
  const std::string& report = result.report;
  EXPECT_EQ(report.find("<?\?\?>"), std::string::npos) << report;
  EXPECT_FALSE(std::regex_search(report, kDecimalList)) << report;
  EXPECT_TRUE(std::regex_search(report, kHex)) << report;
}

template <class Make>
std::function<std::vector<Tree>()> one(Make make) {
  return [make] { return std::vector<Tree>{make()}; };
}

INSTANTIATE_TEST_SUITE_P(
    ConstructionLaws, DrawnValues,
    testing::Values(
        FailingLaw{"GcmFlippedBit", [] { return makeGCMTests<OpensEverything>(); },
                   "AnyFlippedBitIsRefused"},
        FailingLaw{"GcmLazyStrict", [] { return makeGCMTests<GcmLazyDropsLastChunk>(); },
                   "LazyStrictEqual"},
        FailingLaw{"CcmFlippedBit", [] { return makeCCMTests<OpensEverything>(); },
                   "AnyFlippedBitIsRefused"},
        FailingLaw{"GcmShortTagsRefusal",
                   one([] { return makeAEADRefusalTests<ex::GcmTakesShortTags<ex::AES128>>(); }),
                   "GCMShortTagsDrawn"},
        FailingLaw{"KwIntegrityValueRefusal", one([] {
                     return makeKeyWrapRefusalTests<ex::KwChecksFourIcvBytes<ex::AES128>>();
                   }),
                   "KWIntegrityValueDrawn"},
        FailingLaw{"XtsHookOracle", one([] {
                     return makeConstructionHookOracleTests<ex::XtsTweakTable32<ex::AES128>>();
                   }),
                   "XTSHookDrawn"},
        FailingLaw{"CmacHookOracle", one([] {
                     return makeConstructionHookOracleTests<ex::CmacK1WithoutRb<ex::AES128>>();
                   }),
                   "CMACHookDrawn"},
        FailingLaw{"HkdfHookOracle",
                   one([] { return makeKDFHookOracleTests<ex::HkdfDropsInfoWithoutSalt>(); }),
                   "HKDFHookDrawn"}),
    [](const testing::TestParamInfo<FailingLaw>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kavrit::test
