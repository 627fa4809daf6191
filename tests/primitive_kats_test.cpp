// What the known-answer and Wycheproof builders of ChaCha20, Poly1305, ChaCha20-Poly1305, RC4 and
// the AEADs do beyond what primitive_bundles_test.cpp checks: the tests' names and counts, every
// ChaCha20-Poly1305 record refusing a forgery, a malformed quoted field reported at its line, RC4
// failing a key length that start refuses, the refusal a Wycheproof test outside a type's
// declaration asks of it, and a file of the other kind of AEAD refused.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "broken_primitives.hpp"
#include "kat_fixture.hpp"
#include "kavrit/block_cipher_aead.hpp"
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/rc4.hpp"
#include "kavrit/test/wycheproof_aead.hpp"
#include "nettle/nettle_eax.hpp"
#include "nettle/nettle_siv.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_aes_gcm_siv.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_rc4.hpp"
#include "openssl/openssl_xchacha20_poly1305.hpp"

namespace kavrit::test {
namespace {

using namespace examples;
using fixture::caseNames;
// Inside TEST bodies, Test is GoogleTest's.
using Tests = std::vector<kavrit::test::Test>;
using Names = std::vector<std::string>;

std::size_t failingCount(const Tests& tests) { return caseNames(tests, true).size(); }

std::string wycheproofFile(const std::string& name) {
  return getDataFileName("Test/WYCHEPROOF/" + name);
}

class PrimitiveKats : public testing::Test {
 protected:
  fixture::DataDir data{false};
  NoteSink saved = setNoteSink([](const std::string&) {});
  ~PrimitiveKats() override { setNoteSink(saved); }
};

TEST_F(PrimitiveKats, KnownAnswerTestsAreNamedByFileAndRecord) {
  EXPECT_EQ(caseNames(makeChaCha20Tests<OpenSSLChaCha20>()),
            (Names{"ChaCha20-1", "ChaCha20-2", "ChaCha20-3"}));
  const Tests poly = makePoly1305Tests<OpenSSLPoly1305>();
  ASSERT_FALSE(poly.empty());
  EXPECT_EQ(poly.back().name(), "Poly1305-11");
  const Tests rc4 = makeRC4Tests<OpenSSLRC4>();
  ASSERT_FALSE(rc4.empty());
  EXPECT_EQ(rc4.front().name(), "RC4-40-1");
  EXPECT_EQ(rc4.back().name(), "RC4-256-36");
}

// Every record checks that a tampered tag is refused, so opening forgeries fails all of them;
// OpenSSL's forged record (its second) asks for that refusal alone.
TEST_F(PrimitiveKats, EveryChaCha20Poly1305RecordRefusesAForgery) {
  const Tests tests = makeChaCha20Poly1305Tests<OpenSSLChaCha20Poly1305>();
  ASSERT_EQ(tests.size(), 71u);  // BoringSSL's 66 records, OpenSSL's 5
  EXPECT_EQ(tests.front().name(), "ChaCha20Poly1305-BoringSSL-1");
  EXPECT_EQ(tests[66].name(), "ChaCha20Poly1305-OpenSSL-1");
  const Tests forging =
      makeChaCha20Poly1305Tests<BrokenAead<OpenSSLChaCha20Poly1305, AeadFault::OpensAnything>>();
  EXPECT_EQ(failingCount(forging), 71u);
  const std::optional<std::string> forged = fixture::failureOf(forging.at(67));
  ASSERT_TRUE(forged.has_value());
  EXPECT_NE(forged->find("CIPHERFINAL_ERROR: a forgery"), std::string::npos) << *forged;
  EXPECT_NE(forged->find("must be refused"), std::string::npos) << *forged;
}

// A quoted value that is not one string of printable ASCII fails its test at the field's line.
TEST_F(PrimitiveKats, MalformedQuotedTextIsReportedAtItsLine) {
  const fixture::DataDir scratch;
  const std::string record =
      "COUNT = 1\nKEY = 00\nNONCE = 00\nIN= \"abc\nAD= \"\"\nCT= \"x\" y\nTAG= \"\t\"\n";
  scratch.write("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp", "# comment\n" + record);
  const Tests tests = makeChaCha20Poly1305Tests<OpenSSLChaCha20Poly1305>();
  ASSERT_EQ(tests.size(), 1u);
  const std::string path = getDataFileName("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp");
  const std::optional<std::string> failure = fixture::failureOf(tests[0]);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->rfind(path + ":5: ChaCha20Poly1305-BoringSSL-1: field IN: quoted text", 0), 0u)
      << *failure;
  EXPECT_NE(failure->find("no closing"), std::string::npos) << *failure;

