// The known-answer builders of ChaCha20, Poly1305, ChaCha20-Poly1305 and RC4, and the Wycheproof
// builders over an AEAD, run over the small implementations of reference_chacha_rc4.hpp: green
// when right, every vector failing when one output bit is wrong, the refusal checks failing when
// forgeries open.

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "kat_fixture.hpp"
#include "kavrit/block_cipher_aead.hpp"
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/rc4.hpp"
#include "kavrit/test/wycheproof_aead.hpp"
#include "openssl/openssl_aes.hpp"
#include "reference_chacha_rc4.hpp"
#include "vectors/wycheproof_file.hpp"

namespace kavrit::test {
namespace {

using fixture::caseNames;
using reference::Fault;
// Inside TEST bodies, Test is GoogleTest's.
using Tests = std::vector<kavrit::test::Test>;

std::size_t failingCount(const Tests& tests) { return caseNames(tests, true).size(); }

TEST(PrimitiveKats, ChaCha20AndPoly1305) {
  const Tests chacha = makeChaCha20Tests<reference::ChaCha20<>>();
  ASSERT_EQ(caseNames(chacha),
            (std::vector<std::string>{"ChaCha20-1", "ChaCha20-2", "ChaCha20-3"}));
  EXPECT_EQ(caseNames(chacha, true), std::vector<std::string>{});
  EXPECT_EQ(failingCount(makeChaCha20Tests<reference::ChaCha20<Fault::FlipOutput>>()), 3u);

  const Tests poly = makePoly1305Tests<reference::Poly1305<>>();
  ASSERT_EQ(poly.size(), 11u);
  EXPECT_EQ(poly.back().name(), "Poly1305-11");
  EXPECT_EQ(caseNames(poly, true), std::vector<std::string>{});
  EXPECT_EQ(failingCount(makePoly1305Tests<reference::Poly1305<Fault::FlipOutput>>()), 11u);
}

TEST(PrimitiveKats, ChaCha20Poly1305) {
  const Tests tests = makeChaCha20Poly1305Tests<reference::ChaCha20Poly1305<>>();
  ASSERT_EQ(tests.size(), 71u);  // BoringSSL's 66 records, OpenSSL's 5
  EXPECT_EQ(tests.front().name(), "ChaCha20Poly1305-BoringSSL-1");
  EXPECT_EQ(tests[66].name(), "ChaCha20Poly1305-OpenSSL-1");
  EXPECT_EQ(caseNames(tests, true), std::vector<std::string>{});
  // A flipped bit fails every record with an answer; OpenSSL's forged record (its second) asks
  // for a refusal only.
  std::vector<std::string> answered = caseNames(tests);
  answered.erase(answered.begin() + 67);
  EXPECT_EQ(
      caseNames(makeChaCha20Poly1305Tests<reference::ChaCha20Poly1305<Fault::FlipOutput>>(), true),
      answered);
  // Opening forgeries fails every record: the tampered tags, and OpenSSL's forged record (its
  // second) on its own.
  const Tests forging =
      makeChaCha20Poly1305Tests<reference::ChaCha20Poly1305<Fault::AcceptForgery>>();
  EXPECT_EQ(failingCount(forging), 71u);
  const std::optional<std::string> forged = fixture::failureOf(forging[67]);
  ASSERT_TRUE(forged.has_value());
  EXPECT_NE(forged->find("CIPHERFINAL_ERROR: a forgery"), std::string::npos) << *forged;
  EXPECT_NE(forged->find("must be refused"), std::string::npos) << *forged;
}

TEST(PrimitiveKats, RC4) {
  const Tests tests = makeRC4Tests<reference::RC4<>>();
  ASSERT_EQ(tests.size(), 252u);
  EXPECT_EQ(tests.front().name(), "RC4-40-1");
  EXPECT_EQ(tests.back().name(), "RC4-256-36");
  EXPECT_EQ(caseNames(tests, true), std::vector<std::string>{});
  EXPECT_EQ(failingCount(makeRC4Tests<reference::RC4<Fault::FlipOutput>>()), 252u);
  // Keys shorter than 128 bits refused: the 40- to 80-bit files fail, never skipped.
  const Tests longKeysOnly = makeRC4Tests<reference::RC4<Fault::None, 16>>();
  const std::vector<std::string> failing = caseNames(longKeysOnly, true);
  ASSERT_EQ(failing.size(), 4u * 36);
  EXPECT_EQ(failing.back(), "RC4-80-36");
  EXPECT_NE(fixture::failureOf(longKeysOnly.front())->find("start refused the 40-bit key"),
            std::string::npos);
}

// A quoted value that is not one string of printable ASCII fails its test at the field's line.
TEST(PrimitiveKats, MalformedQuotedTextIsReportedAtItsLine) {
  const fixture::DataDir data;
  const std::string record =
      "COUNT = 1\nKEY = 00\nNONCE = 00\nIN= \"abc\nAD= \"\"\nCT= \"x\" y\nTAG= \"\t\"\n";
  data.write("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp", "# comment\n" + record);
  const Tests tests = makeChaCha20Poly1305Tests<reference::ChaCha20Poly1305<>>();
  ASSERT_EQ(tests.size(), 1u);
  const std::string path = getDataFileName("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp");
  const std::optional<std::string> failure = fixture::failureOf(tests[0]);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->rfind(path + ":5: ChaCha20Poly1305-BoringSSL-1: field IN: quoted text", 0), 0u)
      << *failure;
  EXPECT_NE(failure->find("no closing"), std::string::npos) << *failure;

  data.write("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp",
             "COUNT = 1\nKEY = 00\nNONCE = 00\nIN= \"\"\nAD= \"\"\nCT= \"x\" y\nTAG= \"\"\n");
  const std::optional<std::string> trailing =
      fixture::failureOf(makeChaCha20Poly1305Tests<reference::ChaCha20Poly1305<>>().at(0));
  ASSERT_TRUE(trailing.has_value());
  EXPECT_EQ(trailing->rfind(path + ":6: ChaCha20Poly1305-BoringSSL-1: field CT: ", 0), 0u)
      << *trailing;
}

// The names of the tests of `file` whose result is invalid, in the groups of `keyBits`.
std::set<std::string> invalidNames(const std::string& file, std::uint64_t keyBits) {
  const auto loaded = detail::loadWycheproofFile(getDataFileName("Test/WYCHEPROOF/" + file));
  std::set<std::string> names;
  for (const detail::WycheproofGroup& group : loaded->groups) {
    if (group.parameter("keySize") != keyBits) continue;
    for (const detail::WycheproofCase& test : group.tests) {
      if (test.result != detail::WycheproofResult::Invalid) continue;
      std::string name = file + "-tc" + std::to_string(test.tcId);
      for (const std::string& flag : test.flags) name += "-" + flag;
      names.insert(name);
    }
  }
  return names;
}

TEST(PrimitiveKats, WycheproofChaCha20Poly1305) {
  const NoteSink quiet = setNoteSink([](const std::string&) {});
  const Tests chacha = makeWycheproofChaCha20Poly1305Tests<reference::ChaCha20Poly1305<>>();
  EXPECT_EQ(chacha.size(), 325u);
  EXPECT_EQ(caseNames(chacha, true), std::vector<std::string>{});
  EXPECT_EQ(
      failingCount(
          makeWycheproofXChaCha20Poly1305Tests<reference::ChaCha20Poly1305<Fault::None, 24>>()),
      0u);
  // Opening forgeries fails the 60 invalid tests of 96-bit nonces; the nine of other nonce sizes
  // are refused for their length.
  EXPECT_EQ(
      failingCount(
          makeWycheproofChaCha20Poly1305Tests<reference::ChaCha20Poly1305<Fault::AcceptForgery>>()),
      60u);

  // The 246 valid tests of 192-bit nonces check the refusal a 96-bit type declares, and are
  // counted. A seal that takes such a nonce fails every test but the one of a 96-bit nonce, which
  // the type takes.
  const std::size_t before = wycheproofOutsideDeclarationCount();
  EXPECT_EQ(failingCount(makeWycheproofXChaCha20Poly1305Tests<reference::ChaCha20Poly1305<>>()),
            0u);
  EXPECT_EQ(wycheproofOutsideDeclarationCount() - before, 246u);
  struct SealsAnyNonce : reference::ChaCha20Poly1305<> {
    static std::optional<SealsAnyNonce> buildKey(const ByteString& key) {
      if (key.size() != 32) return std::nullopt;
      return SealsAnyNonce{*reference::ChaCha20Poly1305<>::buildKey(key)};
    }
    [[nodiscard]] AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                                  const ByteString& plaintext) const {
      ByteString twelve = nonce;
      twelve.resize(12, 0);
      return reference::ChaCha20Poly1305<>::seal(twelve, aad, plaintext);
    }
  };
  EXPECT_EQ(failingCount(makeWycheproofXChaCha20Poly1305Tests<SealsAnyNonce>()), 314u);
  setNoteSink(quiet);
}