  scratch.write("Test/KAT_CHACHA20_POLY1305/BoringSSL.rsp",
                "COUNT = 1\nKEY = 00\nNONCE = 00\nIN= \"\"\nAD= \"\"\nCT= \"x\" y\nTAG= \"\"\n");
  const std::optional<std::string> trailing =
      fixture::failureOf(makeChaCha20Poly1305Tests<OpenSSLChaCha20Poly1305>().at(0));
  ASSERT_TRUE(trailing.has_value());
  EXPECT_EQ(trailing->rfind(path + ":6: ChaCha20Poly1305-BoringSSL-1: field CT: ", 0), 0u)
      << *trailing;
}

// OpenSSL's RC4 taking, and declaring it takes, keys of 128 bits or more only.
struct RC4FromLongKeys {
  OpenSSLRC4 inner;
  static long keyLength() { return OpenSSLRC4::keyLength(); }
  static bool acceptsKeyLength(long bits) {
    return bits >= 128 && OpenSSLRC4::acceptsKeyLength(bits);
  }
  static long nonceLength() { return OpenSSLRC4::nonceLength(); }
  static long counterLength() { return OpenSSLRC4::counterLength(); }
  static long blockLength() { return OpenSSLRC4::blockLength(); }
  static std::optional<RC4FromLongKeys> start(const ByteString& key, const ByteString& nonce,
                                              std::uint64_t counter) {
    if (key.size() < 16) return std::nullopt;
    if (std::optional<OpenSSLRC4> s = OpenSSLRC4::start(key, nonce, counter)) {
      return RC4FromLongKeys{std::move(*s)};
    }
    return std::nullopt;
  }
  std::optional<ByteString> apply(const ByteString& data) { return inner.apply(data); }
};

// A key length start refuses fails its tests, declared or not: the 40- to 80-bit files, never
// skipped.
TEST_F(PrimitiveKats, RC4FailsTheKeyLengthsStartRefuses) {
  const Tests tests = makeRC4Tests<RC4FromLongKeys>();
  const Names failing = caseNames(tests, true);
  ASSERT_EQ(failing.size(), 4u * 36);
  EXPECT_EQ(failing.front(), "RC4-40-1");
  EXPECT_EQ(failing.back(), "RC4-80-36");
  const std::optional<std::string> failure = fixture::failureOf(tests.front());
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("start refused the 40-bit key"), std::string::npos) << *failure;
}

// OpenSSL's ChaCha20-Poly1305, declaring 96-bit nonces only, with a seal that takes a nonce of
// any length, cut or padded to 96 bits.
struct SealsAnyNonce {
  OpenSSLChaCha20Poly1305 inner;
  static long keyLength() { return OpenSSLChaCha20Poly1305::keyLength(); }
  static long nonceLength() { return OpenSSLChaCha20Poly1305::nonceLength(); }
  static bool acceptsNonceLength(long bits) {
    return OpenSSLChaCha20Poly1305::acceptsNonceLength(bits);
  }
  static long tagLength() { return OpenSSLChaCha20Poly1305::tagLength(); }
  static std::optional<SealsAnyNonce> buildKey(const ByteString& key) {
    if (std::optional<OpenSSLChaCha20Poly1305> k = OpenSSLChaCha20Poly1305::buildKey(key)) {
      return SealsAnyNonce{std::move(*k)};
    }
    return std::nullopt;
  }
  [[nodiscard]] AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                                const ByteString& plaintext) const {
    ByteString twelve = nonce;
    twelve.resize(12, 0);
    return inner.seal(twelve, aad, plaintext);
  }
  [[nodiscard]] std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                               const ByteString& ciphertext,
                                               const ByteString& tag) const {
    return inner.open(nonce, aad, ciphertext, tag);
  }
};