// Any aead file runs over GcmAead: its 39 valid tests of IVs other than 96 bits check the refusal
// GcmAead declares, and its empty IVs are refused for their length.
TEST(PrimitiveKats, WycheproofGcmFileOverGcmAead) {
  const NoteSink quiet = setNoteSink([](const std::string&) {});
  const std::size_t before = wycheproofOutsideDeclarationCount();
  const Tests tests = makeWycheproofTests<GcmAead<examples::AES128>>(
      getDataFileName("Test/WYCHEPROOF/aes_gcm_test.json"));
  EXPECT_EQ(tests.size(), 108u);
  EXPECT_EQ(caseNames(tests, true), std::vector<std::string>{});
  EXPECT_EQ(wycheproofOutsideDeclarationCount() - before, 39u);
  setNoteSink(quiet);
}

// Takes every key, nonce and tag: seals to the plaintext and a zero tag, opens anything.
template <long KeyBits>
struct AcceptsAll {
  static long keyLength() { return KeyBits; }
  static long nonceLength() { return 96; }
  static bool acceptsNonceLength(long) { return true; }
  static long tagLength() { return 128; }
  static std::optional<AcceptsAll> buildKey(const ByteString&) { return AcceptsAll{}; }
  [[nodiscard]] AeadSealed seal(const ByteString&, const ByteString&, const ByteString& p) const {
    return {p, ByteString(16, 0)};
  }
  [[nodiscard]] std::optional<ByteString> open(const ByteString&, const ByteString&,
                                               const ByteString& c, const ByteString&) const {
    return c;
  }
};
struct DeterministicAcceptsAll {
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }
  static std::optional<DeterministicAcceptsAll> buildKey(const ByteString&) {
    return DeterministicAcceptsAll{};
  }
  [[nodiscard]] AeadSealed seal(const ByteString&, const ByteString& p) const {
    return {p, ByteString(16, 0)};
  }
  [[nodiscard]] std::optional<ByteString> open(const ByteString&, const ByteString& c,
                                               const ByteString&) const {
    return c;
  }
};

// Counted from the JSON files: the tests of the groups of the type's key size.
TEST(PrimitiveKats, WycheproofAesAeadFilesParseAndRefusalsBite) {
  const NoteSink quiet = setNoteSink([](const std::string&) {});
  struct File {
    Tests tests;
    std::string name;
    std::size_t count;
    std::uint64_t keyBits;
  };
  const File files[] = {
      {makeWycheproofAESEAXTests<AcceptsAll<128>>(), "aes_eax_test.json", 92, 128},
      {makeWycheproofAESGCMSIVTests<AcceptsAll<256>>(), "aes_gcm_siv_test.json", 103, 256},
      {makeWycheproofAEADAESSIVTests<AcceptsAll<384>>(), "aead_aes_siv_cmac_test.json", 300, 384},
      {makeWycheproofAESSIVTests<DeterministicAcceptsAll>(), "aes_siv_cmac_test.json", 148, 256},
  };
  for (const File& file : files) {
    SCOPED_TRACE(file.name);
    EXPECT_EQ(file.tests.size(), file.count);
    const std::vector<std::string> failing = caseNames(file.tests, true);
    const std::set<std::string> failed(failing.begin(), failing.end());
    const std::set<std::string> invalid = invalidNames(file.name, file.keyBits);
    EXPECT_FALSE(invalid.empty());
    for (const std::string& name : invalid) EXPECT_TRUE(failed.contains(name)) << name;
  }
  EXPECT_EQ(
      makeWycheproofTests<AcceptsAll<128>>(getDataFileName("Test/WYCHEPROOF/aes_gcm_siv_test.json"))
          .size(),
      99u);
  EXPECT_THROW(makeWycheproofTests<AcceptsAll<256>>(
                   getDataFileName("Test/WYCHEPROOF/aes_siv_cmac_test.json")),
               std::invalid_argument);
  EXPECT_THROW(makeWycheproofAESSIVTests<AcceptsAll<256>>(), std::invalid_argument);
  setNoteSink(quiet);
}

}  // namespace
}  // namespace kavrit::test