// A 96-bit-nonce type passes the XChaCha20-Poly1305 file: its 246 valid tests of 192-bit nonces
// check the refusal the type declares, and are counted. A seal that takes such a nonce fails
// every test but the one of a 96-bit nonce, which the type takes.
TEST_F(PrimitiveKats, AValidTestOutsideTheDeclarationChecksTheDeclaredRefusal) {
  const std::size_t before = wycheproofOutsideDeclarationCount();
  const Tests tests = makeWycheproofXChaCha20Poly1305Tests<OpenSSLChaCha20Poly1305>();
  EXPECT_EQ(caseNames(tests, true), Names{});
  EXPECT_EQ(wycheproofOutsideDeclarationCount() - before, 246u);
  EXPECT_EQ(failingCount(makeWycheproofXChaCha20Poly1305Tests<SealsAnyNonce>()), 314u);
}

// Any aead file runs over GcmAead: its 39 valid tests of IVs other than 96 bits check the refusal
// GcmAead declares, and its empty IVs are refused for their length.
TEST_F(PrimitiveKats, WycheproofGcmFileOverGcmAead) {
  const std::size_t before = wycheproofOutsideDeclarationCount();
  const Tests tests = makeWycheproofTests<GcmAead<AES128>>(wycheproofFile("aes_gcm_test.json"));
  EXPECT_EQ(tests.size(), 108u);
  EXPECT_EQ(caseNames(tests, true), Names{});
  EXPECT_EQ(wycheproofOutsideDeclarationCount() - before, 39u);
}

// Counted from the JSON files: the tests of the groups of the type's key size.
TEST_F(PrimitiveKats, WycheproofFilesGiveTheTestsOfTheKeySize) {
  EXPECT_EQ(makeWycheproofChaCha20Poly1305Tests<OpenSSLChaCha20Poly1305>().size(), 325u);
  EXPECT_EQ(makeWycheproofXChaCha20Poly1305Tests<OpenSSLXChaCha20Poly1305>().size(), 315u);
  EXPECT_EQ(makeWycheproofAESEAXTests<NettleAesEax<128>>().size(), 92u);
  EXPECT_EQ(makeWycheproofAESGCMSIVTests<OpenSSLAesGcmSiv<256>>().size(), 103u);
  EXPECT_EQ(
      makeWycheproofTests<OpenSSLAesGcmSiv<128>>(wycheproofFile("aes_gcm_siv_test.json")).size(),
      99u);
  EXPECT_EQ(makeWycheproofAESSIVTests<NettleAesSiv<256>>().size(), 148u);
}

// AES-SIV as a nonce-based AEAD, which no adapter at hand is: takes every key, nonce and tag,
// seals to the plaintext and a zero tag, opens anything.
struct AeadSivAcceptsAll {
  static long keyLength() { return 384; }
  static long nonceLength() { return 96; }
  static bool acceptsNonceLength(long) { return true; }
  static long tagLength() { return 128; }
  static std::optional<AeadSivAcceptsAll> buildKey(const ByteString&) {
    return AeadSivAcceptsAll{};
  }
  [[nodiscard]] AeadSealed seal(const ByteString&, const ByteString&, const ByteString& p) const {
    return {p, ByteString(16, 0)};
  }
  [[nodiscard]] std::optional<ByteString> open(const ByteString&, const ByteString&,
                                               const ByteString& c, const ByteString&) const {
    return c;
  }
};

TEST_F(PrimitiveKats, WycheproofAeadAesSivTestsFailAForgeryOpener) {
  const Tests tests = makeWycheproofAEADAESSIVTests<AeadSivAcceptsAll>();
  EXPECT_EQ(tests.size(), 300u);
  const Names failing = caseNames(tests, true);
  const std::set<std::string> failed(failing.begin(), failing.end());
  const std::set<std::string> invalid = invalidNames("aead_aes_siv_cmac_test.json", 384);
  ASSERT_GT(invalid.size(), 5u);
  for (const std::string& name : invalid) EXPECT_TRUE(failed.contains(name)) << name;
}

TEST_F(PrimitiveKats, AFileOfTheOtherKindOfAeadIsRefused) {
  EXPECT_THROW(makeWycheproofTests<OpenSSLAesGcmSiv<256>>(wycheproofFile("aes_siv_cmac_test.json")),
               std::invalid_argument);
  EXPECT_THROW(makeWycheproofAESSIVTests<OpenSSLAesGcmSiv<256>>(), std::invalid_argument);
  EXPECT_THROW(makeWycheproofTests<NettleAesSiv<256>>(wycheproofFile("aes_gcm_siv_test.json")),
               std::invalid_argument);
}

}  // namespace
}  // namespace kavrit::test
